// Test doubles of the host's connection model: configurations whose every answer is a public
// member a test sets, and a registry answering from maps. They reach branches that no
// connector description would take (a field list naming "credential-id", a relational
// configuration of a cube class, ...) and let a test see exactly what a builder asked.
#pragma once

#include "host/app/Log.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/CredentialsService.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/DataSourceException.h"
#include "host/connect/GoogleAnalytics.h"
#include "host/connect/DriverDiagnostics.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <set>
#include <utility>
#include <vector>

namespace fake {

/// A connection fields model listing `names` in order, those in `secure` marked secure. A
/// field applies when every condition of it ({attribute: value}) holds in the filter.
class FieldsModel final : public Connect::IConnectionFieldsModel {
 public:
  void Add(const TString& name, bool secure = false, std::map<TString, TString> conditions = {}) {
    m_fields.push_back({Connect::ConnectionField(name, secure), std::move(conditions)});
  }

  std::vector<TString> GetConnectionFieldsNames(const Connect::ConnectionFieldsFilter& filter) const override {
    std::vector<TString> names;
    for (const Entry& entry : m_fields) {
      bool applies = true;
      for (const auto& [attribute, value] : entry.conditions) applies = applies && filter.GetValue(attribute) == value;
      if (applies) names.push_back(entry.field.GetName());
    }
    return names;
  }

  /// How often GetField was asked.
  mutable int getFieldCalls = 0;

  const Connect::ConnectionField* GetField(const TString& name) const override {
    ++getFieldCalls;
    for (const Entry& entry : m_fields)
      if (entry.field.GetName() == name) return &entry.field;
    return nullptr;
  }

 private:
  struct Entry {
    Connect::ConnectionField field;
    std::map<TString, TString> conditions;
  };
  std::vector<Entry> m_fields;
};

/// What every configuration answers; a test sets the members it needs.
struct ConfigState {
  TString className = QStringLiteral("postgres");
  ConnectionTypeEnum connectionType = ConnectionTypeEnum::ServerDS;
  DSConnectionConfig::Attributes attributes;
  TString configName;
  TString filename;
  bool isServerDataSource = false;
  bool isGoogleAnalytics = false;
  bool isFederated = false;
  bool isNewConnection = false;
  bool isConnected = false;
  bool shouldFinishConnection = true;
  bool hasUncommittedChanges = false;
  int dbVariablesCount = 0;
  RefCntPtr<const IDataSource> dataSource;
  TString connectionTypeLabel;
  TString connectionDescriptionLabel;
  TString authenticationPrompt;
  bool showVendorSupportInfo = false;
  TString vendorSupportInfo;
  AuthenticationEnums::Mode authMode = AuthenticationEnums::Mode::AuthModeNone;
  AuthenticationEnums::AuthOption currentAuthOption = AuthenticationEnums::AuthOption::AuthOptionExplicit;
  std::vector<AuthenticationEnums::AuthOption> authOptions;
  AuthenticationEnums::ReconnectMode reconnectMode = AuthenticationEnums::ReconnectMode::ReconnectModeNone;
  DSConnectionConfig::Attributes reconnectParams;
  bool supportsInitialSQL = false;
  /// Attributes PrepareCachedAttributes adds (overwriting) to cached ones.
  DSConnectionConfig::Attributes preparedAttributes;
};

/// The answers of the relational queries.
struct RelationalState {
  std::map<QString, TString> prompts;  // by query name: "ServerNamePrompt", ...
  std::set<QString> flags;             // the boolean queries that answer true: "ShowPortPrompt", ...
  TString server, port, sslMode, vendor1, vendor2, vendor3;
  std::vector<Connect::ConnectionSettingsOption> connectionOptions;
  std::vector<Connect::DsnSettingsOption> dsnOptions;
  /// The flag GetDsnSettingsOptions was last asked with.
  mutable bool dsnAskedForDataPreparation = false;
  std::vector<Connect::TransportTypeConfig> transportTypes;
  RefCntPtr<fake::FieldsModel> fields;
  TString modularDialogJson;
  std::map<TString, RefCntPtr<const SQLRelation>> relations;
  int tableRelationCount = 0;

  // The data source page: what each list holds (the Can queries answer from `lists`, by the
  // list's name: "StandardConnections", "StoredProcedures", "Databases", "Schemas", "Tables",
  // "Warehouses"), and the answers of the description queries.
  std::set<QString> lists;
  std::vector<TString> standardConnections;
  std::map<TString, TString> standardConnectionTooltips;
  std::vector<QualifiedName> storedProcedures;
  std::vector<std::pair<TString, TString>> warehouses;
  std::vector<TString> databases;
  std::vector<TString> schemas;
  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  /// When set, EnumerateTables appends the tables, then raises this.
  std::optional<DataSourceException> tablesFailure;
  /// When set, called by every Enumerate query once it appended its list (and before
  /// tablesFailure), with the query's name: a test makes any fetch fail by throwing from it.
  std::function<void(const QString& query)> afterEnumerate;
  std::set<int> capabilities;
  /// The description queries answered with text, by name ("TablePlaceholderText", ...).
  std::map<QString, TString> texts;
  /// The description queries that answer true, by name ("HasFastMetadata", "AllowUnion", ...);
  /// AllowCustomSQLOrUnionWithNoLODCalcsSupported answers for the OLAP flag it is asked with
  /// ("AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)" / "(false)").
  std::set<QString> answers;
  std::map<TString, TString> joinDescriptionProperties;
  /// The questions asked, in order, for tests of what a builder asked and when.
  mutable std::vector<QString> asked;
};

/// A plain configuration (neither relational nor hierarchical).
template <typename Base = DSConnectionConfig>
class Config : public Base {
 public:
  ConfigState state;

