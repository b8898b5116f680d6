#include "presentation-model/GoogleAnalyticsPresModelBuilder.h"

#include "host/app/StringTable.h"
#include "presentation-model/GoogleAnalyticsBasicItemPresModel.h"
#include "presentation-model/GoogleAnalyticsComplexItemPresModel.h"
#include "presentation-model/GoogleAnalyticsDatePresModel.h"
#include "presentation-model/GoogleAnalyticsDateRangeOptionPresModel.h"
#include "presentation-model/GoogleAnalyticsDateRangePresModel.h"
#include "presentation-model/GoogleAnalyticsQueryPartitioningPresModel.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace GoogleAnalyticsConnectionConfigElements;
using Item = GoogleAnalyticsBasicItemPresModel;

bool Asked(const fake::GoogleAnalyticsConfig& config, const char* query) {
  return std::count(config.ga.asked.begin(), config.ga.asked.end(), QLatin1String(query)) != 0;
}

// One field of every entry of a list, in order.
template <typename Entry>
std::vector<TString> Each(const std::vector<RefCntPtr<const Entry>>& entries, const TString& (Item::*field)() const) {
  std::vector<TString> values;
  for (const auto& entry : entries) values.push_back(((*entry).*field)());
  return values;
}

std::vector<TString> List(std::initializer_list<const char*> texts) {
  std::vector<TString> list;
  for (const char* text : texts) list.push_back(QString::fromUtf8(text));
  return list;
}

IGoogleAnalyticsConnectionConfig::BasicItems BasicItems(std::vector<const char*> names) {
  IGoogleAnalyticsConnectionConfig::BasicItems items;
  for (const char* name : names) items.push_back({QLatin1String(name), QString::fromLatin1(name).toLower() + QStringLiteral("-id")});
  return items;
}

// Accounts, properties and views with one chosen at each level.
RefCntPtr<fake::GoogleAnalyticsConfig> ChosenViewConfig() {
  auto config = MakeRefCnt<fake::GoogleAnalyticsConfig>();
  config->ga.accounts = BasicItems({"Shop", "Blog", "Docs"});
  config->ga.properties = BasicItems({"Web", "App"});
  config->ga.views = BasicItems({"All data"});
  config->ga.selectedAccount = 2;
  config->ga.selectedProperty = 0;
  config->ga.selectedView = 0;
  return config;
}

TEST(GoogleAnalyticsPresModelBuilderTest, NullConfigurationLeavesTheRecordUnbuilt) {
  const auto model = GoogleAnalyticsPresModelBuilder(nullptr).Build();
  ASSERT_NE(model, nullptr);
  EXPECT_FALSE(model->GetAreBasicItemsEnabled());
  EXPECT_EQ(model->GetPossibleAccountsCount(), 0u);  // not even the empty entry
  EXPECT_EQ(model->GetDateRangeModel()->GetDateRangeOptionCount(), 0u);
}

TEST(GoogleAnalyticsPresModelBuilderTest, PickerListsStartWithTheEmptyEntryAndTheIndexCountsIt) {
  auto config = ChosenViewConfig();
  auto model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_TRUE(model->GetAreBasicItemsEnabled() && model->GetAreFiltersEnabled() &&
              model->GetAreMeasuresDimensionsEnabled());
  EXPECT_EQ(Each(model->GetPossibleAccountss(), &Item::GetName), List({"", "Shop", "Blog", "Docs"}));
  EXPECT_EQ(Each(model->GetPossibleAccountss(), &Item::GetId), List({"", "shop-id", "blog-id", "docs-id"}));
  EXPECT_EQ(model->GetSelectedAccountIndex(), 3);  // position 2 of the host's list
  EXPECT_EQ(Each(model->GetPossiblePropertiess(), &Item::GetName), List({"", "Web", "App"}));
  EXPECT_EQ(model->GetSelectedPropertyIndex(), 1);
  EXPECT_EQ(Each(model->GetPossibleViewss(), &Item::GetId), List({"", "all data-id"}));
  EXPECT_EQ(model->GetSelectedViewIndex(), 1);

  // No account chosen: properties and views are not even fetched, and the filters stay off.
  config->ga.selectedAccount = -1;
  config->ga.asked.clear();
  model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetPossibleAccountsCount(), 4u);
  EXPECT_EQ(model->GetSelectedAccountIndex(), 0);  // the empty entry
  EXPECT_FALSE(Asked(*config, "GetProperties") || Asked(*config, "GetViews"));
  EXPECT_EQ(model->GetPossiblePropertiesCount() + model->GetPossibleViewsCount(), 0u);
  EXPECT_TRUE(model->GetAreBasicItemsEnabled());
  EXPECT_FALSE(model->GetAreFiltersEnabled() || model->GetAreMeasuresDimensionsEnabled());

  // A chosen account and property but no view: the views are listed, the filters stay off.
  config = ChosenViewConfig();
  config->ga.selectedView = -1;
  model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetPossibleViewsCount(), 2u);
  EXPECT_EQ(model->GetSelectedViewIndex(), 0);
  EXPECT_FALSE(model->GetAreFiltersEnabled() || model->GetAreMeasuresDimensionsEnabled());
}

