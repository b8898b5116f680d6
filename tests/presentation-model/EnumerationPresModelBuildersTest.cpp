#include "presentation-model/EnumerationPresModelBuilders.h"

#include "host/connect/DataSourceException.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "tests/support/ConnectServices.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

template <typename Model>
std::string Write(const RefCntPtr<const Model>& model) {
  return WriteParametersJson(*model->AsIParameters(), ParametersRegistry::Get());
}

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

TEST(EnumerationPresModelBuildersTest, NullConfigurationGivesEmptyRecords) { ExpectSixEmptyPickers(nullptr); }

TEST(EnumerationPresModelBuildersTest, NothingIsAskedOfAConnectionNotToBeFinished) {
  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->rel.capabilities = {TableEnumerationPresModelBuilder::kNoDataPreviewCapability};
  config->state.shouldFinishConnection = false;
  ExpectSixEmptyPickers(config);
  EXPECT_TRUE(config->rel.asked.empty()) << config->rel.asked.front().toStdString();
}

TEST(EnumerationPresModelBuildersTest, ListThatDoesNotApplyIsNotFetched) {
  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->rel.lists.clear();
  config->rel.capabilities = {TableEnumerationPresModelBuilder::kNoDataPreviewCapability};
  ExpectSixEmptyPickers(config);
  // Only the Can queries were asked: no fetch, no tooltip and no capability.
  for (const QString& asked : config->rel.asked) EXPECT_TRUE(asked.startsWith(QLatin1String("CanEnumerate"))) << asked.toStdString();
  EXPECT_EQ(config->rel.asked.size(), 6u);
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
  EXPECT_EQ(Write(SchemaEnumerationPresModelBuilder(config).Build()),
            R"({"gen-schema-enumeration-pres-model":{"connection-schemas":["sales","hr"]}})");
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

TEST(EnumerationPresModelBuildersTest, FailedTableFetchKeepsTheTablesReadBeforeIt) {
  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->rel.tables = {Table("orders"), Table("items")};
  config->rel.tablesFailure = DataSourceException(QStringLiteral("permission denied for schema audit"));

  const auto model = TableEnumerationPresModelBuilder(config).Build();
  ASSERT_EQ(model->GetTableInfoCount(), 2u);
  EXPECT_EQ(model->GetTableInfo(0)->GetCaption(), QStringLiteral("orders caption"));
  EXPECT_EQ(model->GetTableInfo(1)->GetCaption(), QStringLiteral("items caption"));

  config->rel.tables.clear();  // a fetch that fails at once gives an empty list
  EXPECT_EQ(TableEnumerationPresModelBuilder(config).Build()->GetTableInfoCount(), 0u);
}

TEST(EnumerationPresModelBuildersTest, FailedTableFetchPropagatesInDataPreparationAndForNimbaraZeltra) {
  for (const ApplicationMode mode : {ApplicationMode::kPrep, ApplicationMode::kPrepDesktop}) {
    fake::ConnectServices services;
    services.appConfig->SetApplicationMode(mode);
    auto config = EveryListConfig();
    config->rel.tablesFailure = DataSourceException(QStringLiteral("connection lost"));
    EXPECT_THROW(TableEnumerationPresModelBuilder(config).Build(), DataSourceException);
  }

  fake::ConnectServices services;
  auto config = EveryListConfig();
  config->state.className = QStringLiteral("nimbara-zeltra");
  config->rel.tablesFailure = DataSourceException(QStringLiteral("connection lost"));
  try {
    TableEnumerationPresModelBuilder(config).Build();
    FAIL() << "no exception";
  } catch (const DataSourceException& e) {
    EXPECT_EQ(e.GetMessage(), QStringLiteral("connection lost"));  // unchanged
  }

  // The server is not the data preparation product: there the failure is swallowed.
  services.appConfig->SetApplicationMode(ApplicationMode::kServer);
  config->state.className = QStringLiteral("postgres");
  EXPECT_NO_THROW(TableEnumerationPresModelBuilder(config).Build());
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
  EXPECT_EQ(model->GetWarehouseInfoCount(), 0u);
  EXPECT_EQ(Write(model),
            R"({"gen-warehouse-enumeration-pres-model":{"connection-warehouses":[],"warehouse-names-list":[)"
            R"({"datasource-warehouse-name":"COMPUTE_WH","datasource-warehouse-display-name":"Compute"},)"
            R"({"datasource-warehouse-name":"ETL_WH","datasource-warehouse-display-name":"Loading"}]}})");
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
  EXPECT_EQ(Write(model), R"({"gen-standard-connection-enumeration-pres-model":{"standard-connections":)"
                          R"(["Sales","Finance","Sales"],"string-map":{"Finance":"","Sales":"The sales mart"}}})");
}

}  // namespace
