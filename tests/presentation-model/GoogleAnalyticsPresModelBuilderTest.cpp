#include "presentation-model/GoogleAnalyticsPresModelBuilder.h"

#include "host/app/StringTable.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
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
#include <string>
#include <vector>

namespace {

using namespace GoogleAnalyticsConnectionConfigElements;
using PresModel = GoogleAnalyticsConnectionDescriptionPresModel;

template <typename Model>
std::string Write(const RefCntPtr<const Model>& model) {
  return WriteParametersJson(*model->AsIParameters(), ParametersRegistry::Get());
}

bool Asked(const fake::GoogleAnalyticsConfig& config, const char* query) {
  return std::count(config.ga.asked.begin(), config.ga.asked.end(), QLatin1String(query)) != 0;
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

TEST(GoogleAnalyticsPresModelBuilderTest, NullConfigurationGivesDefaults) {
  const auto model = GoogleAnalyticsPresModelBuilder(nullptr).Build();
  ASSERT_NE(model, nullptr);
  EXPECT_FALSE(model->GetAreBasicItemsEnabled());
  EXPECT_FALSE(model->GetAreFiltersEnabled());
  EXPECT_EQ(model->GetPossibleAccountsCount(), 0u);  // not even the empty entry
  EXPECT_EQ(model->GetSelectedAccountIndex(), -1);
  EXPECT_EQ(model->GetSelectedSegmentIndex(), -1);
  EXPECT_FALSE(model->GetQueryPartitioningModel()->GetIsVisible());
}

TEST(GoogleAnalyticsPresModelBuilderTest, PickerListsStartWithTheEmptyEntryAndTheIndexCountsIt) {
  auto config = ChosenViewConfig();
  const auto model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_TRUE(model->GetAreBasicItemsEnabled());
  EXPECT_TRUE(model->GetAreFiltersEnabled());
  EXPECT_TRUE(model->GetAreMeasuresDimensionsEnabled());

  ASSERT_EQ(model->GetPossibleAccountsCount(), 4u);
  EXPECT_TRUE(model->GetPossibleAccounts(0)->GetName().isEmpty());
  EXPECT_TRUE(model->GetPossibleAccounts(0)->GetId().isEmpty());
  EXPECT_EQ(model->GetPossibleAccounts(3)->GetName(), QStringLiteral("Docs"));
  EXPECT_EQ(model->GetPossibleAccounts(3)->GetId(), QStringLiteral("docs-id"));
  EXPECT_EQ(model->GetSelectedAccountIndex(), 3);  // position 2 of the host's list
  EXPECT_EQ(model->GetPossiblePropertiesCount(), 3u);
  EXPECT_EQ(model->GetSelectedPropertyIndex(), 1);
  EXPECT_EQ(model->GetPossibleViewsCount(), 2u);
  EXPECT_EQ(model->GetSelectedViewIndex(), 1);

  const std::string json = Write(model);
  EXPECT_NE(json.find(R"("google-analytics-views":[{"name":"","item-id":"","item-description":""},)"
                      R"({"name":"All data","item-id":"all data-id","item-description":""}],"selected-ga-view-index":"1")"),
            std::string::npos)
      << json;
}

TEST(GoogleAnalyticsPresModelBuilderTest, LowerLevelsWaitForAChoiceAbove) {
  auto config = ChosenViewConfig();
  config->ga.selectedAccount = -1;
  auto model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetPossibleAccountsCount(), 4u);
  EXPECT_EQ(model->GetSelectedAccountIndex(), 0);  // the empty entry
  EXPECT_FALSE(Asked(*config, "GetProperties"));
  EXPECT_FALSE(Asked(*config, "GetViews"));
  EXPECT_EQ(model->GetPossiblePropertiesCount(), 0u);
  EXPECT_EQ(model->GetSelectedPropertyIndex(), -1);
  EXPECT_EQ(model->GetPossibleViewsCount(), 0u);
  EXPECT_FALSE(model->GetAreFiltersEnabled());
  EXPECT_FALSE(model->GetAreMeasuresDimensionsEnabled());
  EXPECT_TRUE(model->GetAreBasicItemsEnabled());

  // A chosen account and property but no view: the views are listed, the filters stay off.
  config = ChosenViewConfig();
  config->ga.selectedView = -1;
  model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetPossibleViewsCount(), 2u);
  EXPECT_EQ(model->GetSelectedViewIndex(), 0);
  EXPECT_FALSE(model->GetAreFiltersEnabled());
  EXPECT_FALSE(model->GetAreMeasuresDimensionsEnabled());
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
  EXPECT_EQ(model->GetPossibleMeasuresCount(), 0u);
  EXPECT_EQ(model->GetSelectedDimensionsCount(), 0u);
  ASSERT_EQ(model->GetSelectedMeasuresCount(), 1u);
  EXPECT_EQ(model->GetSelectedMeasures(0)->GetName(), QStringLiteral("Users"));
}

