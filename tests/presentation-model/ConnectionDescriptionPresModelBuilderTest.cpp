#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/ObjectFactory.h"
#include "host/connect/JoinDescription.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/CubeEnumerationPresModel.h"
#include "presentation-model/DatabaseEnumerationPresModel.h"
#include "presentation-model/GoogleAnalyticsConnectionDescriptionPresModel.h"
#include "presentation-model/HalvaneServerConnectionDescriptionPresModel.h"
#include "presentation-model/HlvdocPresModelHelper.h"
#include "presentation-model/SlowMetadataSearchPresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TString T(const char* text) { return QString::fromUtf8(text); }

template <typename Model>
std::string Write(const RefCntPtr<Model>& model) {
  return WriteParametersJson(*model->AsIParameters(), ParametersRegistry::Get());
}

/// A shared-document helper that keeps what it was handed and fills what a host's would.
class RecordingHelper final : public HlvdocPresModelHelper {
 public:
  struct Calls {
    std::vector<std::string> names;
    RefCntPtr<const DSConnectionConfig> config;
  };
  explicit RecordingHelper(Calls& calls) : m_calls(calls) {}

  void AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>& config,
                        RefCntPtr<ConnectionDescriptionPresModel>& record) override {
    m_calls.names.push_back("AddHalvaneServer");
    m_calls.config = config;
    auto server = MakeRefCnt<HalvaneServerConnectionDescriptionPresModel>();
    server->SetServerName(T("host's server"));
    server->SetUsername(T("host's user"));
    record->SetHalvaneServerPresModel(server);
  }
  void AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>&) override {
    m_calls.names.push_back("AddHalvaneServerData");
  }
  void AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>&,
                       const RefCntPtr<const RelationalDSConnectionConfig>& rel) override {
    m_calls.names.push_back("AddSlowMetadata");
    m_calls.config = rel;
  }

 private:
  Calls& m_calls;
};

/// Puts a RecordingHelper in place of the default helper for the life of a test.
class ScopedRecordingHelper {
 public:
  ScopedRecordingHelper() {
    ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, [this] {
      return RefCntPtr<RefCntObject>(MakeRefCnt<RecordingHelper>(calls));
    });
  }
  ~ScopedRecordingHelper() {
    ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, [] {
      return RefCntPtr<RefCntObject>(MakeRefCnt<DefaultHlvdocPresModelHelper>());
    });
  }
  RecordingHelper::Calls calls;
};

class ConnectionDescriptionPresModelBuilderTest : public ::testing::Test {
 protected:
  ConnectionDescriptionPresModelBuilderTest() {
    for (Configured* config : {&rel->state, &cube->state, &plain->state}) {
      config->dataSource = dataSource;
      config->attributes = {{T("class"), T("postgres")}, {T("server"), T("db.example.com")}, {T("dbname"), T("sales")}};
    }
    // The answers that let everything through; each test takes away what it is about.
    rel->rel.answers = {T("AllowCustomSQLWithOLAPOff"), T("AllowCustomSQLOrUnionWithNoLeftJoinSupported"),
                        T("AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)"),
                        T("AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)"), T("AllowCustomSQL"), T("AllowUnion"),
                        T("HasFastMetadata"), T("UsesJoinArea")};
  }

  static RefCntPtr<ConnectionDescriptionPresModel> Build(RefCntPtr<const DSConnectionConfig> config, bool olap = false) {
    return ConnectionDescriptionPresModelBuilder(std::move(config)).Build(olap);
  }
  static bool Asked(const fake::RelationalConfig& config, const char* query) {
    return std::count(config.rel.asked.begin(), config.rel.asked.end(), T(query)) != 0;
  }

  using Configured = fake::ConfigState;
  fake::ConnectServices services;
  RefCntPtr<fake::DataSource> dataSource = MakeRefCnt<fake::DataSource>();
  RefCntPtr<fake::RelationalConfig> rel = MakeRefCnt<fake::RelationalConfig>();
  RefCntPtr<fake::HierarchicalConfig> cube = MakeRefCnt<fake::HierarchicalConfig>();
  RefCntPtr<fake::PlainConfig> plain = MakeRefCnt<fake::PlainConfig>();
  const std::string emptyRecord = Write(MakeRefCnt<ConnectionDescriptionPresModel>());
};

