#include "host/connectors/DescribedConfigs.h"

#include "host/Exceptions.h"
#include "host/Secrets.h"
#include "host/app/FeatureFlags.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DataSourceException.h"
#include "host/connect/GoogleAnalytics.h"
#include "host/connectors/ConnectionFixture.h"
#include "host/connectors/ConnectorDescription.h"
#include "host/connectors/LiveConnection.h"
#include "host/connectors/OdbcCatalog.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <utility>

DescribedConfigState::DescribedConfigState() = default;
DescribedConfigState::~DescribedConfigState() = default;

DescribedConfigState* DescribedConfigState::Of(DSConnectionConfig& config) {
  return dynamic_cast<DescribedConfigState*>(&config);
}

void DescribedConfigState::Connect() {
  Disconnect();
  m_live = OpenLiveConnection();
  m_connected = true;
}

void DescribedConfigState::Disconnect() noexcept {
  m_live.reset();
  m_connected = false;
}

Preview::Result DescribedConfigState::Preview(const Preview::Request& request) const {
  if (!m_live) throw DataSourceException(QStringLiteral("Previewing needs an open connection: connect first"));
  return m_live->Preview(request);
}

namespace {

using Connect::ConnectorDescription;
using Connect::ConnectorFacts;
namespace Analytics = GoogleAnalyticsConnectionConfigElements;

// Attributes that name a stored connection or its credentials: a new connection never takes them
// over from the settings cache, nor any secret (Secrets::IsSecretAttribute).
constexpr QLatin1String kStoredConnectionIds[] = {DataConnectionAttrs::attrCredentialId,
                                                   DataConnectionAttrs::attrConnectionId};

// What every described configuration answers, whatever its model.
template <typename Base>
class DescribedConfig : public Base, public DescribedConfigState {
 public:
  DescribedConfig(RefCntPtr<const ConnectorDescription> description, const ConnectionConfigRequest& request,
                  DSConnectionConfig::Attributes attributes)
      : m_description(std::move(description)),
        m_attributes(std::move(attributes)),
        m_dataSource(request.dataSource),
        m_configName(ConfigName(request)),
        m_isNewConnection(request.isNewConnection) {}

  TString ClassName() const override { return Facts().className; }
  ConnectionTypeEnum GetConnectionType() const override {
    if (Facts().serverDataSource) return ConnectionTypeEnum::HalvaneServerDS;
    return Facts().type == Connect::ConnectionClassType::kFile ? ConnectionTypeEnum::FileDS : ConnectionTypeEnum::ServerDS;
  }
  const DSConnectionConfig::Attributes& GetConnectionAttributes() const override { return m_attributes; }
  TString GetConfigName() const override { return m_configName; }
  TString GetFilename() const override { return Value(DataConnectionAttrs::attrFilename); }

  void PrepareCachedAttributes(DSConnectionConfig::Attributes& attributes) const override {
    for (QLatin1String name : kStoredConnectionIds) attributes.erase(name);
    for (auto it = attributes.begin(); it != attributes.end();)
      it = Secrets::IsSecretAttribute(it->first) ? attributes.erase(it) : std::next(it);
    for (const Connect::FieldDescription& field : Facts().fields)
      if (field.field.IsSecure()) attributes.erase(field.field.GetName());
    for (const auto& [name, value] : Facts().defaultAttributes) attributes.emplace(name, value);
  }