  TString ClassName() const override { return state.className; }
  ConnectionTypeEnum GetConnectionType() const override { return state.connectionType; }
  const DSConnectionConfig::Attributes& GetConnectionAttributes() const override { return state.attributes; }
  TString GetConfigName() const override { return state.configName; }
  TString GetFilename() const override { return state.filename; }
  void PrepareCachedAttributes(DSConnectionConfig::Attributes& attributes) const override {
    for (const auto& [name, value] : state.preparedAttributes) attributes[name] = value;
  }
  bool IsServerDataSource() const override { return state.isServerDataSource; }
  bool IsRelational() const override { return AsRelational() != nullptr; }
  RefCntPtr<const RelationalDSConnectionConfig> AsRelational() const override {
    return RefCntPtr<const RelationalDSConnectionConfig>(dynamic_cast<const RelationalDSConnectionConfig*>(this));
  }
  bool IsHierarchical() const override { return AsHierarchical() != nullptr; }
  RefCntPtr<const HierarchicalDSConnectionConfig> AsHierarchical() const override {
    return RefCntPtr<const HierarchicalDSConnectionConfig>(dynamic_cast<const HierarchicalDSConnectionConfig*>(this));
  }
  bool IsGoogleAnalytics() const override { return state.isGoogleAnalytics; }
  RefCntPtr<const IGoogleAnalyticsConnectionConfig> AsGoogleAnalytics() const override {
    return RefCntPtr<const IGoogleAnalyticsConnectionConfig>(dynamic_cast<const IGoogleAnalyticsConnectionConfig*>(this));
  }
  bool IsFederatedConfig() const override { return state.isFederated; }
  bool IsNewConnection() const override { return state.isNewConnection; }
  bool IsConnected() const override { return state.isConnected; }
  bool ShouldFinishConnection() const override { return state.shouldFinishConnection; }
  bool HasUncommittedChanges() const override { return state.hasUncommittedChanges; }
  int GetDbVariablesCount() const override { return state.dbVariablesCount; }
  RefCntPtr<const IDataSource> GetDataSource() const override { return state.dataSource; }
  TString GetConnectionTypeLabel() const override { return state.connectionTypeLabel; }
  TString GetConnectionDescriptionLabel() const override { return state.connectionDescriptionLabel; }
  TString GetAuthenticationPrompt() const override { return state.authenticationPrompt; }
  bool ShowVendorSupportInfo() const override { return state.showVendorSupportInfo; }
  TString GetVendorSupportInfo() const override { return state.vendorSupportInfo; }
  AuthenticationEnums::Mode GetAuthMode() const override { return state.authMode; }
  AuthenticationEnums::AuthOption GetCurrentAuthOption() const override { return state.currentAuthOption; }
  std::vector<AuthenticationEnums::AuthOption> GetAuthOptions() const override { return state.authOptions; }
  AuthenticationEnums::ReconnectMode GetReconnectAuthMode() const override { return state.reconnectMode; }
  void GetReconnectAuthParams(DSConnectionConfig::Attributes& parameters) const override {
    for (const auto& entry : state.reconnectParams) parameters.insert(entry);
  }
  bool SupportsInitialSQL() const override { return state.supportsInitialSQL; }
  TString GetInitialSQL(const DSConnectionConfig::Attributes& attributes) const override {
    auto found = attributes.find(DataConnectionAttrs::attrInitialSQL);
    if (found != attributes.end()) return found->second;
    found = state.attributes.find(DataConnectionAttrs::attrInitialSQL);
    return found != state.attributes.end() ? found->second : TString();
  }
};

/// A relational configuration: prompts by query name, flags by the names that answer true.
class RelationalConfig final : public Config<RelationalDSConnectionConfig> {
 public:
  RelationalState rel;

  TString ServerNamePrompt() const override { return Prompt("ServerNamePrompt"); }
  TString PortPrompt() const override { return Prompt("PortPrompt"); }
  TString DBNamePrompt() const override { return Prompt("DBNamePrompt"); }
  TString DBWHNamePrompt() const override { return Prompt("DBWHNamePrompt"); }
  TString ServiceNamePrompt() const override { return Prompt("ServiceNamePrompt"); }
  TString Vendor1NamePrompt() const override { return Prompt("Vendor1NamePrompt"); }
  TString Vendor2NamePrompt() const override { return Prompt("Vendor2NamePrompt"); }
  TString Vendor3NamePrompt() const override { return Prompt("Vendor3NamePrompt"); }

