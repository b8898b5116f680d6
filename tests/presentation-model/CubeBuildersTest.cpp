#include "presentation-model/CubeCatalogEnumerationPresModelBuilder.h"
#include "presentation-model/CubeEnumerationPresModelBuilder.h"

#include "host/Exceptions.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using CatalogInfo = HierarchicalDSConnectionConfig::CatalogInfo;
using CubeInfo = HierarchicalDSConnectionConfig::CubeInfo;

// --- Catalogs ------------------------------------------------------------------------------

std::vector<TString> Names(std::vector<const char*> names) {
  std::vector<TString> result;
  for (const char* name : names) result.push_back(QLatin1String(name));
  return result;
}

std::vector<TString> CatalogNames(const CubeCatalogEnumerationPresModel& model) {
  std::vector<TString> names;
  for (const auto& catalog : model.GetPossibleCatalogs()) names.push_back(catalog->GetCatalogName());
  return names;
}

RefCntPtr<fake::HierarchicalConfig> CatalogConfig(std::vector<const char*> names) {
  auto config = MakeRefCnt<fake::HierarchicalConfig>();
  for (const char* name : names) config->catalogs.emplace_back(QLatin1String(name));
  return config;
}

TEST(CubeCatalogEnumerationPresModelBuilderTest, NullConfigurationListsNothing) {
  EXPECT_EQ(CubeCatalogEnumerationPresModelBuilder(nullptr).Build()->GetPossibleCatalogCount(), 0u);
  EXPECT_EQ(CubeEnumerationPresModelBuilder(nullptr).Build()->GetPossibleCubeCount(), 0u);
}

TEST(CubeCatalogEnumerationPresModelBuilderTest, AscendingPutsTheGreaterNameFirstIgnoringCase) {
  // Compared with case, "Beta" would sort before "alpha"; ignoring it, after.
  auto config = CatalogConfig({"alpha", "gamma", "Beta"});
  config->catalogListPrompt = QStringLiteral("Catalog");
  const auto ascending = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(CatalogNames(*ascending), Names({"gamma", "Beta", "alpha"}));
  EXPECT_EQ(ascending->GetSortDirection(), SortDirection::Asc);
  EXPECT_EQ(ascending->GetCatalogListPrompt(), QStringLiteral("Catalog"));

  config->catalogSortDirection = SortDirection::Desc;
  const auto descending = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(CatalogNames(*descending), Names({"alpha", "Beta", "gamma"}));
  EXPECT_EQ(descending->GetSortDirection(), SortDirection::Desc);
}

TEST(CubeCatalogEnumerationPresModelBuilderTest, SearchKeepsTheChosenCatalogAndCountsOnlyWhatIsListed) {
  auto config = CatalogConfig({"Sales 2024", "HR", "Finance", "sales 2025", "Audit"});
  config->catalogSortDirection = SortDirection::Desc;  // Audit, Finance, HR, Sales 2024, sales 2025
  config->catalogSearchTerm = QStringLiteral("SALES");
  config->currentCatalog = CatalogInfo(QStringLiteral("HR"));

  const auto model = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(CatalogNames(*model), Names({"HR", "Sales 2024", "sales 2025"}));
  EXPECT_EQ(model->GetSearchTerm(), QStringLiteral("SALES"));
  ASSERT_NE(model->GetSelectedCatalog(), nullptr);
  EXPECT_EQ(model->GetSelectedCatalog(), model->GetPossibleCatalog(0));  // Audit and Finance were left out
  EXPECT_EQ(model->GetSelectedCatalogIndex(), 0);

  // A catalog is searched by its name only, and an empty search lists everything.
  config->catalogSearchTerm.clear();
  config->currentCatalog = CatalogInfo(QStringLiteral("Sales 2024"));
  const auto all = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(all->GetPossibleCatalogCount(), 5u);
  EXPECT_EQ(all->GetSelectedCatalogIndex(), 3);
}

TEST(CubeCatalogEnumerationPresModelBuilderTest, OnlyAValidListedCatalogIsChosenAndTheLastMatchWins) {
  auto config = CatalogConfig({"Sales", "HR", "Sales"});
  config->currentCatalog = CatalogInfo(QStringLiteral("Sales"));
  const auto twice = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(twice->GetSelectedCatalogIndex(), 1);  // "asc": Sales, Sales, HR
  EXPECT_EQ(twice->GetSelectedCatalog(), twice->GetPossibleCatalog(1));

  config->currentCatalog = CatalogInfo(QStringLiteral("Marketing"));  // valid, but not listed
  const auto missing = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(missing->GetSelectedCatalog(), nullptr);
  EXPECT_EQ(missing->GetSelectedCatalogIndex(), -1);

  config->catalogs.emplace_back();  // a catalog without a name, matched by no invalid current one
  config->currentCatalog = CatalogInfo();
  const auto none = CubeCatalogEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(none->GetPossibleCatalogCount(), 4u);
  EXPECT_EQ(none->GetSelectedCatalog(), nullptr);
  EXPECT_EQ(none->GetSelectedCatalogIndex(), -1);
}

