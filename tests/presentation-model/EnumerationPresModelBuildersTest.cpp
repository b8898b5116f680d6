#include "presentation-model/EnumerationPresModelBuilders.h"

#include "host/connect/DataSourceException.h"
#include "tests/support/ConnectServices.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

QualifiedName Name(std::vector<TString> components) { return QualifiedName(std::move(components)); }

RelationalDSConnectionConfigTableInfo Table(const char* name, TablePillIcon icon = TablePillIcon::Sheet,
                                            bool enabled = true) {
  const TString text = QLatin1String(name);
  return RelationalDSConnectionConfigTableInfo(Name({QStringLiteral("public"), text}), text + QStringLiteral(" caption"),
                                               text + QStringLiteral(" tooltip"), text + QStringLiteral(" key"), icon,
                                               enabled);
}

// A connection whose every list applies and holds something.
RefCntPtr<fake::RelationalConfig> EveryListConfig() {
  auto config = MakeRefCnt<fake::RelationalConfig>();
  config->rel.lists = {QStringLiteral("StandardConnections"), QStringLiteral("StoredProcedures"),
                       QStringLiteral("Databases"),           QStringLiteral("Schemas"),
                       QStringLiteral("Tables"),              QStringLiteral("Warehouses")};
  config->rel.standardConnections = {QStringLiteral("Sales")};
  config->rel.storedProcedures = {Name({QStringLiteral("dbo"), QStringLiteral("refresh")})};
  config->rel.warehouses = {{QStringLiteral("WH_1"), QStringLiteral("Warehouse one")}};
  config->rel.databases = {QStringLiteral("sales")};
  config->rel.schemas = {QStringLiteral("public")};
  config->rel.tables = {Table("orders")};
  return config;
}

// Builds all six pickers of `config` and checks that every one is empty.
void ExpectSixEmptyPickers(const RefCntPtr<const RelationalDSConnectionConfig>& config) {
  EXPECT_EQ(DatabaseEnumerationPresModelBuilder(config).Build()->GetDatabaseInfoCount(), 0u);
  EXPECT_EQ(SchemaEnumerationPresModelBuilder(config).Build()->GetSchemaInfoCount(), 0u);
  EXPECT_EQ(StoredProcedureEnumerationPresModelBuilder(config).Build()->GetStoredProcInfoCount(), 0u);
  const auto warehouses = WarehouseEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(warehouses->GetWarehouseNameCount(), 0u);
  EXPECT_EQ(warehouses->GetWarehouseInfoCount(), 0u);
  const auto standard = StandardConnectionEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(standard->GetStandardConnectionInfoCount(), 0u);
  EXPECT_EQ(standard->GetStandardConnectionTooltipCount(), 0u);
  const auto tables = TableEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(tables->GetTableInfoCount(), 0u);
  EXPECT_TRUE(tables->GetAllowPreviewData());
}

TEST(EnumerationPresModelBuildersTest, NothingIsFetchedWithoutAConfigurationAFinishedConnectionOrAList) {
  ExpectSixEmptyPickers(nullptr);
  fake::ConnectServices services;
  // A connection not to be finished is asked nothing; where no list applies, only whether each
  // does is asked: no fetch, no tooltip and no capability.
  for (const bool finished : {false, true}) {
    auto config = EveryListConfig();
    config->rel.capabilities = {TableEnumerationPresModelBuilder::kNoDataPreviewCapability};
    config->state.shouldFinishConnection = finished;
    if (finished) config->rel.lists.clear();
    ExpectSixEmptyPickers(config);
    EXPECT_EQ(config->rel.asked.size(), finished ? 6u : 0u);
    for (const QString& asked : config->rel.asked) EXPECT_TRUE(asked.startsWith(QLatin1String("CanEnumerate"))) << asked.toStdString();
  }
}