  bool ShowServerNamePrompt() const override { return Flag("ShowServerNamePrompt"); }
  bool ShowPortPrompt() const override { return Flag("ShowPortPrompt"); }
  bool DatabaseNameOptional() const override { return Flag("DatabaseNameOptional"); }
  bool DatabaseWHOptional() const override { return Flag("DatabaseWHOptional"); }
  bool ShowDBNamePrompt() const override { return Flag("ShowDBNamePrompt"); }
  bool ShowDBBrowseButton() const override { return Flag("ShowDBBrowseButton"); }
  bool ShowDBWHNamePrompt() const override { return Flag("ShowDBWHNamePrompt"); }
  bool ShowServiceNamePrompt() const override { return Flag("ShowServiceNamePrompt"); }
  bool ShowVendor1NamePrompt() const override { return Flag("ShowVendor1NamePrompt"); }
  bool ShowVendor2NamePrompt() const override { return Flag("ShowVendor2NamePrompt"); }
  bool ShowVendor3NamePrompt() const override { return Flag("ShowVendor3NamePrompt"); }
  bool ServiceNameOptional() const override { return Flag("ServiceNameOptional"); }
  bool Vendor1NameOptional() const override { return Flag("Vendor1NameOptional"); }
  bool Vendor2NameOptional() const override { return Flag("Vendor2NameOptional"); }
  bool Vendor3NameOptional() const override { return Flag("Vendor3NameOptional"); }
  bool ShowUncommittedDataCheckbox() const override { return Flag("ShowUncommittedDataCheckbox"); }
  bool ShowEncryptionCheckbox() const override { return Flag("ShowEncryptionCheckbox"); }
  bool ShowSSLCheckbox() const override { return Flag("ShowSSLCheckbox"); }
  bool ShowImportSSLCertLabel() const override { return Flag("ShowImportSSLCertLabel"); }
  bool SSLRequiresCertificate() const override { return Flag("SSLRequiresCertificate"); }
  bool ShowConnectionPrompt() const override { return Flag("ShowConnectionPrompt"); }
  bool ShowClientSSLBox() const override { return Flag("ShowClientSSLBox"); }
  bool ShowDriverConfig() const override { return Flag("ShowDriverConfig"); }
  bool ShowInstanceUrlPrompt() const override { return Flag("ShowInstanceUrlPrompt"); }

  TString GetServer() const override { return rel.server; }
  TString GetPort() const override { return rel.port; }
  TString GetSSLMode() const override { return rel.sslMode; }
  TString GetVendor1() const override { return rel.vendor1; }
  TString GetVendor2() const override { return rel.vendor2; }
  TString GetVendor3() const override { return rel.vendor3; }

  std::vector<Connect::ConnectionSettingsOption> GetConnectionSettingsOptions() const override {
    return rel.connectionOptions;
  }
  std::vector<Connect::DsnSettingsOption> GetDsnSettingsOptions(bool forDataPreparation) const override {
    rel.dsnAskedForDataPreparation = forDataPreparation;
    return rel.dsnOptions;
  }
  std::vector<Connect::TransportTypeConfig> GetTransportTypeConfigs() const override { return rel.transportTypes; }

  RefCntPtr<const Connect::IConnectionFieldsModel> GetConnectionFieldsModel() const override { return rel.fields; }
  std::vector<TString> GetConnectionFieldsNames(const Connect::ConnectionFieldsFilter& filter) const override {
    return rel.fields ? rel.fields->GetConnectionFieldsNames(filter) : std::vector<TString>();
  }
  TString GetModularConnectionDialogJson() const override { return rel.modularDialogJson; }
  RefCntPtr<const SQLRelation> GetConstRelationForAlias(const TString& alias) const override {
    const auto found = rel.relations.find(alias);
    return found == rel.relations.end() ? nullptr : found->second;
  }
  int GetTableRelationCount(const RefCntPtr<const IDataSource>&) const override {
    return Ask("GetTableRelationCount"), rel.tableRelationCount;
  }