// --- Cubes ---------------------------------------------------------------------------------

DateTime At(int day, int hour = 12) { return DateTime(QDateTime(QDate(2026, 3, day), QTime(hour, 0), Qt::UTC)); }

CubeInfo Cube(const char* name, const char* description, DateTime lastUpdated = At(1)) {
  const TString text = QLatin1String(name);
  return CubeInfo(QualifiedName({QStringLiteral("Catalog"), text}), text, QLatin1String(description),
                  std::move(lastUpdated));
}

std::vector<TString> FullNames(const CubeEnumerationPresModel& model) {
  std::vector<TString> names;
  for (const auto& cube : model.GetPossibleCubes()) names.push_back(cube->GetFullName().GetComponents().back());
  return names;
}

RefCntPtr<fake::HierarchicalConfig> CubeConfig() {
  auto config = MakeRefCnt<fake::HierarchicalConfig>();
  // Name, description and time orders all differ, and "invalid" keeps this one.
  config->cubes = {Cube("Budget", "yearly plan", At(3)), Cube("actuals", "Monthly figures", At(1)),
                   Cube("Forecast", "rolling", At(2))};
  config->cubeMetadataCategories = {CubeMetadataCategory::Name, CubeMetadataCategory::Description};
  return config;
}

TEST(CubeEnumerationPresModelBuilderTest, EachColumnSortsBothWays) {
  struct Case {
    CubeMetadataCategory category;
    SortDirection direction;
    std::vector<TString> expected;
  };
  const Case cases[] = {
      // Text ignoring case, greater first for "asc".
      {CubeMetadataCategory::Name, SortDirection::Asc, Names({"Forecast", "Budget", "actuals"})},
      {CubeMetadataCategory::Name, SortDirection::Desc, Names({"actuals", "Budget", "Forecast"})},
      {CubeMetadataCategory::Description, SortDirection::Asc, Names({"Budget", "Forecast", "actuals"})},
      {CubeMetadataCategory::Description, SortDirection::Desc, Names({"actuals", "Forecast", "Budget"})},
      // Time, earliest first for "asc".
      {CubeMetadataCategory::LastUpdated, SortDirection::Asc, Names({"actuals", "Forecast", "Budget"})},
      {CubeMetadataCategory::LastUpdated, SortDirection::Desc, Names({"Budget", "Forecast", "actuals"})},
      // The host's order.
      {CubeMetadataCategory::Invalid, SortDirection::Asc, Names({"Budget", "actuals", "Forecast"})},
      {CubeMetadataCategory::Invalid, SortDirection::Desc, Names({"Budget", "actuals", "Forecast"})},
  };
  for (const Case& c : cases) {
    auto config = CubeConfig();
    config->cubeSortCategory = c.category;
    config->cubeSortDirection = c.direction;
    const auto model = CubeEnumerationPresModelBuilder(config).Build();
    EXPECT_EQ(FullNames(*model), c.expected)
        << "category " << static_cast<int>(c.category) << ", direction " << static_cast<int>(c.direction);
    EXPECT_EQ(model->GetSortMetadataCategory(), c.category);
    EXPECT_EQ(model->GetSortDirection(), c.direction);
  }
}

TEST(CubeEnumerationPresModelBuilderTest, SearchMatchesNameOrDescriptionAndKeepsTheChosenCube) {
  auto config = CubeConfig();
  config->cubes.push_back(Cube("Headcount", "staff", At(4)));
  config->cubeSortCategory = CubeMetadataCategory::Invalid;
  config->cubeSearchTerm = QStringLiteral("ROLL");  // Forecast's description
  config->currentCube = Cube("Budget", "yearly plan");

  auto model = CubeEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(FullNames(*model), Names({"Budget", "Forecast"}));
  EXPECT_EQ(model->GetSelectedCubeIndex(), 0);

  config->cubeSearchTerm = QStringLiteral("count");  // Headcount's name
  config->currentCube = Cube("Forecast", "rolling");
  model = CubeEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(FullNames(*model), Names({"Forecast", "Headcount"}));
  ASSERT_NE(model->GetSelectedCube(), nullptr);
  EXPECT_EQ(model->GetSelectedCube(), model->GetPossibleCube(0));  // Budget and actuals were left out
  EXPECT_EQ(model->GetSelectedCubeIndex(), 0);
  EXPECT_EQ(model->GetSearchTerm(), QStringLiteral("count"));

  config->cubeSearchTerm.clear();
  model = CubeEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetPossibleCubeCount(), 4u);
  EXPECT_EQ(model->GetSelectedCubeIndex(), 2);
}