TEST(GoogleAnalyticsPresModelBuilderTest, DimensionsAndMeasuresInIdOrderByTheirAlternateNames) {
  auto config = ChosenViewConfig();
  config->ga.possibleDimensions = {
      {QStringLiteral("ga:source"), {QStringLiteral("Traffic"), QStringLiteral("Source"), TString(), QStringLiteral("Where from"), true}},
      {QStringLiteral("ga:city"), {QStringLiteral("Geo"), QStringLiteral("City"), QStringLiteral("Town"), QStringLiteral("Which city"), false}},
  };
  config->ga.selectedMeasures = {
      {QStringLiteral("ga:users"), {QStringLiteral("User"), QStringLiteral("Users"), TString(), TString(), true}}};
  const auto model = GoogleAnalyticsPresModelBuilder(config).Build();

  ASSERT_EQ(model->GetPossibleDimensionsCount(), 2u);
  const auto& city = model->GetPossibleDimensions(0);
  EXPECT_EQ(city->GetId(), QStringLiteral("ga:city"));
  EXPECT_EQ(city->GetName(), QStringLiteral("Town"));
  EXPECT_EQ(city->GetDescription(), QStringLiteral("Which city"));
  EXPECT_EQ(city->GetCategory(), QStringLiteral("Geo"));
  EXPECT_FALSE(city->GetIsEnabled());
  EXPECT_EQ(model->GetPossibleDimensions(1)->GetName(), QStringLiteral("Source"));
  EXPECT_TRUE(model->GetPossibleDimensions(1)->GetIsEnabled());
  // Each map goes to its own list.
  EXPECT_EQ(model->GetPossibleMeasuresCount() + model->GetSelectedDimensionsCount(), 0u);
  EXPECT_EQ(Each(model->GetSelectedMeasuress(), &Item::GetName), List({"Users"}));
}

TEST(GoogleAnalyticsPresModelBuilderTest, SegmentAndMeasureSetIndexesAreTheHostsPositions) {
  auto config = ChosenViewConfig();
  config->ga.segments = {{QStringLiteral("-1"), QStringLiteral("All users"), QStringLiteral("Default")},
                         {QStringLiteral("-2"), QStringLiteral("New users"), QStringLiteral("Custom")}};
  config->ga.selectedSegment = 1;
  config->ga.measureSets = {{QStringLiteral("Audience"), QStringLiteral("set-1")}};
  auto model = GoogleAnalyticsPresModelBuilder(config).Build();
  // No empty entry in these lists.
  EXPECT_EQ(Each(model->GetPossibleSegmentss(), &Item::GetName), List({"All users", "New users"}));
  EXPECT_EQ(Each(model->GetPossibleSegmentss(), &Item::GetId), List({"-1", "-2"}));
  EXPECT_EQ(model->GetPossibleSegments(1)->GetCategory(), QStringLiteral("Custom"));
  EXPECT_EQ(model->GetSelectedSegmentIndex(), 1);
  EXPECT_EQ(Each(model->GetPossibleMeasureSetss(), &Item::GetId), List({"set-1"}));
  EXPECT_EQ(Each(model->GetPossibleMeasureSetss(), &Item::GetName), List({"Audience"}));
  EXPECT_EQ(model->GetSelectedMeasureSetIndex(), -1);

  config->ga.selectedSegment = -1;
  config->ga.selectedMeasureSet = 0;
  model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetSelectedSegmentIndex(), -1);
  EXPECT_EQ(model->GetSelectedMeasureSetIndex(), 0);
}