  bool CanEnumerateStandardConnections() const override { return List("StandardConnections"); }
  bool CanEnumerateStoredProcedures() const override { return List("StoredProcedures"); }
  bool CanEnumerateDatabases() const override { return List("Databases"); }
  bool CanEnumerateSchemas() const override { return List("Schemas"); }
  bool CanEnumerateTables() const override { return List("Tables"); }
  bool CanEnumerateWarehouses() const override { return List("Warehouses"); }
  void EnumerateStandardConnections(std::vector<TString>& names) const override {
    Append(names, rel.standardConnections, "EnumerateStandardConnections");
  }
  void EnumerateStoredProcedures(std::vector<QualifiedName>& procedures) const override {
    Append(procedures, rel.storedProcedures, "EnumerateStoredProcedures");
  }
  void EnumerateWarehouses(std::vector<std::pair<TString, TString>>& warehouses) const override {
    Append(warehouses, rel.warehouses, "EnumerateWarehouses");
  }
  void EnumerateDatabases(std::vector<TString>& databases) const override {
    Append(databases, rel.databases, "EnumerateDatabases");
  }
  void EnumerateSchemas(std::vector<TString>& schemas) const override { Append(schemas, rel.schemas, "EnumerateSchemas"); }
  void EnumerateTables(std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    Append(tables, rel.tables, "EnumerateTables");
    if (rel.tablesFailure) throw *rel.tablesFailure;
  }
  TString GetStandardConnectionTooltip(const TString& name) const override {
    Ask("GetStandardConnectionTooltip");
    const auto found = rel.standardConnectionTooltips.find(name);
    return found == rel.standardConnectionTooltips.end() ? TString() : found->second;
  }
  bool HasCapability(int capability) const override {
    return Ask("HasCapability"), rel.capabilities.count(capability) != 0;
  }

  TString GetTablePlaceholderText() const override { return Text("TablePlaceholderText"); }
  TString GetStandardConnectionPlaceholderText() const override { return Text("StandardConnectionPlaceholderText"); }
  bool HasFastMetadata(const TString&) const override { return Answer("HasFastMetadata"); }
  bool HasJoinAcrossSchemas() const override { return Answer("HasJoinAcrossSchemas"); }
  bool AllowCustomSQLWithOLAPOff() const override { return Answer("AllowCustomSQLWithOLAPOff"); }
  bool AllowCustomSQLOrUnionWithNoLeftJoinSupported() const override {
    return Answer("AllowCustomSQLOrUnionWithNoLeftJoinSupported");
  }
  bool AllowCustomSQLOrUnionWithNoLODCalcsSupported(bool olap) const override {
    return Answer(olap ? "AllowCustomSQLOrUnionWithNoLODCalcsSupported(true)"
                       : "AllowCustomSQLOrUnionWithNoLODCalcsSupported(false)");
  }
  bool AllowCustomSQL() const override { return Answer("AllowCustomSQL"); }
  bool AllowCustomSQLWithoutSchema() const override { return Answer("AllowCustomSQLWithoutSchema"); }
  bool AllowCustomDatabase() const override { return Answer("AllowCustomDatabase"); }
  bool AllowCustomSchema() const override { return Answer("AllowCustomSchema"); }
  bool AllowStoredProc() const override { return Answer("AllowStoredProc"); }
  bool AllowUnion(const TString& configName) const override {
    return Answer(configName == state.configName ? "AllowUnion" : "AllowUnion(another name)");
  }
  TString GetWarehouseName() const override { return Text("WarehouseName"); }
  bool HasWarehouse() const override { return Answer("HasWarehouse"); }
  bool HasBigQueryLegacySQLCheck() const override { return Answer("HasBigQueryLegacySQLCheck"); }
  bool GetBigQueryLegacySQLCheckState() const override { return Answer("BigQueryLegacySQLCheckState"); }
  TString GetDatabaseName() const override { return Text("DatabaseName"); }
  bool HasDatabase() const override { return Answer("HasDatabase"); }
  bool IsSchemaOptional() const override { return Answer("IsSchemaOptional"); }
  bool ShouldIgnoreSchema() const override { return Answer("ShouldIgnoreSchema"); }
  TString SchemaName() const override { return Text("SchemaName"); }
  bool HasSchema() const override { return Answer("HasSchema"); }
  bool HasTables() const override { return Answer("HasTables"); }
  void GetJoinDescriptionGlobalProperties(std::map<TString, TString>& properties) const override {
    Ask("GetJoinDescriptionGlobalProperties");
    for (const auto& entry : rel.joinDescriptionProperties) properties.insert(entry);
  }
  bool UsesJoinArea() const override { return Answer("UsesJoinArea"); }

 private:
  ~RelationalConfig() override = default;
  void Ask(const char* query) const { rel.asked.push_back(QLatin1String(query)); }
  bool List(const char* name) const {
    Ask((std::string("CanEnumerate") + name).c_str());
    return rel.lists.count(QLatin1String(name)) != 0;
  }
  template <typename T>
  void Append(std::vector<T>& to, const std::vector<T>& from, const char* query) const {
    Ask(query);
    to.insert(to.end(), from.begin(), from.end());
    if (rel.afterEnumerate) rel.afterEnumerate(QLatin1String(query));
  }
  TString Text(const char* name) const {
    Ask(name);
    const auto found = rel.texts.find(QLatin1String(name));
    return found == rel.texts.end() ? TString() : found->second;
  }
  bool Answer(const char* name) const {
    Ask(name);
    return rel.answers.count(QLatin1String(name)) != 0;
  }
  TString Prompt(const char* query) const {
    const auto found = rel.prompts.find(QLatin1String(query));
    return found == rel.prompts.end() ? TString() : found->second;
  }
  bool Flag(const char* query) const { return rel.flags.count(QLatin1String(query)) != 0; }
};

/// A hierarchical (cube) configuration.
class HierarchicalConfig final : public Config<HierarchicalDSConnectionConfig> {
 public:
  TString title;
  std::vector<ConnectionSpecificationOption> options;
  /// The attributes GetConnectionSpecificationOptions was asked with, call by call.
  mutable std::vector<DSConnectionConfig::Attributes> askedWithEach;

