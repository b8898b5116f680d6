#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/ObjectFactory.h"
#include "presentation-model/CubeEnumerationPresModel.h"
#include "presentation-model/DatabaseEnumerationPresModel.h"
#include "presentation-model/GoogleAnalyticsConnectionDescriptionPresModel.h"
#include "presentation-model/HalvaneServerConnectionDescriptionPresModel.h"
#include "presentation-model/HlvdocPresModelHelper.h"
#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TString T(const char* text) { return QString::fromUtf8(text); }

/// A host's shared-document helper, in place of the default for the life of a test: it keeps
/// which of its operations ran with which configuration, and names a server of its own.
class ScopedHostHelper {
 public:
  std::vector<std::string> calls;
  RefCntPtr<const DSConnectionConfig> config;

  ScopedHostHelper() {
    ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId,
                                        [this] { return RefCntPtr<RefCntObject>(MakeRefCnt<Helper>(*this)); });
  }
  ~ScopedHostHelper() {
    ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, [] {
      return RefCntPtr<RefCntObject>(MakeRefCnt<DefaultHlvdocPresModelHelper>());
    });
  }

 private:
  class Helper final : public HlvdocPresModelHelper {
   public:
    explicit Helper(ScopedHostHelper& owner) : m_owner(owner) {}
    void AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>& config,
                          RefCntPtr<ConnectionDescriptionPresModel>& record) override {
      Called("AddHalvaneServer", config);
      auto server = MakeRefCnt<HalvaneServerConnectionDescriptionPresModel>();
      server->SetServerName(T("host's server"));
      server->SetUsername(T("host's user"));
      record->SetHalvaneServerPresModel(server);
    }
    void AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>&) override { Called("AddHalvaneServerData", nullptr); }
    void AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>&,
                         const RefCntPtr<const RelationalDSConnectionConfig>& rel) override {
      Called("AddSlowMetadata", rel);
    }

   private:
    void Called(const char* name, RefCntPtr<const DSConnectionConfig> config) {
      m_owner.calls.push_back(name);
      m_owner.config = std::move(config);
    }
    ScopedHostHelper& m_owner;
  };
};

class ConnectionDescriptionPresModelBuilderTest : public ::testing::Test {
 protected:
  ConnectionDescriptionPresModelBuilderTest() {
    for (fake::ConfigState* state : {&rel->state, &cube->state, &plain->state}) {
      state->dataSource = dataSource;
      state->attributes = {{T("class"), T("postgres")}, {T("server"), T("db.example.com")}, {T("dbname"), T("sales")}};
    }
    // Everything allowed; each test takes away what it is about.
    rel->rel.answers = {T("AllowCustomSQLWithOLAPOff"), T("AllowCustomSQLOrUnionWithNoLeftJoinSupported"),
                        T("AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)"),
                        T("AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)"), T("AllowCustomSQL"), T("AllowUnion"),
                        T("HasFastMetadata"), T("UsesJoinArea")};
  }

  static RefCntPtr<ConnectionDescriptionPresModel> Build(RefCntPtr<const DSConnectionConfig> config, bool olap = false) {
    return ConnectionDescriptionPresModelBuilder(std::move(config)).Build(olap);
  }
  bool Asked(const char* query) const {
    return std::count(rel->rel.asked.begin(), rel->rel.asked.end(), T(query)) != 0;
  }

  fake::ConnectServices services;
  RefCntPtr<fake::DataSource> dataSource = MakeRefCnt<fake::DataSource>();
  RefCntPtr<fake::RelationalConfig> rel = MakeRefCnt<fake::RelationalConfig>();
  RefCntPtr<fake::HierarchicalConfig> cube = MakeRefCnt<fake::HierarchicalConfig>();
  RefCntPtr<fake::PlainConfig> plain = MakeRefCnt<fake::PlainConfig>();
};