TEST(EnumerationPresModelBuildersTest, PlainListsKeepTheHostsOrderAndDuplicates) {
  auto config = EveryListConfig();
  config->rel.databases = {QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("zeta")};
  config->rel.schemas = {QStringLiteral("sales"), QStringLiteral("hr")};
  config->rel.storedProcedures = {Name({QStringLiteral("dbo"), QStringLiteral("b")}),
                                  Name({QStringLiteral("dbo"), QStringLiteral("a")})};
  EXPECT_EQ(DatabaseEnumerationPresModelBuilder(config).Build()->GetDatabaseInfos(), config->rel.databases);
  EXPECT_EQ(StoredProcedureEnumerationPresModelBuilder(config).Build()->GetStoredProcInfos(),
            config->rel.storedProcedures);
  EXPECT_EQ(SchemaEnumerationPresModelBuilder(config).Build()->GetSchemaInfos(), config->rel.schemas);
}

TEST(EnumerationPresModelBuildersTest, TableFieldsAreCopiedIntoTheirOwnFieldsInOrder) {
  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->rel.tables = {Table("orders", TablePillIcon::StoredProcedure, false), Table("items", TablePillIcon::NamedRange)};

  const auto model = TableEnumerationPresModelBuilder(config).Build();
  ASSERT_EQ(model->GetTableInfoCount(), 2u);
  const auto& orders = model->GetTableInfo(0);
  EXPECT_EQ(orders->GetName(), Name({QStringLiteral("public"), QStringLiteral("orders")}));
  EXPECT_EQ(orders->GetCaption(), QStringLiteral("orders caption"));
  EXPECT_EQ(orders->GetTooltip(), QStringLiteral("orders tooltip"));
  EXPECT_EQ(orders->GetSortKey(), QStringLiteral("orders key"));
  EXPECT_EQ(orders->GetIconEnum(), TablePillIcon::StoredProcedure);
  EXPECT_FALSE(orders->GetIsEnabled());
  EXPECT_TRUE(orders->GetRanking().isEmpty());
  EXPECT_EQ(model->GetTableInfo(1)->GetCaption(), QStringLiteral("items caption"));
  EXPECT_EQ(model->GetTableInfo(1)->GetIconEnum(), TablePillIcon::NamedRange);
  EXPECT_TRUE(model->GetTableInfo(1)->GetIsEnabled());
}

TEST(EnumerationPresModelBuildersTest, PreviewNeedsNeitherCapability412NorASemiStructuredClass) {
  struct Case {
    std::set<int> capabilities;
    bool semiStructured;
    bool allowsPreview;
  };
  const Case cases[] = {
      {{}, false, true},
      {{411, 413}, false, true},  // only capability 412 forbids preview
      {{412}, false, false},
      {{}, true, false},
      {{412}, true, false},
  };
  for (const Case& c : cases) {
    fake::ConnectServices services;
    auto config = EveryListConfig();
    config->rel.capabilities = c.capabilities;
    if (c.semiStructured) services.registry->semiStructured.insert(config->ClassName());
    const auto model = TableEnumerationPresModelBuilder(config).Build();
    EXPECT_EQ(model->GetAllowPreviewData(), c.allowsPreview)
        << "capabilities " << c.capabilities.size() << ", semi-structured " << c.semiStructured;
    EXPECT_EQ(model->GetTableInfoCount(), 1u);  // the tables are listed either way
  }
}