  TString GetConnectionSpecificationTitle() const override { return title; }
  std::vector<ConnectionSpecificationOption> GetConnectionSpecificationOptions(
      const DSConnectionConfig::Attributes& attributes) const override {
    askedWithEach.push_back(attributes);
    return options;
  }

  // The catalog and cube pickers.
  TString catalogListPrompt;
  CatalogInfo currentCatalog;
  std::vector<CatalogInfo> catalogs;
  SortDirection catalogSortDirection = SortDirection::Asc;
  TString catalogSearchTerm;
  CubeInfo currentCube;
  std::vector<CubeInfo> cubes;
  std::vector<CubeMetadataCategory> cubeMetadataCategories;
  CubeMetadataCategory cubeSortCategory = CubeMetadataCategory::Name;
  SortDirection cubeSortDirection = SortDirection::Asc;
  TString cubeSearchTerm;

  TString GetCatalogListPrompt() const override { return catalogListPrompt; }
  CatalogInfo GetCurrentCatalog() const override { return currentCatalog; }
  void EnumerateCatalogs(std::vector<CatalogInfo>& to) const override { to.insert(to.end(), catalogs.begin(), catalogs.end()); }
  SortDirection GetCatalogSortDirection() const override { return catalogSortDirection; }
  TString GetCatalogSearchTerm() const override { return catalogSearchTerm; }
  TString GetCubeListPrompt() const override { return TString(); }
  CubeInfo GetCurrentCube() const override { return currentCube; }
  void EnumerateCubes(std::vector<CubeInfo>& to) const override { to.insert(to.end(), cubes.begin(), cubes.end()); }
  std::vector<CubeMetadataCategory> GetCubeMetadataCategories() const override { return cubeMetadataCategories; }
  CubeMetadataCategory GetCubeSortMetadataCategory() const override { return cubeSortCategory; }
  SortDirection GetCubeSortDirection() const override { return cubeSortDirection; }
  TString GetCubeSearchTerm() const override { return cubeSearchTerm; }

 private:
  ~HierarchicalConfig() override = default;
};

/// What a Google Analytics configuration answers. A selected position of -1 means nothing is
/// chosen: the position argument is then left as it is.
struct GoogleAnalyticsState {
  using BasicItems = IGoogleAnalyticsConnectionConfig::BasicItems;
  using Items = IGoogleAnalyticsConnectionConfig::Items;

  BasicItems accounts, properties, views;
  int selectedAccount = -1, selectedProperty = -1, selectedView = -1;
  DateRange dateRange = DateRange::DateRangeLast30;
  QDate startDate, endDate;
  Items possibleDimensions, selectedMeasures;  // the other two lists stay empty
  std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet> measureSets;
  int selectedMeasureSet = -1;
  std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment> segments;
  int selectedSegment = -1;
  std::map<TString, DataValue> responseInfo;
  bool partitioningOn = false, canPartition = false, generalRestriction = false;
  /// The restricting items GetPartitionRestrictingItems answers for 0 and for 1.
  Items restrictingFirst, restrictingSecond;
  /// The questions asked, in order ("GetAccounts", "GetPartitionRestrictingItems(1)", ...).
  mutable std::vector<QString> asked;
};

/// A Google Analytics configuration answering from `ga`.
class GoogleAnalyticsConfig final : public Config<IGoogleAnalyticsConnectionConfig> {
 public:
  GoogleAnalyticsState ga;

  GoogleAnalyticsConfig() {
    state.className = QStringLiteral("google-analytics");
    state.isGoogleAnalytics = true;
  }