  bool IsServerDataSource() const override { return Facts().serverDataSource; }
  bool IsRelational() const override { return Facts().model == Connect::ConnectionModel::kRelational; }
  RefCntPtr<const RelationalDSConnectionConfig> AsRelational() const override {
    return RefCntPtr<const RelationalDSConnectionConfig>(dynamic_cast<const RelationalDSConnectionConfig*>(this));
  }
  bool IsHierarchical() const override { return Facts().model == Connect::ConnectionModel::kHierarchical; }
  RefCntPtr<const HierarchicalDSConnectionConfig> AsHierarchical() const override {
    return RefCntPtr<const HierarchicalDSConnectionConfig>(dynamic_cast<const HierarchicalDSConnectionConfig*>(this));
  }
  bool IsGoogleAnalytics() const override { return Facts().model == Connect::ConnectionModel::kGoogleAnalytics; }
  RefCntPtr<const IGoogleAnalyticsConnectionConfig> AsGoogleAnalytics() const override {
    return RefCntPtr<const IGoogleAnalyticsConnectionConfig>(dynamic_cast<const IGoogleAnalyticsConnectionConfig*>(this));
  }
  bool IsFederatedConfig() const override { return Facts().model == Connect::ConnectionModel::kFederated; }

  bool IsNewConnection() const override { return m_isNewConnection; }
  bool IsConnected() const override { return m_connected; }
  bool ShouldFinishConnection() const override { return m_connected; }
  bool HasUncommittedChanges() const override { return m_uncommittedChanges; }
  int GetDbVariablesCount() const override { return m_dbVariablesCount; }
  RefCntPtr<const IDataSource> GetDataSource() const override { return m_dataSource; }

  TString GetConnectionTypeLabel() const override { return m_description->Caption(TString()); }
  /// What the connection reads: the file's name for a file class, the server otherwise.
  TString GetConnectionDescriptionLabel() const override {
    if (Facts().type == Connect::ConnectionClassType::kFile) return QFileInfo(GetFilename()).fileName();
    return Value(QStringLiteral("server"));
  }
  TString GetAuthenticationPrompt() const override { return Facts().authentication.prompt; }
  bool ShowVendorSupportInfo() const override { return !Facts().vendorSupportInfo.isEmpty(); }
  TString GetVendorSupportInfo() const override { return Facts().vendorSupportInfo; }

  AuthenticationEnums::Mode GetAuthMode() const override { return Facts().authentication.mode; }
  AuthenticationEnums::AuthOption GetCurrentAuthOption() const override {
    const AuthenticationEnums::AuthOption chosen =
        m_description->AuthOptionOf(Value(DataConnectionAttrs::attrAuthentication));
    return chosen == AuthenticationEnums::AuthOption::AuthOptionInvalid ? Facts().authentication.defaultOption : chosen;
  }
  std::vector<AuthenticationEnums::AuthOption> GetAuthOptions() const override {
    std::vector<AuthenticationEnums::AuthOption> options;
    for (const auto& entry : Facts().authentication.options) options.push_back(entry.first);
    return options;
  }
  AuthenticationEnums::ReconnectMode GetReconnectAuthMode() const override { return Facts().reconnect.mode; }
  void GetReconnectAuthParams(DSConnectionConfig::Attributes& parameters) const override {
    for (const auto& [name, value] : Facts().reconnect.parameters) parameters.insert_or_assign(name, value);
    for (const TString& name : Facts().reconnect.attributes)
      if (const auto found = m_attributes.find(name); found != m_attributes.end())
        parameters.insert_or_assign(name, found->second);
  }

  /// Only a relational configuration is opened live.
  std::unique_ptr<LiveConnection> OpenLiveConnection() const override {
    if (!IsRelational())
      throw DataSourceException(QStringLiteral("Connecting to a data source of class \"%1\" failed: the host opens "
                                               "live connections of relational classes only")
                                    .arg(ClassName()));
    return LiveConnection::Open(*m_description, m_attributes);
  }

  bool SupportsInitialSQL() const override { return Facts().supportsInitialSQL; }
  TString GetInitialSQL(const DSConnectionConfig::Attributes& attributes) const override {
    const auto found = attributes.find(DataConnectionAttrs::attrInitialSQL);
    return found != attributes.end() ? found->second : Value(DataConnectionAttrs::attrInitialSQL);
  }

 protected:
  ~DescribedConfig() override = default;

  const ConnectorFacts& Facts() const { return m_description->Facts(); }
  const ConnectorDescription& Description() const { return *m_description; }