TEST(GoogleAnalyticsPresModelBuilderTest, DateRangeOffersEveryRangeAndSelectsByValue) {
  const std::vector<TString> descriptions =
      List({"Last 30 days", "Today", "Yesterday", "Last week", "Last month", "Last year", "This week to yesterday",
            "This month to yesterday", "This year to yesterday", "The past week to yesterday",
            "The past month to yesterday", "The past year to yesterday", "Fixed dates", "Fixed start date to today"});
  struct Case {
    DateRange chosen;
    int selectedIndex;
    bool startEditable, endEditable;
  };
  for (const Case& c : {Case{DateRange::DateRangeFixedStart, 13, true, false},
                        Case{DateRange::DateRangeFixedRange, 12, true, true},
                        Case{DateRange::DateRangeLastWeek, 3, false, false}}) {
    auto config = ChosenViewConfig();
    config->ga.dateRange = c.chosen;
    config->ga.startDate = QDate(2026, 2, 1);
    config->ga.endDate = QDate(2026, 2, 28);
    const auto dateRange = GoogleAnalyticsPresModelBuilder(config).Build()->GetDateRangeModel();

    std::vector<TString> shown;
    for (const auto& option : dateRange->GetDateRangeOptions()) {
      EXPECT_EQ(static_cast<std::size_t>(option->GetOptionType()), shown.size());
      shown.push_back(option->GetDescription());
    }
    EXPECT_EQ(shown, descriptions);
    EXPECT_EQ(dateRange->GetSelectedIndex(), c.selectedIndex);
    EXPECT_EQ(dateRange->GetStartDate()->GetIsEditable(), c.startEditable) << c.selectedIndex;
    EXPECT_EQ(dateRange->GetEndDate()->GetIsEditable(), c.endEditable) << c.selectedIndex;
    EXPECT_EQ(dateRange->GetStartDate()->GetISODate(), QStringLiteral("2026-02-01"));
    EXPECT_EQ(dateRange->GetEndDate()->GetISODate(), QStringLiteral("2026-02-28"));
  }
}

// --- The sample warning --------------------------------------------------------------------

// Sets the default locale for one test and puts the previous one back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~ScopedLocale() { QLocale::setDefault(m_previous); }

 private:
  QLocale m_previous;
};

RefCntPtr<fake::GoogleAnalyticsConfig> SampledConfig(std::int64_t size, std::int64_t space) {
  auto config = ChosenViewConfig();
  config->ga.responseInfo = {{QStringLiteral("response-sampled"), DataValue::MakeBoolean(true)},
                             {QStringLiteral("sample-size"), DataValue::MakeInteger(size)},
                             {QStringLiteral("sample-space"), DataValue::MakeInteger(space)}};
  return config;
}

RefCntPtr<const GoogleAnalyticsQueryPartitioningPresModel> Partitioning(
    const RefCntPtr<fake::GoogleAnalyticsConfig>& config) {
  return GoogleAnalyticsPresModelBuilder(config).Build()->GetQueryPartitioningModel();
}

TEST(GoogleAnalyticsPresModelBuilderTest, UnsampledResponseLeavesTheWarningHidden) {
  auto config = ChosenViewConfig();
  config->ga.canPartition = true;
  config->ga.partitioningOn = true;
  const auto absent = Partitioning(config);
  EXPECT_FALSE(absent->GetIsVisible() || absent->GetIsEnabled() || absent->GetCanPartition());
  EXPECT_TRUE(absent->GetStatusText().isEmpty());

  config->ga.responseInfo = {{QStringLiteral("response-sampled"), DataValue::MakeBoolean(false)},
                             {QStringLiteral("sample-size"), DataValue::MakeInteger(1)}};
  EXPECT_FALSE(Partitioning(config)->GetIsVisible());
  EXPECT_FALSE(Asked(*config, "GetPartitionRestrictingItems(0)"));
}