  int GetAccounts(BasicItems& items) const override { return Fill(items, ga.accounts, "GetAccounts"); }
  int GetProperties(BasicItems& items) const override { return Fill(items, ga.properties, "GetProperties"); }
  int GetViews(BasicItems& items) const override { return Fill(items, ga.views, "GetViews"); }
  GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedAccount(int* index) const override {
    return Selected(ga.accounts, ga.selectedAccount, index, "GetSelectedAccount");
  }
  GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedProperty(int* index) const override {
    return Selected(ga.properties, ga.selectedProperty, index, "GetSelectedProperty");
  }
  GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedView(int* index) const override {
    return Selected(ga.views, ga.selectedView, index, "GetSelectedView");
  }
  DateRange GetDateRange() const override { return ga.dateRange; }
  QDate GetStartDate() const override { return ga.startDate; }
  QDate GetEndDate() const override { return ga.endDate; }
  void GetPossibleDimensions(Items& items) const override { items = ga.possibleDimensions; }
  void GetPossibleMeasures(Items& items) const override { items.clear(); }
  void GetSelectedDimensions(Items& items) const override { items.clear(); }
  void GetSelectedMeasures(Items& items) const override { items = ga.selectedMeasures; }
  void GetMeasureSets(
      std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet>& sets) const override {
    sets.insert(sets.end(), ga.measureSets.begin(), ga.measureSets.end());
  }
  GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet GetSelectedMeasureSet(int* index) const override {
    return Selected(ga.measureSets, ga.selectedMeasureSet, index, "GetSelectedMeasureSet");
  }
  void GetSegments(std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment>& segments) const override {
    segments.insert(segments.end(), ga.segments.begin(), ga.segments.end());
  }
  GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment GetSelectedSegment(int* index) const override {
    return Selected(ga.segments, ga.selectedSegment, index, "GetSelectedSegment");
  }
  void GetQueryResponseInfo(std::map<TString, DataValue>& info) const override {
    for (const auto& entry : ga.responseInfo) info.insert(entry);
  }
  bool IsQueryPartitioningOn() const override { return ga.partitioningOn; }
  bool CanPartitionQuery() const override { return ga.canPartition; }
  bool HasGeneralPartitionRestriction() const override { return ga.generalRestriction; }
  void GetPartitionRestrictingItems(int which, Items& items) const override {
    ga.asked.push_back(QStringLiteral("GetPartitionRestrictingItems(%1)").arg(which));
    items = which == 0 ? ga.restrictingFirst : ga.restrictingSecond;
  }

 private:
  ~GoogleAnalyticsConfig() override = default;
  int Fill(BasicItems& to, const BasicItems& from, const char* query) const {
    ga.asked.push_back(QLatin1String(query));
    to.insert(to.end(), from.begin(), from.end());
    return 0;
  }
  template <typename T>
  T Selected(const std::vector<T>& list, int position, int* index, const char* query) const {
    ga.asked.push_back(QLatin1String(query));
    if (position < 0) return T();
    *index = position;
    return position < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(position)] : T();
  }
};

/// A plain configuration (a server data source, Google Analytics, ...).
class PlainConfig final : public Config<DSConnectionConfig> {
 private:
  ~PlainConfig() override = default;
};

/// A data source answering from its public members; a parameter without a caption in
/// `parameterCaptions` is its own caption.
class DataSource final : public IDataSource {
 public:
  TString connectionClass = QStringLiteral("postgres");
  ConnectionAttributeMap attributes;
  RefCntPtr<const IDataSourceInfoProvider> infoProvider;
  bool skipsConnectionDescription = false;
  std::map<TString, TString> parameterCaptions;

  TString GetConnectionClass() const override { return connectionClass; }
  ConnectionAttributeMap GetConnectionAttributes() const override { return attributes; }
  RefCntPtr<const IDataSourceInfoProvider> GetDataSourceInfoProvider() const override { return infoProvider; }
  bool SkipsConnectionDescription() const override { return skipsConnectionDescription; }
  TString GetParameterCaption(const TString& name) const override {
    const auto found = parameterCaptions.find(name);
    return found == parameterCaptions.end() ? name : found->second;
  }

 private:
  ~DataSource() override = default;
};

/// A connector whose answers are public members.
class Connector final : public Connect::IConnector {
 public:
  TString className;
  TString caption;
  bool supportsInitialSQL = false;
  bool supportsOAuth = false;
  std::set<TString> customDomainConfigs;  // the config ids (the empty one: the class) with a custom domain
  std::vector<std::pair<TString, TString>> oauthConfigs;  // id, label

  const TString& GetClassName() const override { return className; }
  const TString& GetCaption() const override { return caption; }
  bool SupportsInitialSQL() const override { return supportsInitialSQL; }
  bool SupportsOAuth() const override { return supportsOAuth; }
  bool SupportsCustomDomain(const TString& configId) const override { return customDomainConfigs.count(configId) != 0; }
  std::vector<TString> GetOAuthConfigs() const override {
    std::vector<TString> ids;
    for (const auto& config : oauthConfigs) ids.push_back(config.first);
    return ids;
  }
  TString GetOAuthConfigLabel(const TString& configId) const override {
    for (const auto& config : oauthConfigs)
      if (config.first == configId) return config.second;
    return TString();
  }

 private:
  ~Connector() override = default;
};

/// A web data connector description answering from its public members; a locale without a
/// display name shows the class name.
class WebDataConnectorInfo final : public Connect::IWebDataConnectorInfo {
 public:
  TString className;
  bool usesOAuth = false;
  bool allowsGenericAuth = false;
  std::map<TString, TString> displayNames;  // by locale

  TString GetClassName() const override { return className; }
  bool UsesOAuth() const override { return usesOAuth; }
  bool AllowsGenericAuth() const override { return allowsGenericAuth; }
  TString GetDisplayName(const TString& locale) const override {
    const auto found = displayNames.find(locale);
    return found == displayNames.end() ? className : found->second;
  }