TEST_F(ConnectionDescriptionPresModelBuilderTest, AFederatedConfigurationIsNeverDescribed) {
  rel->state.isFederated = true;
  try {
    ConnectionDescriptionPresModelBuilder builder(rel);
    FAIL() << "a federated configuration was accepted";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), T("!config || !config->IsFederatedConfig()"));
  }
  // Without a configuration there is nothing to refuse, and nothing to describe.
  ConnectionDescriptionPresModelBuilder none(nullptr);
  EXPECT_EQ(Write(none.Build(true)), emptyRecord);
  EXPECT_EQ(Write(none.BuildSimple()), Write(MakeRefCnt<SimpleConnectionDescriptionPresModel>()));
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, WithoutADataSourceOrWhenItSkipsTheRecordStaysEmpty) {
  rel->state.isConnected = true;
  rel->state.dataSource = nullptr;
  EXPECT_EQ(Write(Build(rel)), emptyRecord);
  EXPECT_TRUE(rel->rel.asked.empty());

  rel->state.dataSource = dataSource;
  dataSource->skipsConnectionDescription = true;
  EXPECT_EQ(Write(Build(rel)), emptyRecord);
  EXPECT_TRUE(rel->rel.asked.empty());

  dataSource->skipsConnectionDescription = false;
  EXPECT_NE(Write(Build(rel)), emptyRecord);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheConnectionItselfWithLabelsAndSortedAttributes) {
  plain->state.connectionType = ConnectionTypeEnum::InternetDS;
  plain->state.isConnected = true;
  plain->state.hasUncommittedChanges = true;
  plain->state.shouldFinishConnection = true;
  plain->state.connectionTypeLabel = T("PostgreSQL");
  plain->state.connectionDescriptionLabel = T("db.example.com");
  services.registry->recommendsDataSources = {T("postgres")};

  const RefCntPtr<ConnectionDescriptionPresModel> record = Build(plain);
  EXPECT_EQ(record->GetConnectionType(), ConnectionTypeEnum::InternetDS);
  EXPECT_TRUE(record->GetIsConnected());
  EXPECT_TRUE(record->GetHasUncommittedChanges());
  EXPECT_TRUE(record->GetIsFinishedConnecting());
  EXPECT_FALSE(record->GetCanRecommendTables());
  EXPECT_TRUE(record->GetCanRecommendDataSources());
  EXPECT_EQ(record->GetConnectionTypeLabel(), T("PostgreSQL connection"));
  EXPECT_EQ(record->GetConnectionDescriptionLabel(), T("db.example.com"));
  const std::map<TString, TString> expected = {
      {T("class"), T("postgres")}, {T("dbname"), T("sales")}, {T("server"), T("db.example.com")}};
  EXPECT_EQ(record->GetConnectionAttributess(), expected);
  // Neither relational, hierarchical nor Google Analytics: no widget is chosen.
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::Invalid);
  EXPECT_TRUE(record->GetIsTableSelectionVisible());

  plain->state.shouldFinishConnection = false;
  services.registry->recommendsTables = {T("postgres")};
  const RefCntPtr<ConnectionDescriptionPresModel> unfinished = Build(plain);
  EXPECT_FALSE(unfinished->GetIsFinishedConnecting());
  EXPECT_TRUE(unfinished->GetCanRecommendTables());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, AServerDataSourceIsDescribedByTheHelper) {
  plain->state.className = T("halvane-server");
  plain->state.connectionType = ConnectionTypeEnum::HalvaneServerDS;
  plain->state.isServerDataSource = true;
  plain->state.isGoogleAnalytics = true;  // the server data source comes first
  plain->state.connectionTypeLabel = T("not this one");
  plain->state.attributes = {{T("class"), T("halvane-server")},
                             {T("server"), T("https://analytics.example.com")},
                             {T("username"), T("ann")},
                             {T("datasource"), T("Orders")}};

  // The default helper reads the connection's attributes.
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(plain);
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::HalvaneServer);
  EXPECT_FALSE(record->GetIsTableSelectionVisible());
  EXPECT_EQ(record->GetConnectionTypeLabel(), T("Halvane Server data source, signed in as ann"));
  EXPECT_EQ(record->GetConnectionDescriptionLabel(), T("https://analytics.example.com"));
  EXPECT_EQ(record->GetHalvaneServerPresModel()->GetSelectedDSName(), T("Orders"));
  EXPECT_EQ(record->GetConnectionType(), ConnectionTypeEnum::HalvaneServerDS);
  // The rest of the page is not built.
  EXPECT_FALSE(record->GetIsFinishedConnecting());
  EXPECT_FALSE(record->GetGoogleAnalyticsPresModel()->GetAreBasicItemsEnabled());

  // A host's helper replaces it, handed this configuration.
  ScopedRecordingHelper helper;
  record = Build(plain);
  EXPECT_EQ(helper.calls.names, std::vector<std::string>{"AddHalvaneServer"});
  EXPECT_EQ(helper.calls.config, plain);
  EXPECT_EQ(record->GetConnectionTypeLabel(), T("Halvane Server data source, signed in as host's user"));
  EXPECT_EQ(record->GetConnectionDescriptionLabel(), T("host's server"));
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, CustomSQLNeedsAllThreeConditionsAndUnionAllButOLAP) {
  struct Case {
    const char* label;
    bool olapFlag;
    std::vector<const char*> refused;
    bool customSQL, union_;
  };
  const Case cases[] = {
      {"everything allowed", false, {}, true, true},
      {"OLAP off refused, flag false", false, {"AllowCustomSQLWithOLAPOff"}, false, true},
      {"OLAP off refused, flag true", true, {"AllowCustomSQLWithOLAPOff"}, true, true},
      {"no left joins", true, {"AllowCustomSQLOrUnionWithNoLeftJoinSupported"}, false, false},
      {"no calculations with OLAP", true, {"AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)"}, false, false},
      {"no calculations without OLAP", false, {"AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)"}, false, false},
      // Asked with the other flag, the answer must not count.
      {"calculations refused for the other flag", true, {"AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)"}, true,
       true},
      {"no custom SQL", false, {"AllowCustomSQL"}, false, true},
      {"no union", false, {"AllowUnion"}, true, false},
  };
  rel->state.configName = T("Sales");
  const std::set<QString> all = rel->rel.answers;
  for (const Case& c : cases) {
    rel->rel.answers = all;
    for (const char* refused : c.refused) rel->rel.answers.erase(T(refused));
    rel->rel.asked.clear();
    const RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel, c.olapFlag);
    EXPECT_EQ(record->GetAllowCustomSQL(), c.customSQL) << c.label;
    EXPECT_EQ(record->GetAllowUnion(), c.union_) << c.label;
    // With the flag, custom SQL with OLAP off is not even asked.
    if (c.olapFlag) EXPECT_FALSE(Asked(*rel, "AllowCustomSQLWithOLAPOff")) << c.label;
  }

  // The union is asked for the configuration's own name.
  rel->rel.answers = all;
  rel->rel.answers.erase(T("AllowUnion"));
  rel->rel.answers.insert(T("AllowUnion(another name)"));
  EXPECT_FALSE(Build(rel)->GetAllowUnion());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, CrossSchemaJoinsWarnOnlyWithoutSupportAndWithTableRelations) {
  rel->rel.tableRelationCount = 2;
  rel->rel.answers.insert(T("HasJoinAcrossSchemas"));
  EXPECT_FALSE(Build(rel)->GetShouldWarnForCrossSchemaJoins());
  EXPECT_FALSE(Asked(*rel, "GetTableRelationCount"));

  rel->rel.answers.erase(T("HasJoinAcrossSchemas"));
  EXPECT_TRUE(Build(rel)->GetShouldWarnForCrossSchemaJoins());
  rel->rel.tableRelationCount = 0;
  EXPECT_FALSE(Build(rel)->GetShouldWarnForCrossSchemaJoins());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, OnlyTheFifteenLabelsReachTheUIProperties) {
  const QLatin1String labels[] = {
      JoinDescription::ConnectionTypeLabel,           JoinDescription::ConnectionDescriptionHeaderLabel,
      JoinDescription::ConnectionDescriptionLabel,    JoinDescription::DatabaseHeaderLabel,
      JoinDescription::DatabaseLabel,                 JoinDescription::SchemaHeaderLabel,
      JoinDescription::SchemaLabel,                   JoinDescription::TableHeaderLabel,
      JoinDescription::StandardConnectionHeaderLabel, JoinDescription::WarehouseHeaderLabel,
      JoinDescription::SingleTableLabel,              JoinDescription::MultipleTableLabel,
      JoinDescription::DatabaseComboFallbackText,     JoinDescription::SchemaComboFallbackText,
      JoinDescription::WarehouseComboFallbackText};
  std::map<TString, TString> expected;
  for (QLatin1String label : labels) expected[label] = T("text of ") + label;
  rel->rel.joinDescriptionProperties = expected;
  // Near misses are not labels: the comparison is exact.
  for (const char* other : {"connectiontypelabel", "ConnectionTypeLabel ", "TableLabel", "JoinType", ""})
    rel->rel.joinDescriptionProperties[T(other)] = T("dropped");

  EXPECT_EQ(Build(rel)->GetUIPropertys(), expected);
  EXPECT_EQ(expected.size(), 15u);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheRelationalPageTakesTheConfigurationsAnswers) {
  rel->rel.texts = {{T("TablePlaceholderText"), T("Search tables")},
                    {T("StandardConnectionPlaceholderText"), T("Pick a connection")},
                    {T("WarehouseName"), T("COMPUTE_WH")},
                    {T("DatabaseName"), T("sales")},
                    {T("SchemaName"), T("public")}};
  for (const char* answer : {"AllowCustomSQLWithoutSchema", "AllowCustomDatabase", "AllowCustomSchema",
                             "AllowStoredProc", "HasWarehouse", "HasDatabase", "IsSchemaOptional", "HasSchema",
                             "HasTables"})
    rel->rel.answers.insert(T(answer));
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel);
  EXPECT_EQ(record->GetTablePlaceholderText(), T("Search tables"));
  EXPECT_EQ(record->GetStandardConnectionPlaceholderText(), T("Pick a connection"));
  EXPECT_TRUE(record->GetHasFastMetadata());
  EXPECT_TRUE(record->GetAllowCustomSQLWithoutSchema());
  EXPECT_TRUE(record->GetAllowCustomDatabase());
  EXPECT_TRUE(record->GetAllowCustomSchema());
  EXPECT_TRUE(record->GetAllowStoredProc());
  EXPECT_EQ(record->GetWarehouseName(), T("COMPUTE_WH"));
  EXPECT_TRUE(record->GetHasWarehouse());
  EXPECT_EQ(record->GetDatabaseName(), T("sales"));
  EXPECT_TRUE(record->GetHasDatabase());
  EXPECT_TRUE(record->GetSchemaOptional());
  EXPECT_EQ(record->GetSchemaName(), T("public"));
  EXPECT_TRUE(record->GetHasSchema());
  EXPECT_TRUE(record->GetHasTables());
  EXPECT_FALSE(record->GetHasBigQueryLegacySQLCheck());
  EXPECT_FALSE(Asked(*rel, "BigQueryLegacySQLCheckState"));

  // The legacy SQL check box shows its state only where there is one; an ignored schema is
  // not named.
  rel->rel.answers.insert({T("HasBigQueryLegacySQLCheck"), T("BigQueryLegacySQLCheckState"), T("ShouldIgnoreSchema")});
  record = Build(rel);
  EXPECT_TRUE(record->GetHasBigQueryLegacySQLCheck());
  EXPECT_TRUE(record->GetBigQueryLegacySQLCheckStatus());
  EXPECT_EQ(record->GetSchemaName(), TString());
  rel->rel.answers.erase(T("BigQueryLegacySQLCheckState"));
  record = Build(rel);
  EXPECT_TRUE(record->GetHasBigQueryLegacySQLCheck());
  EXPECT_FALSE(record->GetBigQueryLegacySQLCheckStatus());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, ThePickersAreBuiltInPageOrder) {
  rel->rel.lists = {T("Warehouses"), T("Databases"), T("Schemas"), T("StandardConnections"), T("StoredProcedures"),
                    T("Tables")};
  rel->rel.databases = {T("sales"), T("hr")};
  rel->rel.tables.emplace_back(QualifiedName(std::vector<TString>{T("public"), T("orders")}), T("orders"), TString(), T("orders"),
                               TablePillIcon::ListItem, true);
  const RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel);
  EXPECT_EQ(record->GetDatabaseEnumerationPresModel()->GetDatabaseInfos(), rel->rel.databases);
  ASSERT_EQ(record->GetTableEnumerationPresModel()->GetTableInfoCount(), 1u);

  std::vector<QString> lists;
  for (const QString& query : rel->rel.asked)
    if (query.startsWith(T("CanEnumerate"))) lists.push_back(query);
  EXPECT_EQ(lists, (std::vector<QString>{T("CanEnumerateWarehouses"), T("CanEnumerateDatabases"),
                                         T("CanEnumerateSchemas"), T("CanEnumerateStandardConnections"),
                                         T("CanEnumerateStoredProcedures"), T("CanEnumerateTables")}));
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, SlowMetadataIsHandedToTheHelper) {
  ScopedRecordingHelper helper;
  Build(rel);
  EXPECT_TRUE(helper.calls.names.empty());

  rel->rel.answers.erase(T("HasFastMetadata"));
  const RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel);
  EXPECT_FALSE(record->GetHasFastMetadata());
  EXPECT_EQ(helper.calls.names, std::vector<std::string>{"AddSlowMetadata"});
  EXPECT_EQ(helper.calls.config, rel);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, EachKindOfConnectionHasItsWidget) {
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel);
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::JoinArea);
  EXPECT_TRUE(record->GetIsTableSelectionVisible());

  rel->rel.answers.erase(T("UsesJoinArea"));
  record = Build(rel);
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::NoWidget);
  EXPECT_FALSE(record->GetIsTableSelectionVisible());

  record = Build(cube);
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::CubeSelection);
  EXPECT_FALSE(record->GetIsTableSelectionVisible());

  auto ga = MakeRefCnt<fake::GoogleAnalyticsConfig>();
  ga->state.dataSource = dataSource;
  ga->ga.accounts = {{T("Acme"), T("1001")}};
  record = Build(ga);
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::GoogleAnalytics);
  EXPECT_FALSE(record->GetIsTableSelectionVisible());
  // The Google Analytics page is the one its builder made of this configuration.
  EXPECT_TRUE(record->GetGoogleAnalyticsPresModel()->GetAreBasicItemsEnabled());
  EXPECT_EQ(record->GetGoogleAnalyticsPresModel()->GetPossibleAccountsCount(), 2u);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, CubeVariablesCountOnlyOnceACubeIsChosen) {
  cube->state.dbVariablesCount = 3;
  cube->catalogs = {HierarchicalDSConnectionConfig::CatalogInfo(T("Adventure Works"))};
  cube->cubes = {HierarchicalDSConnectionConfig::CubeInfo(QualifiedName(std::vector<TString>{T("Adventure Works"), T("Sales")}), T("Sales"),
                                                          T("Sales cube"), DateTime())};
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(cube);
  EXPECT_EQ(record->GetCubeEnumerationPresModel()->GetPossibleCubeCount(), 1u);
  EXPECT_EQ(record->GetVariablesCount(), 0u);
  EXPECT_FALSE(record->GetAreVariablesVisible());

  cube->currentCube = cube->cubes.front();
  record = Build(cube);
  EXPECT_EQ(record->GetCubeEnumerationPresModel()->GetSelectedCubeIndex(), 0);
  EXPECT_EQ(record->GetVariablesCount(), 3u);
  EXPECT_TRUE(record->GetAreVariablesVisible());

  cube->state.dbVariablesCount = 0;
  record = Build(cube);
  EXPECT_EQ(record->GetVariablesCount(), 0u);
  EXPECT_FALSE(record->GetAreVariablesVisible());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheDataCloudSelectorFollowsTheFlagAndTheClassAttribute) {
  plain->state.attributes[T("class")] = T("nimbara-zeltra");
  services.flags->Set(FeatureFlagIds::kDataCloudObjectSelector, false);
  EXPECT_FALSE(Build(plain)->GetHasDataCloudObjectSelector());

  services.flags->Set(FeatureFlagIds::kDataCloudObjectSelector, true);
  EXPECT_TRUE(Build(plain)->GetHasDataCloudObjectSelector());
  // It is the attribute that counts, not the configuration's class.
  plain->state.className = T("nimbara-zeltra");
  plain->state.attributes[T("class")] = T("nimbara");
  EXPECT_FALSE(Build(plain)->GetHasDataCloudObjectSelector());
  plain->state.attributes.erase(T("class"));
  EXPECT_FALSE(Build(plain)->GetHasDataCloudObjectSelector());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheSimpleDescriptionNeedsNoDataSource) {
  rel->state.dataSource = nullptr;
  rel->state.connectionType = ConnectionTypeEnum::FileDS;
  services.registry->recommendsTables = {T("postgres")};
  const RefCntPtr<SimpleConnectionDescriptionPresModel> record = ConnectionDescriptionPresModelBuilder(rel).BuildSimple();
  EXPECT_EQ(record->GetConnectionType(), ConnectionTypeEnum::FileDS);
  EXPECT_TRUE(record->GetCanRecommendTables());
  EXPECT_FALSE(record->GetCanRecommendDataSources());
  EXPECT_TRUE(record->GetHasFastMetadata());
  EXPECT_EQ(record->GetConnectionAttributess(),
            (std::map<TString, TString>{rel->state.attributes.begin(), rel->state.attributes.end()}));
  EXPECT_TRUE(rel->rel.asked.empty());
}

}  // namespace