TEST(EnumerationPresModelBuildersTest, FailedTableFetchKeepsWhatWasReadUnlessPreparingDataOrForNimbaraZeltra) {
  struct Case {
    ApplicationMode mode;
    const char* connectionClass;
    bool propagates;
  };
  const Case cases[] = {{ApplicationMode::kDesktop, "postgres", false},
                        // The server is not the data preparation product.
                        {ApplicationMode::kServer, "postgres", false},
                        {ApplicationMode::kPrep, "postgres", true},
                        {ApplicationMode::kPrepDesktop, "postgres", true},
                        {ApplicationMode::kDesktop, "nimbara-zeltra", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.connectionClass + std::string(" in mode ") + std::to_string(static_cast<int>(c.mode)));
    fake::ConnectServices services;
    services.appConfig->SetApplicationMode(c.mode);
    auto config = EveryListConfig();
    config->state.className = QLatin1String(c.connectionClass);
    config->rel.tables = {Table("orders"), Table("items")};
    config->rel.tablesFailure = DataSourceException(QStringLiteral("connection lost"));
    try {
      const auto model = TableEnumerationPresModelBuilder(config).Build();
      EXPECT_FALSE(c.propagates);
      ASSERT_EQ(model->GetTableInfoCount(), 2u);  // the tables read before the failure
      EXPECT_EQ(model->GetTableInfo(1)->GetCaption(), QStringLiteral("items caption"));
    } catch (const DataSourceException& e) {
      EXPECT_TRUE(c.propagates);
      EXPECT_EQ(e.GetMessage(), QStringLiteral("connection lost"));  // unchanged
    }
  }
}

TEST(EnumerationPresModelBuildersTest, OnlyTheTableBuilderCatchesAndOnlyDataSourceExceptions) {
  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->rel.afterEnumerate = [](const QString& query) {
    if (query == QLatin1String("EnumerateTables")) HLV_THROW_LOGIC("bug");
    throw DataSourceException(query);
  };
  EXPECT_THROW(TableEnumerationPresModelBuilder(config).Build(), LogicException);
  EXPECT_THROW(DatabaseEnumerationPresModelBuilder(config).Build(), DataSourceException);
  EXPECT_THROW(SchemaEnumerationPresModelBuilder(config).Build(), DataSourceException);
  EXPECT_THROW(WarehouseEnumerationPresModelBuilder(config).Build(), DataSourceException);
  EXPECT_THROW(StoredProcedureEnumerationPresModelBuilder(config).Build(), DataSourceException);
  EXPECT_THROW(StandardConnectionEnumerationPresModelBuilder(config).Build(), DataSourceException);
}

TEST(EnumerationPresModelBuildersTest, WarehousePairsGiveApiNameThenDisplayName) {
  auto config = EveryListConfig();
  config->rel.warehouses = {{QStringLiteral("COMPUTE_WH"), QStringLiteral("Compute")},
                            {QStringLiteral("ETL_WH"), QStringLiteral("Loading")}};

  const auto model = WarehouseEnumerationPresModelBuilder(config).Build();
  ASSERT_EQ(model->GetWarehouseNameCount(), 2u);
  EXPECT_EQ(model->GetWarehouseName(0)->GetApiName(), QStringLiteral("COMPUTE_WH"));
  EXPECT_EQ(model->GetWarehouseName(0)->GetDisplayName(), QStringLiteral("Compute"));
  EXPECT_EQ(model->GetWarehouseName(1)->GetApiName(), QStringLiteral("ETL_WH"));
  EXPECT_EQ(model->GetWarehouseName(1)->GetDisplayName(), QStringLiteral("Loading"));
  EXPECT_EQ(model->GetWarehouseInfoCount(), 0u);
}

TEST(EnumerationPresModelBuildersTest, StandardConnectionTooltipsHaveOneEntryPerName) {
  auto config = EveryListConfig();
  config->rel.standardConnections = {QStringLiteral("Sales"), QStringLiteral("Finance"), QStringLiteral("Sales")};
  config->rel.standardConnectionTooltips = {{QStringLiteral("Sales"), QStringLiteral("The sales mart")}};

  const auto model = StandardConnectionEnumerationPresModelBuilder(config).Build();
  EXPECT_EQ(model->GetStandardConnectionInfos(), config->rel.standardConnections);
  ASSERT_EQ(model->GetStandardConnectionTooltipCount(), 2u);
  EXPECT_EQ(model->GetStandardConnectionTooltip(QStringLiteral("Sales")), QStringLiteral("The sales mart"));
  ASSERT_TRUE(model->HasStandardConnectionTooltip(QStringLiteral("Finance")));  // without a tooltip: empty
  EXPECT_TRUE(model->GetStandardConnectionTooltip(QStringLiteral("Finance")).isEmpty());
}

}  // namespace