 private:
  ~WebDataConnectorInfo() override = default;
};

/// A plug-in carrying `webDataConnector` (null: none).
class ConnectorPlugin final : public Connect::IConnectorPlugin {
 public:
  RefCntPtr<const Connect::IWebDataConnectorInfo> webDataConnector;
  RefCntPtr<const Connect::IWebDataConnectorInfo> GetWebDataConnectorInfo() const override { return webDataConnector; }

 private:
  ~ConnectorPlugin() override = default;
};

/// A registry answering from its public members. Install it with Connect::Registry::Install.
class Registry final : public Connect::IRegistry {
 public:
  std::map<TString, RefCntPtr<Connector>> connectors;
  std::map<TString, TString> captions;  // by class
  /// Captions by class and locale, asked before `captions`.
  std::map<std::pair<TString, TString>, TString> localizedCaptions;
  std::map<TString, RefCntPtr<ConnectorPlugin>> plugins;  // by class
  /// How often CreateConnector was asked; each connector it hands out is one of `connectors`.
  mutable int connectorsCreated = 0;
  /// Authentication attribute values by class, then option.
  std::map<TString, std::map<AuthenticationEnums::AuthOption, TString>> authValues;
  std::vector<TString> fileClasses, serverClasses;
  std::set<TString> hidden, restrictedUsable, cloudFile, excludesGenericAuth, legacyOAuth, webDataConnector,
      serverConnection, semiStructured, recommendsTables, recommendsDataSources, mayNeedAuth, inMemoryCredentials;

  /// Adds a connector of `connectionClass` and returns it to be set up.
  Connector& Add(const TString& connectionClass) {
    auto connector = MakeRefCnt<Connector>();
    connector->className = connectionClass;
    connector->caption = connectionClass;
    connectors[connectionClass] = connector;
    return *connector;
  }

  RefCntPtr<const Connect::IConnector> LookupConnector(const TString& connectionClass) const override {
    const auto found = connectors.find(connectionClass);
    return found == connectors.end() ? nullptr : RefCntPtr<const Connect::IConnector>(found->second);
  }
  RefCntPtr<const Connect::IConnector> CreateConnector(const TString& connectionClass, int) const override {
    ++connectorsCreated;
    return LookupConnector(connectionClass);
  }
  RefCntPtr<const Connect::IConnectorPlugin> GetConnectorPlugin(const TString& connectionClass) const override {
    const auto found = plugins.find(connectionClass);
    return found == plugins.end() ? nullptr : RefCntPtr<const Connect::IConnectorPlugin>(found->second);
  }
  std::vector<TString> GetRegisteredClasses() const override {
    std::vector<TString> classes;
    for (const auto& entry : connectors) classes.push_back(entry.first);
    return classes;
  }
  std::vector<TString> GetConnectionClasses(Connect::ConnectionClassKind kind) const override {
    return kind == Connect::ConnectionClassKind::kFile ? fileClasses : serverClasses;
  }
  TString GetClassCaption(const TString& connectionClass, const TString& locale) const override {
    const auto localized = localizedCaptions.find({connectionClass, locale});
    if (localized != localizedCaptions.end()) return localized->second;
    const auto found = captions.find(connectionClass);
    return found == captions.end() ? connectionClass : found->second;
  }
  TString GetAuthenticationValue(const TString& connectionClass, AuthenticationEnums::AuthOption option) const override {
    const auto byClass = authValues.find(connectionClass);
    if (byClass == authValues.end()) return TString();
    const auto found = byClass->second.find(option);
    return found == byClass->second.end() ? TString() : found->second;
  }
  AuthenticationEnums::AuthOption GetAuthOption(const TString& connectionClass, const TString& value) const override {
    const auto byClass = authValues.find(connectionClass);
    if (byClass != authValues.end())
      for (const auto& [option, text] : byClass->second)
        if (text == value) return option;
    return AuthenticationEnums::AuthOption::AuthOptionInvalid;
  }
  bool IsConnectionTypeVisible(const TString& c) const override { return hidden.count(c) == 0; }
  bool IsUsableWhenRestricted(const TString& c) const override { return restrictedUsable.count(c) != 0; }
  bool IsCloudFileClass(const TString& c) const override { return cloudFile.count(c) != 0; }
  bool ExcludesGenericAuth(const TString& c) const override { return excludesGenericAuth.count(c) != 0; }
  bool IsLegacyOAuthClass(const TString& c) const override { return legacyOAuth.count(c) != 0; }
  bool IsWebDataConnectorClass(const TString& c) const override { return webDataConnector.count(c) != 0; }
  bool IsServerConnectionClass(const TString& c) const override { return serverConnection.count(c) != 0; }
  bool IsSemiStructuredClass(const TString& c) const override { return semiStructured.count(c) != 0; }
  bool CanRecommendTablesFor(const TString& c) const override { return recommendsTables.count(c) != 0; }
  bool CanRecommendDataSourcesFor(const TString& c) const override { return recommendsDataSources.count(c) != 0; }
  bool MayNeedAuth(const TString& c) const override { return mayNeedAuth.count(c) != 0; }
  bool UsesInMemoryCredentials(const TString& c) const override { return inMemoryCredentials.count(c) != 0; }
};