  TString Value(const TString& name) const {
    const auto found = m_attributes.find(name);
    return found == m_attributes.end() ? TString() : found->second;
  }

 private:
  // The name the request gives, else the caption of the data source it names.
  static TString ConfigName(const ConnectionConfigRequest& request) {
    if (!request.name.isEmpty()) return request.name;
    RefCntPtr<const IDataSourceInfoProvider> provider = request.infoProvider;
    if (!provider && request.dataSource) provider = request.dataSource->GetDataSourceInfoProvider();
    return provider ? provider->GetDataSourceCaption() : TString();
  }

  const RefCntPtr<const ConnectorDescription> m_description;
  const DSConnectionConfig::Attributes m_attributes;
  const RefCntPtr<const IDataSource> m_dataSource;
  const TString m_configName;
  const bool m_isNewConnection;
};

class PlainConfig final : public DescribedConfig<DSConnectionConfig> {
 public:
  using DescribedConfig::DescribedConfig;

 private:
  ~PlainConfig() override = default;
};

class RelationalConfig final : public DescribedConfig<RelationalDSConnectionConfig> {
 public:
  using DescribedConfig::DescribedConfig;

  TString ServerNamePrompt() const override { return Dialog().server.prompt; }
  TString PortPrompt() const override { return Dialog().port.prompt; }
  TString DBNamePrompt() const override { return Dialog().database.prompt; }
  TString DBWHNamePrompt() const override { return Dialog().warehouse.prompt; }
  TString ServiceNamePrompt() const override { return Dialog().service.prompt; }
  TString Vendor1NamePrompt() const override { return Dialog().vendor1.prompt; }
  TString Vendor2NamePrompt() const override { return Dialog().vendor2.prompt; }
  TString Vendor3NamePrompt() const override { return Dialog().vendor3.prompt; }

  bool ShowServerNamePrompt() const override { return Dialog().server.show; }
  bool ShowPortPrompt() const override { return Dialog().port.show; }
  bool DatabaseNameOptional() const override { return Dialog().database.optional; }
  bool DatabaseWHOptional() const override { return Dialog().warehouse.optional; }
  bool ShowDBNamePrompt() const override { return Dialog().database.show; }
  bool ShowDBBrowseButton() const override { return Dialog().showDBBrowseButton; }
  bool ShowDBWHNamePrompt() const override { return Dialog().warehouse.show; }
  bool ShowServiceNamePrompt() const override { return Dialog().service.show; }
  bool ShowVendor1NamePrompt() const override { return Dialog().vendor1.show; }
  bool ShowVendor2NamePrompt() const override { return Dialog().vendor2.show; }
  bool ShowVendor3NamePrompt() const override { return Dialog().vendor3.show; }
  bool ServiceNameOptional() const override { return Dialog().service.optional; }
  bool Vendor1NameOptional() const override { return Dialog().vendor1.optional; }
  bool Vendor2NameOptional() const override { return Dialog().vendor2.optional; }
  bool Vendor3NameOptional() const override { return Dialog().vendor3.optional; }
  bool ShowUncommittedDataCheckbox() const override { return Dialog().showUncommittedDataCheckbox; }
  bool ShowEncryptionCheckbox() const override { return Dialog().showEncryptionCheckbox; }
  bool ShowSSLCheckbox() const override { return Dialog().showSSLCheckbox; }
  bool ShowImportSSLCertLabel() const override { return Dialog().showImportSSLCertLabel; }
  bool SSLRequiresCertificate() const override { return Dialog().sslRequiresCertificate; }
  bool ShowConnectionPrompt() const override { return Dialog().showConnectionPrompt; }
  bool ShowClientSSLBox() const override { return Dialog().showClientSSLBox; }
  bool ShowDriverConfig() const override { return Dialog().showDriverConfig; }
  bool ShowInstanceUrlPrompt() const override { return Dialog().showInstanceUrlPrompt; }