TEST_F(ConnectionDescriptionPresModelBuilderTest, NothingIsDescribedWithoutAnOrdinaryConfigurationAndDataSource) {
  rel->state.isFederated = true;
  try {
    ConnectionDescriptionPresModelBuilder builder(rel);
    ADD_FAILURE() << "a federated configuration was accepted";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), T("!config || !config->IsFederatedConfig()"));
  }
  rel->state.isFederated = false;

  // The builder's first step makes the table selection visible: an untouched record has it hidden.
  EXPECT_FALSE(Build(nullptr, true)->GetIsTableSelectionVisible());
  EXPECT_EQ(ConnectionDescriptionPresModelBuilder(nullptr).BuildSimple()->GetConnectionAttributesCount(), 0u);
  dataSource->skipsConnectionDescription = true;
  EXPECT_FALSE(Build(rel)->GetIsTableSelectionVisible());
  rel->state.dataSource = nullptr;
  EXPECT_FALSE(Build(rel)->GetIsTableSelectionVisible());
  EXPECT_TRUE(rel->rel.asked.empty());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheConnectionItselfWithItsLabelsAndSortedAttributes) {
  plain->state.connectionType = ConnectionTypeEnum::InternetDS;
  plain->state.isConnected = plain->state.hasUncommittedChanges = true;
  plain->state.connectionTypeLabel = T("PostgreSQL");
  plain->state.connectionDescriptionLabel = T("db.example.com");
  services.registry->recommendsDataSources = {T("postgres")};

  RefCntPtr<ConnectionDescriptionPresModel> record = Build(plain);
  EXPECT_EQ(record->GetConnectionType(), ConnectionTypeEnum::InternetDS);
  EXPECT_TRUE(record->GetIsConnected() && record->GetHasUncommittedChanges() && record->GetIsFinishedConnecting());
  EXPECT_FALSE(record->GetCanRecommendTables());
  EXPECT_TRUE(record->GetCanRecommendDataSources());
  EXPECT_EQ(record->GetConnectionTypeLabel(), T("PostgreSQL connection"));
  EXPECT_EQ(record->GetConnectionDescriptionLabel(), T("db.example.com"));
  EXPECT_EQ(record->GetConnectionAttributess(),
            (std::map<TString, TString>{plain->state.attributes.begin(), plain->state.attributes.end()}));

  plain->state.shouldFinishConnection = false;
  EXPECT_FALSE(Build(plain)->GetIsFinishedConnecting());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, AServerDataSourceIsDescribedByTheSharedDocumentHelper) {
  plain->state.isServerDataSource = true;
  plain->state.isGoogleAnalytics = true;  // the server data source comes first
  ScopedHostHelper host;
  const RefCntPtr<ConnectionDescriptionPresModel> record = Build(plain);
  EXPECT_EQ(host.calls, std::vector<std::string>{"AddHalvaneServer"});
  EXPECT_EQ(host.config, plain);
  EXPECT_EQ(record->GetConnectionTypeLabel(), T("Halvane Server data source, signed in as host's user"));
  EXPECT_EQ(record->GetConnectionDescriptionLabel(), T("host's server"));
  EXPECT_EQ(record->GetCurrentConnectionWidget(), ConnectionWidgetType::HalvaneServer);
  EXPECT_FALSE(record->GetIsTableSelectionVisible());
  // The rest of the page is not built.
  EXPECT_FALSE(record->GetIsFinishedConnecting());
  EXPECT_FALSE(record->GetGoogleAnalyticsPresModel()->GetAreBasicItemsEnabled());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, CustomSQLNeedsAllThreeConditionsAndUnionAllButOLAP) {
  struct Case {
    const char* label;
    bool olapFlag;
    const char* refused;
    bool customSQL, union_;
  };
  const Case cases[] = {
      {"everything allowed", false, "", true, true},
      {"OLAP off refused", false, "AllowCustomSQLWithOLAPOff", false, true},
      {"OLAP off refused, flag set", true, "AllowCustomSQLWithOLAPOff", true, true},
      {"no left joins", true, "AllowCustomSQLOrUnionWithNoLeftJoinSupported", false, false},
      {"no calculations with OLAP", true, "AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)", false, false},
      {"no calculations without OLAP", false, "AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)", false, false},
      {"calculations refused for the other flag", true, "AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)", true,
       true},
      {"no custom SQL", false, "AllowCustomSQL", false, true},
      {"no union", false, "AllowUnion", true, false},
  };
  rel->state.configName = T("Sales");
  const std::set<QString> all = rel->rel.answers;
  for (const Case& c : cases) {
    rel->rel.answers = all;
    rel->rel.answers.erase(T(c.refused));
    rel->rel.asked.clear();
    const RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel, c.olapFlag);
    EXPECT_EQ(record->GetAllowCustomSQL(), c.customSQL) << c.label;
    EXPECT_EQ(record->GetAllowUnion(), c.union_) << c.label;
    if (c.olapFlag) {
      EXPECT_FALSE(Asked("AllowCustomSQLWithOLAPOff")) << c.label;
    }
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
  EXPECT_FALSE(Asked("GetTableRelationCount"));
  rel->rel.answers.erase(T("HasJoinAcrossSchemas"));
  EXPECT_TRUE(Build(rel)->GetShouldWarnForCrossSchemaJoins());
  rel->rel.tableRelationCount = 0;
  EXPECT_FALSE(Build(rel)->GetShouldWarnForCrossSchemaJoins());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, OnlyTheFifteenLabelsReachTheUIProperties) {
  std::map<TString, TString> labels;
  for (const char* key :
       {"ConnectionTypeLabel", "ConnectionDescriptionHeaderLabel", "ConnectionDescriptionLabel", "DatabaseHeaderLabel",
        "DatabaseLabel", "SchemaHeaderLabel", "SchemaLabel", "TableHeaderLabel", "StandardConnectionHeaderLabel",
        "WarehouseHeaderLabel", "SingleTableLabel", "MultipleTableLabel", "DatabaseComboFallbackText",
        "SchemaComboFallbackText", "WarehouseComboFallbackText"})
    labels[T(key)] = T("text of ") + T(key);
  rel->rel.joinDescriptionProperties = labels;
  // Near misses are not labels: the comparison is exact.
  for (const char* other : {"connectiontypelabel", "ConnectionTypeLabel ", "TableLabel", ""})
    rel->rel.joinDescriptionProperties[T(other)] = T("dropped");
  EXPECT_EQ(Build(rel)->GetUIPropertys(), labels);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, EachRelationalFieldComesFromItsOwnQuery) {
  using Text = const TString& (ConnectionDescriptionPresModel::*)() const;
  const std::pair<const char*, Text> texts[] = {
      {"TablePlaceholderText", &ConnectionDescriptionPresModel::GetTablePlaceholderText},
      {"StandardConnectionPlaceholderText", &ConnectionDescriptionPresModel::GetStandardConnectionPlaceholderText},
      {"WarehouseName", &ConnectionDescriptionPresModel::GetWarehouseName},
      {"DatabaseName", &ConnectionDescriptionPresModel::GetDatabaseName},
      {"SchemaName", &ConnectionDescriptionPresModel::GetSchemaName}};
  for (const auto& [query, get] : texts) rel->rel.texts[T(query)] = T("text of ") + T(query);
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(rel);
  for (const auto& [query, get] : texts) EXPECT_EQ(((*record).*get)(), T("text of ") + T(query)) << query;
  EXPECT_FALSE(Asked("BigQueryLegacySQLCheckState"));  // asked only where there is the check

  using Flag = bool (ConnectionDescriptionPresModel::*)() const;
  const std::pair<const char*, Flag> flags[] = {
      {"AllowCustomSQLWithoutSchema", &ConnectionDescriptionPresModel::GetAllowCustomSQLWithoutSchema},
      {"AllowCustomDatabase", &ConnectionDescriptionPresModel::GetAllowCustomDatabase},
      {"AllowCustomSchema", &ConnectionDescriptionPresModel::GetAllowCustomSchema},
      {"AllowStoredProc", &ConnectionDescriptionPresModel::GetAllowStoredProc},
      {"HasWarehouse", &ConnectionDescriptionPresModel::GetHasWarehouse},
      {"HasDatabase", &ConnectionDescriptionPresModel::GetHasDatabase},
      {"IsSchemaOptional", &ConnectionDescriptionPresModel::GetSchemaOptional},
      {"HasSchema", &ConnectionDescriptionPresModel::GetHasSchema},
      {"HasTables", &ConnectionDescriptionPresModel::GetHasTables},
      {"HasBigQueryLegacySQLCheck", &ConnectionDescriptionPresModel::GetHasBigQueryLegacySQLCheck}};
  // One query true at a time: exactly its own field turns true.
  const std::set<QString> all = rel->rel.answers;
  for (const auto& [query, unused] : flags) {
    rel->rel.answers = all;
    rel->rel.answers.insert(T(query));
    record = Build(rel);
    for (const auto& [other, get] : flags) EXPECT_EQ(((*record).*get)(), T(other) == T(query)) << query << " " << other;
  }
  // The legacy SQL check carries its state; an ignored schema is not named.
  rel->rel.answers.insert({T("HasBigQueryLegacySQLCheck"), T("BigQueryLegacySQLCheckState"), T("ShouldIgnoreSchema")});
  record = Build(rel);
  EXPECT_TRUE(record->GetBigQueryLegacySQLCheckStatus());
  EXPECT_EQ(record->GetSchemaName(), TString());
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, ThePickersAreBuiltInPageOrderAndSlowMetadataGoesToTheHelper) {
  rel->rel.lists = {T("Warehouses"), T("Databases"), T("Schemas"), T("StandardConnections"), T("StoredProcedures"),
                    T("Tables")};
  rel->rel.databases = {T("sales"), T("hr")};
  ScopedHostHelper host;
  EXPECT_EQ(Build(rel)->GetDatabaseEnumerationPresModel()->GetDatabaseInfos(), rel->rel.databases);
  EXPECT_TRUE(host.calls.empty());
  std::vector<QString> lists;
  for (const QString& query : rel->rel.asked)
    if (query.startsWith(T("CanEnumerate"))) lists.push_back(query);
  EXPECT_EQ(lists, (std::vector<QString>{T("CanEnumerateWarehouses"), T("CanEnumerateDatabases"),
                                         T("CanEnumerateSchemas"), T("CanEnumerateStandardConnections"),
                                         T("CanEnumerateStoredProcedures"), T("CanEnumerateTables")}));

  rel->rel.answers.erase(T("HasFastMetadata"));
  EXPECT_FALSE(Build(rel)->GetHasFastMetadata());
  EXPECT_EQ(host.calls, std::vector<std::string>{"AddSlowMetadata"});
  EXPECT_EQ(host.config, rel);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, EachKindOfConnectionHasItsWidget) {
  const auto widget = [](const RefCntPtr<ConnectionDescriptionPresModel>& record) {
    return std::make_pair(record->GetCurrentConnectionWidget(), record->GetIsTableSelectionVisible());
  };
  EXPECT_EQ(widget(Build(rel)), std::make_pair(ConnectionWidgetType::JoinArea, true));
  EXPECT_EQ(widget(Build(cube)), std::make_pair(ConnectionWidgetType::CubeSelection, false));
  // Neither relational, hierarchical nor Google Analytics: no widget is chosen.
  EXPECT_EQ(widget(Build(plain)), std::make_pair(ConnectionWidgetType::Invalid, true));
  rel->rel.answers.erase(T("UsesJoinArea"));
  EXPECT_EQ(widget(Build(rel)), std::make_pair(ConnectionWidgetType::NoWidget, false));

  auto ga = MakeRefCnt<fake::GoogleAnalyticsConfig>();
  ga->state.dataSource = dataSource;
  ga->ga.accounts = {{T("Acme"), T("1001")}};
  const RefCntPtr<ConnectionDescriptionPresModel> record = Build(ga);
  EXPECT_EQ(widget(record), std::make_pair(ConnectionWidgetType::GoogleAnalytics, false));
  // The page is the one its builder made of this configuration: the empty entry, then Acme.
  EXPECT_EQ(record->GetGoogleAnalyticsPresModel()->GetPossibleAccountsCount(), 2u);
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, CubeVariablesCountOnlyOnceACubeIsChosen) {
  cube->state.dbVariablesCount = 3;
  cube->cubes = {HierarchicalDSConnectionConfig::CubeInfo(QualifiedName(std::vector<TString>{T("Sales"), T("Orders")}),
                                                          T("Orders"), T("Orders by day"), DateTime())};
  RefCntPtr<ConnectionDescriptionPresModel> record = Build(cube);
  EXPECT_EQ(record->GetCubeEnumerationPresModel()->GetPossibleCubeCount(), 1u);
  EXPECT_EQ(record->GetVariablesCount(), 0u);
  EXPECT_FALSE(record->GetAreVariablesVisible());

  cube->currentCube = cube->cubes.front();
  record = Build(cube);
  EXPECT_EQ(record->GetVariablesCount(), 3u);
  EXPECT_TRUE(record->GetAreVariablesVisible());
  cube->state.dbVariablesCount = 0;
  EXPECT_FALSE(Build(cube)->GetAreVariablesVisible());
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
}

TEST_F(ConnectionDescriptionPresModelBuilderTest, TheSimpleDescriptionNeedsNoDataSourceAndAsksNoMetadata) {
  rel->state.dataSource = nullptr;
  rel->state.connectionType = ConnectionTypeEnum::FileDS;
  rel->rel.answers.erase(T("HasFastMetadata"));
  services.registry->recommendsTables = {T("postgres")};
  const RefCntPtr<SimpleConnectionDescriptionPresModel> record = ConnectionDescriptionPresModelBuilder(rel).BuildSimple();
  EXPECT_EQ(record->GetConnectionType(), ConnectionTypeEnum::FileDS);
  EXPECT_TRUE(record->GetCanRecommendTables());
  EXPECT_FALSE(record->GetCanRecommendDataSources());
  EXPECT_EQ(record->GetConnectionAttributess(),
            (std::map<TString, TString>{rel->state.attributes.begin(), rel->state.attributes.end()}));
  // Only the full description asks for fast metadata; the simple one keeps its default.
  EXPECT_TRUE(record->GetHasFastMetadata());
  EXPECT_FALSE(Asked("HasFastMetadata"));
}

}  // namespace