TEST(GoogleAnalyticsPresModelBuilderTest, SegmentAndMeasureSetIndexesAreTheHostsPositions) {
  auto config = ChosenViewConfig();
  config->ga.segments = {{QStringLiteral("-1"), QStringLiteral("All users"), QStringLiteral("Default")},
                         {QStringLiteral("-2"), QStringLiteral("New users"), QStringLiteral("Default")}};
  config->ga.selectedSegment = 1;
  config->ga.measureSets = {{QStringLiteral("Audience"), QStringLiteral("set-1")}};
  auto model = GoogleAnalyticsPresModelBuilder(config).Build();
  ASSERT_EQ(model->GetPossibleSegmentsCount(), 2u);  // no empty entry here
  EXPECT_EQ(model->GetSelectedSegmentIndex(), 1);
  EXPECT_EQ(model->GetPossibleSegments(1)->GetName(), QStringLiteral("New users"));
  EXPECT_EQ(model->GetPossibleSegments(1)->GetId(), QStringLiteral("-2"));
  EXPECT_EQ(model->GetPossibleSegments(1)->GetCategory(), QStringLiteral("Default"));
  ASSERT_EQ(model->GetPossibleMeasureSetsCount(), 1u);
  EXPECT_EQ(model->GetPossibleMeasureSets(0)->GetId(), QStringLiteral("set-1"));
  EXPECT_EQ(model->GetSelectedMeasureSetIndex(), -1);

  config->ga.selectedSegment = -1;
  config->ga.selectedMeasureSet = 0;
  model = GoogleAnalyticsPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetSelectedSegmentIndex(), -1);
  EXPECT_EQ(model->GetSelectedMeasureSetIndex(), 0);
}