  TString GetServer() const override { return Value(QStringLiteral("server")); }
  TString GetPort() const override { return Value(QStringLiteral("port")); }
  TString GetSSLMode() const override { return Value(QStringLiteral("sslmode")); }
  TString GetVendor1() const override { return Value(QStringLiteral("vendor1")); }
  TString GetVendor2() const override { return Value(QStringLiteral("vendor2")); }
  TString GetVendor3() const override { return Value(QStringLiteral("vendor3")); }

  std::vector<Connect::ConnectionSettingsOption> GetConnectionSettingsOptions() const override {
    return Facts().connectionOptions;
  }

  /// The description's own options, then, when it says so, the data source names the ODBC
  /// driver manager knows: for the data preparation application only the system-wide ones,
  /// since it does not run as the user who made the others.
  std::vector<Connect::DsnSettingsOption> GetDsnSettingsOptions(bool forDataPreparation) const override {
    std::vector<Connect::DsnSettingsOption> options;
    for (const Connect::DsnOptionDescription& described : Facts().dsnOptions)
      if (described.forDataPreparation || !forDataPreparation) options.push_back(described.option);
    if (!Facts().listsSystemDsns) return options;
    for (const OdbcCatalog::DataSourceName& dsn : OdbcCatalog::DataSourceNames(forDataPreparation))
      options.emplace_back(dsn.name, dsn.driver, TString(), TString(), TString(), TString(), TString());
    return options;
  }

  std::vector<Connect::TransportTypeConfig> GetTransportTypeConfigs() const override { return Facts().transportTypes; }

  RefCntPtr<const Connect::IConnectionFieldsModel> GetConnectionFieldsModel() const override {
    return Description().FieldsModel();
  }
  std::vector<TString> GetConnectionFieldsNames(const Connect::ConnectionFieldsFilter& filter) const override {
    const RefCntPtr<const Connect::IConnectionFieldsModel> model = Description().FieldsModel();
    return model ? model->GetConnectionFieldsNames(filter) : std::vector<TString>();
  }
  /// The modular dialog edits the connection fields, which connections take only while the
  /// connection-fields flag is on; off, the class's fixed dialog is shown instead, since what
  /// a modular dialog edited would be dropped.
  TString GetModularConnectionDialogJson() const override {
    if (!FeatureFlags::IsOn(FeatureFlagIds::kConnectionFieldsModel)) return TString();
    return Facts().modularDialogJson;
  }

  RefCntPtr<const SQLRelation> GetConstRelationForAlias(const TString& alias) const override {
    const RefCntPtr<const IDataSource> dataSource = GetDataSource();
    return dataSource ? dataSource->GetRelationForAlias(alias) : nullptr;
  }
  int GetTableRelationCount(const RefCntPtr<const IDataSource>&) const override { return 0; }

  // The lists come from the live connection's catalogue: a configuration without one lists
  // nothing. Tables and stored procedures are those of the "schema" attribute's schema when it
  // names one, else those of every user schema.
  bool CanEnumerateStandardConnections() const override { return Page().listsStandardConnections && Lists(std::nullopt); }
  bool CanEnumerateStoredProcedures() const override {
    return Page().listsStoredProcedures && Lists(LiveConnection::List::kStoredProcedures);
  }
  bool CanEnumerateDatabases() const override { return Page().listsDatabases && Lists(LiveConnection::List::kDatabases); }
  bool CanEnumerateSchemas() const override { return Page().listsSchemas && Lists(LiveConnection::List::kSchemas); }
  bool CanEnumerateTables() const override { return Page().listsTables && Lists(LiveConnection::List::kTables); }
  bool CanEnumerateWarehouses() const override { return Page().listsWarehouses && Lists(std::nullopt); }
  // No catalogue the host reads has standard connections or warehouses.
  void EnumerateStandardConnections(std::vector<TString>&) const override {}
  void EnumerateStoredProcedures(std::vector<QualifiedName>& procedures) const override {
    if (CanEnumerateStoredProcedures()) Live()->StoredProcedures(Value(kSchema), procedures);
  }
  void EnumerateWarehouses(std::vector<std::pair<TString, TString>>&) const override {}
  void EnumerateDatabases(std::vector<TString>& databases) const override {
    if (CanEnumerateDatabases()) Live()->Databases(databases);
  }
  void EnumerateSchemas(std::vector<TString>& schemas) const override {
    if (CanEnumerateSchemas()) Live()->Schemas(schemas);
  }
  void EnumerateTables(std::vector<RelationalDSConnectionConfigTableInfo>& tables) const override {
    if (CanEnumerateTables()) Live()->Tables(Value(kSchema), tables);
  }
  TString GetStandardConnectionTooltip(const TString&) const override { return TString(); }
  bool HasCapability(int capability) const override {
    const std::vector<int>& capabilities = Page().capabilities;
    return std::find(capabilities.begin(), capabilities.end(), capability) != capabilities.end();
  }