TEST(CubeEnumerationPresModelBuilderTest, OnlyTheShownColumnsAreFilled) {
  auto config = CubeConfig();
  config->cubes = {Cube("Budget", "yearly plan", At(3))};
  config->cubeMetadataCategories = {CubeMetadataCategory::Name};
  auto model = CubeEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetMetadataCategories(), config->cubeMetadataCategories);
  ASSERT_EQ(model->GetPossibleCubeCount(), 1u);
  const auto& cube = model->GetPossibleCube(0);
  EXPECT_EQ(cube->GetFullName(), QualifiedName({QStringLiteral("Catalog"), QStringLiteral("Budget")}));
  EXPECT_EQ(cube->GetName(), QStringLiteral("Budget"));
  EXPECT_TRUE(cube->GetDescription().isEmpty());
  EXPECT_TRUE(cube->GetLastUpdated().isEmpty());

  // The time is written relative to the builder's current time, not the clock's.
  const DateTime now = At(3, 15);
  ASSERT_NE(MetadataFormatter::FormatFriendlyTimeUTC(At(3), &now), MetadataFormatter::FormatFriendlyTimeUTC(At(3), nullptr));
  config->cubeMetadataCategories = {CubeMetadataCategory::LastUpdated, CubeMetadataCategory::Description};
  CubeEnumerationPresModelBuilder builder(config);
  builder.SetCurrentDateTime(&now);
  model = builder.Build();
  EXPECT_TRUE(model->GetPossibleCube(0)->GetName().isEmpty());
  EXPECT_EQ(model->GetPossibleCube(0)->GetDescription(), QStringLiteral("yearly plan"));
  EXPECT_EQ(model->GetPossibleCube(0)->GetLastUpdated(), MetadataFormatter::FormatFriendlyTimeUTC(At(3), &now));
}

TEST(CubeEnumerationPresModelBuilderTest, ChosenCubeMatchesOnFullNameNameAndDescriptionAndTheLastMatchWins) {
  auto config = CubeConfig();
  config->cubes.push_back(Cube("Budget", "yearly plan", At(5)));  // equal to the first but for its time
  config->cubeSortCategory = CubeMetadataCategory::Name;
  config->currentCube = Cube("Budget", "yearly plan", At(9));  // the time does not count
  const auto model = CubeEnumerationPresModelBuilder(config).Build();
  // "asc" by name: Forecast, Budget (host's first), Budget (host's last), actuals.
  EXPECT_EQ(model->GetSelectedCubeIndex(), 2);
  EXPECT_EQ(model->GetSelectedCube(), model->GetPossibleCube(2));
}

TEST(CubeEnumerationPresModelBuilderTest, AMissingCurrentCubeAndAnUnknownSortColumnAreLogicErrors) {
  struct Case {
    CubeInfo current;
    int category;
    int line;
    const char* expression;
  };
  const Case cases[] = {
      // The same full name and name, another description.
      {Cube("Budget", "another description"), 0, 201,
       "!selectedCubeInfo.IsValid() || presModel->GetSelectedCube() != nullptr"},
      {CubeInfo(), 7, 85, "false"},
  };
  for (const Case& c : cases) {
    auto config = CubeConfig();
    config->currentCube = c.current;
    config->cubeSortCategory = static_cast<CubeMetadataCategory>(c.category);
    try {
      CubeEnumerationPresModelBuilder(config).Build();
      ADD_FAILURE() << "no exception, expected line " << c.line;
    } catch (const LogicException& e) {
      EXPECT_EQ(e.GetLine(), c.line);
      EXPECT_EQ(e.GetExpression(), QLatin1String(c.expression));
    }
  }
  // Without a valid current cube nothing is chosen, and that is no error.
  const auto model = CubeEnumerationPresModelBuilder(CubeConfig()).Build();
  EXPECT_EQ(model->GetSelectedCube(), nullptr);
  EXPECT_EQ(model->GetSelectedCubeIndex(), -1);
}

}  // namespace