TEST(GoogleAnalyticsPresModelBuilderTest, DateRangeOffersEveryRangeAndSelectsByValue) {
  std::map<DateRange, StringId> ranges;
  GoogleAnalytics::GetDateRangesAndDescriptions(ranges);
  ASSERT_FALSE(ranges.empty());

  for (const DateRange chosen : {DateRange::DateRangeFixedStart, DateRange::DateRangeFixedRange, DateRange::DateRangeLastWeek}) {
    auto config = ChosenViewConfig();
    config->ga.dateRange = chosen;
    config->ga.startDate = QDate(2026, 2, 1);
    config->ga.endDate = QDate(2026, 2, 28);
    const auto dateRange = GoogleAnalyticsPresModelBuilder(config).Build()->GetDateRangeModel();

    ASSERT_EQ(dateRange->GetDateRangeOptionCount(), ranges.size());
    std::size_t position = 0;
    for (const auto& [range, description] : ranges) {
      EXPECT_EQ(dateRange->GetDateRangeOption(position)->GetOptionType(), range);
      EXPECT_EQ(dateRange->GetDateRangeOption(position)->GetDescription(), LookupTStr(description));
      ++position;
    }
    EXPECT_EQ(dateRange->GetSelectedIndex(), static_cast<int>(chosen));

    bool startEditable = false, endEditable = false;
    GoogleAnalytics::GetEditableState(chosen, startEditable, endEditable);
    EXPECT_EQ(dateRange->GetStartDate()->GetIsEditable(), startEditable);
    EXPECT_EQ(dateRange->GetEndDate()->GetIsEditable(), endEditable);
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
  EXPECT_FALSE(absent->GetIsVisible());
  EXPECT_FALSE(absent->GetIsEnabled());
  EXPECT_FALSE(absent->GetCanPartition());
  EXPECT_TRUE(absent->GetStatusText().isEmpty());

  config->ga.responseInfo = {{QStringLiteral("response-sampled"), DataValue::MakeBoolean(false)},
                             {QStringLiteral("sample-size"), DataValue::MakeInteger(1)}};
  EXPECT_FALSE(Partitioning(config)->GetIsVisible());
  EXPECT_FALSE(Asked(*config, "GetPartitionRestrictingItems(0)"));
}

TEST(GoogleAnalyticsPresModelBuilderTest, SampleShareHasTwoDecimalsAndTheSpaceIsGroupedByLocale) {
  auto config = SampledConfig(250000, 1000000);
  config->ga.canPartition = true;
  {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto partitioning = Partitioning(config);
    EXPECT_EQ(partitioning->GetStatusText(), QStringLiteral("The results are based on 25.00% of 1,000,000 sessions."));
    EXPECT_EQ(partitioning->GetButtonText(), LookupTStr(0x241eb0f8));
    EXPECT_EQ(partitioning->GetButtonTooltip(), LookupTStr(0xb60c02a0));
    EXPECT_TRUE(partitioning->GetIsVisible());
    EXPECT_TRUE(partitioning->GetCanPartition());
    EXPECT_FALSE(partitioning->GetIsEnabled());
  }
  {
    ScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
    config = SampledConfig(1, 3);
    config->ga.canPartition = true;
    EXPECT_EQ(Partitioning(config)->GetStatusText(), QStringLiteral("The results are based on 33.33% of 3 sessions."));
    config = SampledConfig(2, 3000);
    config->ga.canPartition = true;
    // The share is not localized; the sample space is.
    EXPECT_EQ(Partitioning(config)->GetStatusText(), QStringLiteral("The results are based on 0.07% of 3.000 sessions."));
  }
}

TEST(GoogleAnalyticsPresModelBuilderTest, PartitionedQueryOffersToStopPartitioning) {
  auto config = SampledConfig(10, 100);
  config->ga.canPartition = true;
  config->ga.partitioningOn = true;
  const auto partitioning = Partitioning(config);
  EXPECT_EQ(partitioning->GetStatusText(), LookupTStr(0x751569a3));
  EXPECT_EQ(partitioning->GetButtonText(), LookupTStr(0x18763ab4));
  EXPECT_EQ(partitioning->GetButtonTooltip(), LookupTStr(0xfd2a6f18));
  EXPECT_TRUE(partitioning->GetIsEnabled());
  EXPECT_TRUE(partitioning->GetCanPartition());
  EXPECT_TRUE(partitioning->GetIsVisible());
}

TEST(GoogleAnalyticsPresModelBuilderTest, UnpartitionableQueryNamesWhatRestrictsIt) {
  ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
  auto config = SampledConfig(500, 2000);
  config->ga.partitioningOn = true;  // on, but the query cannot be partitioned
  // Listed in id order, by name (not by alternate name).
  config->ga.restrictingSecond = {
      {QStringLiteral("ga:b"), {TString(), QStringLiteral("Sessions"), QStringLiteral("Visits"), TString(), true}},
      {QStringLiteral("ga:a"), {TString(), QStringLiteral("Users"), TString(), TString(), true}}};

  auto partitioning = Partitioning(config);
  EXPECT_EQ(partitioning->GetStatusText(),
            QStringLiteral("The results are based on 25.00% of 2,000 sessions. This query cannot be partitioned."));
  EXPECT_EQ(partitioning->GetButtonText(), LookupTStr(0x241eb0f8));
  EXPECT_EQ(partitioning->GetButtonTooltip(),
            QStringLiteral("The query cannot be partitioned because it uses these measures:\n    Users\n    Sessions"));
  EXPECT_FALSE(partitioning->GetCanPartition());
  EXPECT_TRUE(partitioning->GetIsEnabled());
  EXPECT_TRUE(partitioning->GetIsVisible());

  // The first list, when it has items, is the one named.
  config->ga.restrictingFirst = {
      {QStringLiteral("ga:city"), {TString(), QStringLiteral("City"), TString(), TString(), true}}};
  EXPECT_EQ(Partitioning(config)->GetButtonTooltip(),
            QStringLiteral("The query cannot be partitioned because it uses these dimensions:\n    City"));

  // A general restriction names nothing.
  config->ga.generalRestriction = true;
  EXPECT_EQ(Partitioning(config)->GetButtonTooltip(), LookupTStr(0x5b1c861f));
}

}  // namespace