/// A data source info provider with a fixed caption.
class DataSourceInfoProvider final : public IDataSourceInfoProvider {
 public:
  TString caption;
  TString GetDataSourceCaption() const override { return caption; }

 private:
  ~DataSourceInfoProvider() override = default;
};

/// A configuration factory that hands out `config` and keeps what it was asked. Install it with
/// ConnectionConfigFactory::Install.
class ConfigFactory final : public IConnectionConfigFactory {
 public:
  RefCntPtr<DSConnectionConfig> config;
  mutable std::vector<ConnectionConfigRequest> requests;

  RefCntPtr<DSConnectionConfig> CreateConfig(const ConnectionConfigRequest& request) const override {
    requests.push_back(request);
    return config;
  }
};

/// A cloud-file registry knowing the classes in `classes` and the storage providers in
/// `providers`, with the proxy prefixes and file extensions of `corsProxyUrlPrefixes` and
/// `fileExtensions` (by class; none when absent).
class CloudFileRegistry final : public ICloudFileConnectorsRegistry {
 public:
  std::set<TString> classes;
  std::set<TString> providers;
  /// Descriptions by provider or class and locale; empty for the others.
  std::map<std::pair<TString, TString>, TString> descriptions;
  std::map<TString, TString> corsProxyUrlPrefixes;
  std::map<TString, std::vector<TString>> fileExtensions;

  bool IsValidCloudFileClass(const TString& connectionClass) const override {
    return classes.count(connectionClass) != 0;
  }
  TString GetCorsProxyUrlPrefix(const TString& connectionClass) const override {
    const auto found = corsProxyUrlPrefixes.find(connectionClass);
    return found == corsProxyUrlPrefixes.end() ? TString() : found->second;
  }
  std::vector<TString> GetSupportedFileExtensions(const TString& connectionClass) const override {
    const auto found = fileExtensions.find(connectionClass);
    return found == fileExtensions.end() ? std::vector<TString>() : found->second;
  }
  std::set<TString> GetAllCloudFileStorageProviders() const override { return providers; }
  std::vector<TString> GetAllCloudFileClasses() const override { return {classes.begin(), classes.end()}; }
  TString GetClassDescription(const TString& name, const TString& locale) const override {
    const auto found = descriptions.find({name, locale});
    return found == descriptions.end() ? TString() : found->second;
  }
};

/// Driver checks that find every driver but those of `missing` (by "connection-type"; the empty
/// type stands for a check without one), whose message they write. They keep each call's
/// attributes and the message it came in with.
class DriverDiagnostics final : public IDriverDiagnostics {
 public:
  std::map<TString, TString> missing;
  struct Call {
    ConnectionAttributeMap attributes;
    TString messageOnEntry;
  };
  mutable std::vector<Call> calls;

  bool HasDriver(const ConnectionAttributeMap& attributes, TString& message) const override {
    calls.push_back({attributes, message});
    const auto type = attributes.find(DataConnectionAttrs::attrConnectionType);
    const auto found = missing.find(type == attributes.end() ? TString() : type->second);
    if (found == missing.end()) return true;
    message = found->second;
    return false;
  }
};

/// A credential service keeping what it is handed under the ids "credential-1", "credential-2", ...
class CredentialsService final : public ICredentialsService {
 public:
  struct Saved {
    ConnectionAttributeMap attributes;
    SecretMap secrets;
  };
  std::vector<Saved> saved;

  TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) override {
    saved.push_back({attributes, secrets});
    return QStringLiteral("credential-%1").arg(saved.size());
  }
  SecretMap GetCredentials(const TString& credentialId) const override {
    for (std::size_t i = 0; i < saved.size(); ++i)
      if (credentialId == QStringLiteral("credential-%1").arg(i + 1)) return saved[i].secrets;
    return {};
  }
  bool RemoveCredentials(const TString&) override { return false; }
};

/// A log sink that keeps every message.
class LogSink final : public ILogSink {
 public:
  std::vector<std::pair<TLog, TString>> messages;
  void Write(TLog severity, const TString& message) override { messages.emplace_back(severity, message); }
};

/// Installs a service for the life of a test scope and puts the previous one back.
template <typename Facade, typename Interface>
class ScopedInstall {
 public:
  explicit ScopedInstall(std::shared_ptr<Interface> service) : m_previous(Facade::Install(std::move(service))) {}
  ~ScopedInstall() { Facade::Install(std::move(m_previous)); }
  ScopedInstall(const ScopedInstall&) = delete;
  ScopedInstall& operator=(const ScopedInstall&) = delete;

 private:
  std::shared_ptr<Interface> m_previous;
};

}  // namespace fake