  // The page's other questions come from the description.
  TString GetTablePlaceholderText() const override { return Page().tablePlaceholder; }
  TString GetStandardConnectionPlaceholderText() const override { return Page().standardConnectionPlaceholder; }
  bool HasFastMetadata(const TString&) const override { return Page().fastMetadata; }
  bool HasJoinAcrossSchemas() const override { return Page().joinAcrossSchemas; }
  bool AllowCustomSQLWithOLAPOff() const override { return Page().customSQLWithOLAPOff; }
  bool AllowCustomSQLOrUnionWithNoLeftJoinSupported() const override { return Page().customSQLOrUnionWithoutLeftJoin; }
  bool AllowCustomSQLOrUnionWithNoLODCalcsSupported(bool) const override {
    return Page().customSQLOrUnionWithoutLODCalcs;
  }
  bool AllowCustomSQL() const override { return Page().customSQL; }
  bool AllowCustomSQLWithoutSchema() const override { return Page().customSQLWithoutSchema; }
  bool AllowCustomDatabase() const override { return Page().customDatabase; }
  bool AllowCustomSchema() const override { return Page().customSchema; }
  bool AllowStoredProc() const override { return Page().storedProcedures; }
  bool AllowUnion(const TString&) const override { return Page().unionAllowed; }
  TString GetWarehouseName() const override { return Value(QStringLiteral("warehouse")); }
  bool HasWarehouse() const override { return Page().hasWarehouse; }
  bool HasBigQueryLegacySQLCheck() const override { return Page().legacySQLCheckAttribute.has_value(); }
  /// The check box's attribute: "true" or "false" (any letter case), else the description's default.
  bool GetBigQueryLegacySQLCheckState() const override {
    if (!Page().legacySQLCheckAttribute) return false;
    const TString state = Value(*Page().legacySQLCheckAttribute);
    if (state.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
    if (state.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    return Page().legacySQLCheckDefault;
  }
  /// The "dbname" attribute, else the database the live connection is in.
  TString GetDatabaseName() const override {
    const TString named = Value(QStringLiteral("dbname"));
    if (!named.isEmpty() || Live() == nullptr) return named;
    return Live()->CurrentDatabase();
  }
  bool HasDatabase() const override { return Page().hasDatabase; }
  bool IsSchemaOptional() const override { return Page().schemaOptional; }
  bool ShouldIgnoreSchema() const override { return Page().ignoresSchema; }
  /// The "schema" attribute, else the schema the live connection resolves names in.
  TString SchemaName() const override {
    const TString named = Value(kSchema);
    if (!named.isEmpty() || Live() == nullptr) return named;
    return Live()->CurrentSchema();
  }
  bool HasSchema() const override { return Page().hasSchema; }
  bool HasTables() const override { return Page().hasTables; }
  void GetJoinDescriptionGlobalProperties(std::map<TString, TString>& properties) const override {
    for (const auto& [key, text] : Page().labels) properties.insert_or_assign(key, text);
  }
  bool UsesJoinArea() const override { return Page().joinArea; }

 private:
  ~RelationalConfig() override = default;

  const Connect::DialogDescription& Dialog() const { return Facts().dialog; }
  const Connect::DataSourcePageDescription& Page() const { return Facts().dataSourcePage; }

  // Whether the live connection's catalogue gives `list`; a list no catalogue has (nullopt)
  // never. A configuration not connected, or without a live connection, lists nothing.
  bool Lists(std::optional<LiveConnection::List> list) const {
    return IsConnected() && Live() != nullptr && list.has_value() && Live()->Lists(*list);
  }

  static inline const QLatin1String kSchema{"schema"};
};

class HierarchicalConfig final : public DescribedConfig<HierarchicalDSConnectionConfig> {
 public:
  HierarchicalConfig(RefCntPtr<const ConnectorDescription> description, const ConnectionConfigRequest& request,
                     DSConnectionConfig::Attributes attributes, Connect::CubeFixture cube)
      : DescribedConfig(std::move(description), request, std::move(attributes)), m_cube(std::move(cube)) {}

  TString GetConnectionSpecificationTitle() const override { return Specification().title; }

  TString GetCatalogListPrompt() const override { return m_cube.catalogListPrompt; }
  CatalogInfo GetCurrentCatalog() const override { return m_cube.currentCatalog; }
  void EnumerateCatalogs(std::vector<CatalogInfo>& catalogs) const override {
    catalogs.insert(catalogs.end(), m_cube.catalogs.begin(), m_cube.catalogs.end());
  }
  SortDirection GetCatalogSortDirection() const override { return m_cube.catalogSortDirection; }
  TString GetCatalogSearchTerm() const override { return m_cube.catalogSearchTerm; }
  TString GetCubeListPrompt() const override { return m_cube.cubeListPrompt; }
  CubeInfo GetCurrentCube() const override { return m_cube.currentCube; }
  void EnumerateCubes(std::vector<CubeInfo>& cubes) const override {
    cubes.insert(cubes.end(), m_cube.cubes.begin(), m_cube.cubes.end());
  }
  std::vector<CubeMetadataCategory> GetCubeMetadataCategories() const override { return m_cube.metadataCategories; }
  CubeMetadataCategory GetCubeSortMetadataCategory() const override { return m_cube.sortCategory; }
  SortDirection GetCubeSortDirection() const override { return m_cube.cubeSortDirection; }
  TString GetCubeSearchTerm() const override { return m_cube.cubeSearchTerm; }

  /// Each option's current text is the value of its attribute. The selected option is the
  /// first whose attribute holds a value, else the description's default one.
  std::vector<ConnectionSpecificationOption> GetConnectionSpecificationOptions(
      const DSConnectionConfig::Attributes& attributes) const override {
    const std::vector<Connect::CubeSpecificationOptionDescription>& described = Specification().options;
    const auto valueOf = [&attributes](const TString& name) {
      const auto found = attributes.find(name);
      return found == attributes.end() ? TString() : found->second;
    };
    std::size_t selected = described.size();
    for (std::size_t i = 0; i < described.size() && selected == described.size(); ++i)
      if (!valueOf(described[i].attribute).isEmpty()) selected = i;
    for (std::size_t i = 0; i < described.size() && selected == described.size(); ++i)
      if (described[i].isDefault) selected = i;

    std::vector<ConnectionSpecificationOption> options;
    for (std::size_t i = 0; i < described.size(); ++i) {
      const Connect::CubeSpecificationOptionDescription& option = described[i];
      options.emplace_back(option.type, i == selected, option.prompt, valueOf(option.attribute), option.choices,
                           option.id);
    }
    return options;
  }

 private:
  ~HierarchicalConfig() override = default;

  const Connect::CubeSpecificationDescription& Specification() const {
    HLV_ASSERT(Facts().cubeSpecification.has_value());
    return *Facts().cubeSpecification;
  }

  const Connect::CubeFixture m_cube;
};

class GoogleAnalyticsConfig final : public DescribedConfig<IGoogleAnalyticsConnectionConfig> {
 public:
  GoogleAnalyticsConfig(RefCntPtr<const ConnectorDescription> description, const ConnectionConfigRequest& request,
                        DSConnectionConfig::Attributes attributes, Connect::GoogleAnalyticsFixture analytics)
      : DescribedConfig(std::move(description), request, std::move(attributes)), m_analytics(std::move(analytics)) {
    CheckPosition(m_analytics.selectedAccount, m_analytics.accounts.size());
    CheckPosition(m_analytics.selectedProperty, m_analytics.properties.size());
    CheckPosition(m_analytics.selectedView, m_analytics.views.size());
    CheckPosition(m_analytics.selectedMeasureSet, m_analytics.measureSets.size());
    CheckPosition(m_analytics.selectedSegment, m_analytics.segments.size());
  }

  int GetAccounts(BasicItems& items) const override { return Append(m_analytics.accounts, items); }
  int GetProperties(BasicItems& items) const override { return Append(m_analytics.properties, items); }
  int GetViews(BasicItems& items) const override { return Append(m_analytics.views, items); }

  Analytics::GoogleBasicInfoItem GetSelectedAccount(int* index) const override {
    return Chosen(m_analytics.accounts, m_analytics.selectedAccount, index);
  }
  Analytics::GoogleBasicInfoItem GetSelectedProperty(int* index) const override {
    return Chosen(m_analytics.properties, m_analytics.selectedProperty, index);
  }
  Analytics::GoogleBasicInfoItem GetSelectedView(int* index) const override {
    return Chosen(m_analytics.views, m_analytics.selectedView, index);
  }

  DateRange GetDateRange() const override { return m_analytics.dateRange; }
  QDate GetStartDate() const override { return m_analytics.startDate; }
  QDate GetEndDate() const override { return m_analytics.endDate; }

  void GetPossibleDimensions(Items& items) const override { Merge(m_analytics.possibleDimensions, items); }
  void GetPossibleMeasures(Items& items) const override { Merge(m_analytics.possibleMeasures, items); }
  void GetSelectedDimensions(Items& items) const override { Merge(m_analytics.selectedDimensions, items); }
  void GetSelectedMeasures(Items& items) const override { Merge(m_analytics.selectedMeasures, items); }

  void GetMeasureSets(std::vector<Analytics::GoogleAnalyticsMeasureSet>& sets) const override {
    Append(m_analytics.measureSets, sets);
  }
  Analytics::GoogleAnalyticsMeasureSet GetSelectedMeasureSet(int* index) const override {
    return Chosen(m_analytics.measureSets, m_analytics.selectedMeasureSet, index);
  }
  void GetSegments(std::vector<Analytics::GoogleAnalyticsSegment>& segments) const override {
    Append(m_analytics.segments, segments);
  }
  Analytics::GoogleAnalyticsSegment GetSelectedSegment(int* index) const override {
    return Chosen(m_analytics.segments, m_analytics.selectedSegment, index);
  }

  void GetQueryResponseInfo(std::map<TString, DataValue>& info) const override {
    for (const auto& [name, value] : m_analytics.queryResponseInfo) info.insert_or_assign(name, value);
  }
  bool IsQueryPartitioningOn() const override { return m_analytics.partitioningOn; }
  bool CanPartitionQuery() const override { return m_analytics.canPartition; }
  bool HasGeneralPartitionRestriction() const override { return m_analytics.generalRestriction; }
  void GetPartitionRestrictingItems(int which, Items& items) const override {
    HLV_ASSERT(which == 0 || which == 1);
    Merge(which == 0 ? m_analytics.restrictingDimensions : m_analytics.restrictingMeasures, items);
  }

 private:
  ~GoogleAnalyticsConfig() override = default;

  static void CheckPosition(int position, std::size_t count) {
    HLV_ASSERT(position >= -1 && position < static_cast<std::ptrdiff_t>(count));
  }

  template <typename Item>
  static int Append(const std::vector<Item>& from, std::vector<Item>& to) {
    to.insert(to.end(), from.begin(), from.end());
    return 0;
  }

  static void Merge(const Items& from, Items& to) {
    for (const auto& [id, item] : from) to.insert_or_assign(id, item);
  }

  // The entry at `position`, written to `index`; an empty entry, and `index` untouched, when
  // nothing is chosen.
  template <typename Item>
  static Item Chosen(const std::vector<Item>& items, int position, int* index) {
    if (position < 0) return Item();
    if (index != nullptr) *index = position;
    return items[static_cast<std::size_t>(position)];
  }

  const Connect::GoogleAnalyticsFixture m_analytics;
};

// A description for a connector that was not made from one: what the connector tells.
RefCntPtr<const ConnectorDescription> DescribeConnector(const Connect::IConnector& connector) {
  ConnectorFacts facts;
  facts.className = connector.GetClassName();
  facts.caption = Connect::LocalizedText(std::map<TString, TString>{{QStringLiteral("en"), connector.GetCaption()}});
  facts.model = Connect::ConnectionModel::kOther;
  facts.supportsInitialSQL = connector.SupportsInitialSQL();
  if (connector.SupportsOAuth()) facts.oauth = Connect::OAuthDescription{};
  return MakeRefCnt<ConnectorDescription>(std::move(facts));
}

DSConnectionConfig::Attributes AttributesFor(const ConnectorFacts& facts, const ConnectionConfigRequest& request) {
  DSConnectionConfig::Attributes attributes = request.attributes;
  if (attributes.empty() && request.dataSource) attributes = request.dataSource->GetConnectionAttributes();
  attributes.emplace(DataConnectionAttrs::attrClass, facts.className);
  if (request.isNewConnection)
    for (const auto& [name, value] : facts.defaultAttributes) attributes.emplace(name, value);
  return attributes;
}

// The configuration of `request`, whose page answers from `fixture` when there is one.
RefCntPtr<DSConnectionConfig> CreateDescribedConfig(const ConnectionConfigRequest& request,
                                                    const Connect::ConnectionFixture* fixture) {
  const RefCntPtr<const Connect::IConnector> connector =
      Connect::Registry::Instance().LookupConnector(request.connectionClass);
  if (!connector)
    throw HalvaneException(QStringLiteral("Unknown connection class \"%1\"").arg(request.connectionClass));
  RefCntPtr<const ConnectorDescription> description = DynamicPointerCast<const ConnectorDescription>(connector);
  if (!description) description = DescribeConnector(*connector);

  DSConnectionConfig::Attributes attributes = AttributesFor(description->Facts(), request);
  switch (description->Facts().model) {
    case Connect::ConnectionModel::kRelational:
      return MakeRefCnt<RelationalConfig>(std::move(description), request, std::move(attributes));
    case Connect::ConnectionModel::kHierarchical:
      return MakeRefCnt<HierarchicalConfig>(std::move(description), request, std::move(attributes),
                                            fixture && fixture->cube ? *fixture->cube : Connect::CubeFixture());
    case Connect::ConnectionModel::kGoogleAnalytics:
      return MakeRefCnt<GoogleAnalyticsConfig>(
          std::move(description), request, std::move(attributes),
          fixture && fixture->googleAnalytics ? *fixture->googleAnalytics : Connect::GoogleAnalyticsFixture());
    case Connect::ConnectionModel::kFederated:
    case Connect::ConnectionModel::kOther:
      break;
  }
  return MakeRefCnt<PlainConfig>(std::move(description), request, std::move(attributes));
}

}  // namespace

RefCntPtr<DSConnectionConfig> DescribedConfigFactory::CreateConfig(const ConnectionConfigRequest& request) const {
  return CreateDescribedConfig(request, nullptr);
}

RefCntPtr<DSConnectionConfig> DescribedConfigFactory::CreateFixtureConfig(const ConnectionConfigRequest& request,
                                                                          const Connect::ConnectionFixture& fixture) {
  return CreateDescribedConfig(request, &fixture);
}