TEST(GoogleAnalyticsPresModelBuilderTest, SampleShareHasTwoDecimalsAndTheSpaceIsGroupedByLocale) {
  struct Case {
    QLocale::Language language;
    QLocale::Country country;
    std::int64_t size, space;
    const char* status;
  };
  const Case cases[] = {
      {QLocale::English, QLocale::UnitedStates, 250000, 1000000, "The results are based on 25.00% of 1,000,000 sessions."},
      // The share is not localized; the sample space is.
      {QLocale::German, QLocale::Germany, 2, 3000, "The results are based on 0.07% of 3.000 sessions."},
      // An empty sample space is no division by zero: the share shows as 0.
      {QLocale::English, QLocale::UnitedStates, 5, 0, "The results are based on 0.00% of 0 sessions."},
  };
  for (const Case& c : cases) {
    const ScopedLocale locale(QLocale(c.language, c.country));
    auto config = SampledConfig(c.size, c.space);
    config->ga.canPartition = true;
    EXPECT_EQ(Partitioning(config)->GetStatusText(), QString::fromUtf8(c.status));
  }
}

TEST(GoogleAnalyticsPresModelBuilderTest, TheWarningOffersWhatThePartitioningStateAllows) {
  const ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
  const TString sampled = QStringLiteral("The results are based on 25.00% of 2,000 sessions.");
  const TString cannot = sampled + QStringLiteral(" This query cannot be partitioned.");
  const TString restricted = QStringLiteral("The query cannot be partitioned because it uses these ");
  struct Case {
    bool canPartition, partitioningOn, generalRestriction, firstList;
    TString status, button, tooltip;
  };
  const Case cases[] = {
      {true, false, false, false, sampled, LookupTStr(0x241eb0f8), LookupTStr(0xb60c02a0)},
      {true, true, false, false, LookupTStr(0x751569a3), LookupTStr(0x18763ab4), LookupTStr(0xfd2a6f18)},
      // On, but the query cannot be partitioned: the items of the second list in id order, by
      // name (not by alternate name).
      {false, true, false, false, cannot, LookupTStr(0x241eb0f8),
       restricted + QStringLiteral("measures:\n    Users\n    Sessions")},
      // The first list, when it has items, is the one named.
      {false, false, false, true, cannot, LookupTStr(0x241eb0f8), restricted + QStringLiteral("dimensions:\n    City")},
      // A general restriction names nothing.
      {false, false, true, true, cannot, LookupTStr(0x241eb0f8), LookupTStr(0x5b1c861f)},
  };
  for (const Case& c : cases) {
    auto config = SampledConfig(500, 2000);
    config->ga.canPartition = c.canPartition;
    config->ga.partitioningOn = c.partitioningOn;
    config->ga.generalRestriction = c.generalRestriction;
    config->ga.restrictingSecond = {
        {QStringLiteral("ga:b"), {TString(), QStringLiteral("Sessions"), QStringLiteral("Visits"), TString(), true}},
        {QStringLiteral("ga:a"), {TString(), QStringLiteral("Users"), TString(), TString(), true}}};
    if (c.firstList)
      config->ga.restrictingFirst = {
          {QStringLiteral("ga:city"), {TString(), QStringLiteral("City"), TString(), TString(), true}}};
    const auto partitioning = Partitioning(config);
    EXPECT_EQ(partitioning->GetStatusText(), c.status);
    EXPECT_EQ(partitioning->GetButtonText(), c.button);
    EXPECT_EQ(partitioning->GetButtonTooltip(), c.tooltip);
    EXPECT_EQ(partitioning->GetCanPartition(), c.canPartition);
    EXPECT_EQ(partitioning->GetIsEnabled(), c.partitioningOn);
    EXPECT_TRUE(partitioning->GetIsVisible());
  }
}

}  // namespace
