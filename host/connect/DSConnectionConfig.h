// DSConnectionConfig and its relational and hierarchical kinds: the configuration of one data
// connection, as the connection dialogs read it.
//
// These are interfaces. The default implementation, driven by connector descriptions, is in
// host/connectors/; DSConnectionConfig::CreateInstance makes configurations through the
// installed IConnectionConfigFactory, which a host or a test can replace.
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectionOptions.h"
#include "host/connect/DataSource.h"
#include "host/connect/EnumerationInfo.h"
#include "host/connect/SQLRelation.h"

#include <map>
#include <memory>
#include <utility>
#include <vector>

class RelationalDSConnectionConfig;
class HierarchicalDSConnectionConfig;
class IGoogleAnalyticsConnectionConfig;

/// The configuration of one data connection: its class, its attributes, what its connector
/// asks for and the state of the connection.
class HLVHOST_API DSConnectionConfig : public RefCntObject {
 public:
  using Attributes = ConnectionAttributeMap;

  /// A configuration of `connectionClass` for `dataSource` (which may be null), through the
  /// installed factory. `isNewConnection` is true for a connection the user is about to make,
  /// false for one that exists (a data source's). An unknown class raises HalvaneException.
  static RefCntPtr<DSConnectionConfig> CreateInstance(const TString& connectionClass,
                                                      RefCntPtr<const IDataSource> dataSource,
                                                      RefCntPtr<const IDataSourceInfoProvider> infoProvider,
                                                      const TString& name, const DataObjectModel::ObjectId& objectId,
                                                      bool isNewConnection);
  /// A configuration of `connectionClass` holding `attributes`, not connected and not new.
  static RefCntPtr<DSConnectionConfig> CreateInstance(const TString& connectionClass, Attributes attributes);

  // --- Identity and attributes -----------------------------------------------------------

  /// The connection class, such as "postgres".
  virtual TString ClassName() const = 0;
  /// What kind of source the connection reads: a file, a server, an internet service or a data
  /// source published on the analytics server.
  virtual ConnectionTypeEnum GetConnectionType() const = 0;
  virtual const Attributes& GetConnectionAttributes() const = 0;
  /// The configuration's name (the data source's name, or empty).
  virtual TString GetConfigName() const = 0;
  /// The file a file connection reads; empty for a server connection.
  virtual TString GetFilename() const = 0;
  /// Lets the configuration amend attributes taken from the settings cache for a new connection
  /// (dropping what must not be reused, adding what the class always needs).
  virtual void PrepareCachedAttributes(Attributes& attributes) const = 0;

  // --- Kind ------------------------------------------------------------------------------

  /// Whether the configuration connects to a data source published on the analytics server.
  virtual bool IsServerDataSource() const = 0;
  virtual bool IsRelational() const = 0;
  /// This configuration as a relational one, or null.
  virtual RefCntPtr<const RelationalDSConnectionConfig> AsRelational() const = 0;
  virtual bool IsHierarchical() const = 0;
  /// This configuration as a hierarchical (cube) one, or null.
  virtual RefCntPtr<const HierarchicalDSConnectionConfig> AsHierarchical() const = 0;
  virtual bool IsGoogleAnalytics() const = 0;
  /// This configuration as a Google Analytics one, or null.
  virtual RefCntPtr<const IGoogleAnalyticsConnectionConfig> AsGoogleAnalytics() const = 0;
  /// Whether the configuration joins several connections (never described by the dialogs).
  virtual bool IsFederatedConfig() const = 0;

  // --- State -----------------------------------------------------------------------------

  /// Whether the user is making the connection now (rather than editing one that exists).
  virtual bool IsNewConnection() const = 0;
  virtual bool IsConnected() const = 0;
  /// Whether the connection has been completed far enough for its lists to be read.
  virtual bool ShouldFinishConnection() const = 0;
  virtual bool HasUncommittedChanges() const = 0;
  /// The number of database variables (prompts) of the connection.
  virtual int GetDbVariablesCount() const = 0;
  /// The data source the configuration belongs to, or null.
  virtual RefCntPtr<const IDataSource> GetDataSource() const = 0;

  // --- Texts the dialogs show ------------------------------------------------------------

  virtual TString GetConnectionTypeLabel() const = 0;
  virtual TString GetConnectionDescriptionLabel() const = 0;
  virtual TString GetAuthenticationPrompt() const = 0;
  virtual bool ShowVendorSupportInfo() const = 0;
  virtual TString GetVendorSupportInfo() const = 0;

  // --- Authentication --------------------------------------------------------------------

  virtual AuthenticationEnums::Mode GetAuthMode() const = 0;
  /// The option the connection's attributes choose, or the class's default option.
  virtual AuthenticationEnums::AuthOption GetCurrentAuthOption() const = 0;
  /// The options the class offers, in the order the dialog lists them.
  virtual std::vector<AuthenticationEnums::AuthOption> GetAuthOptions() const = 0;
  /// How the credentials of the stored connection are asked for again on reconnection.
  virtual AuthenticationEnums::ReconnectMode GetReconnectAuthMode() const = 0;
  /// Adds the parameters of the reconnect mode to `parameters`.
  virtual void GetReconnectAuthParams(Attributes& parameters) const = 0;

  // --- Initial SQL -----------------------------------------------------------------------

  virtual bool SupportsInitialSQL() const = 0;
  /// The initial SQL statement of `attributes`, or of this configuration's own attributes
  /// when `attributes` has none.
  virtual TString GetInitialSQL(const Attributes& attributes) const = 0;

 protected:
  ~DSConnectionConfig() override;
};

/// A configuration of a relational (SQL) connection. Its dialog queries are named after the
/// fields of the connection dialog they fill.
class HLVHOST_API RelationalDSConnectionConfig : public DSConnectionConfig {
 public:
  // --- Prompts ---------------------------------------------------------------------------

  virtual TString ServerNamePrompt() const = 0;
  virtual TString PortPrompt() const = 0;
  virtual TString DBNamePrompt() const = 0;
  virtual TString DBWHNamePrompt() const = 0;
  virtual TString ServiceNamePrompt() const = 0;
  virtual TString Vendor1NamePrompt() const = 0;
  virtual TString Vendor2NamePrompt() const = 0;
  virtual TString Vendor3NamePrompt() const = 0;

  // --- What the dialog shows, and what may stay empty ------------------------------------

  virtual bool ShowServerNamePrompt() const = 0;
  virtual bool ShowPortPrompt() const = 0;
  virtual bool DatabaseNameOptional() const = 0;
  virtual bool DatabaseWHOptional() const = 0;
  virtual bool ShowDBNamePrompt() const = 0;
  virtual bool ShowDBBrowseButton() const = 0;
  virtual bool ShowDBWHNamePrompt() const = 0;
  virtual bool ShowServiceNamePrompt() const = 0;
  virtual bool ShowVendor1NamePrompt() const = 0;
  virtual bool ShowVendor2NamePrompt() const = 0;
  virtual bool ShowVendor3NamePrompt() const = 0;
  virtual bool ServiceNameOptional() const = 0;
  virtual bool Vendor1NameOptional() const = 0;
  virtual bool Vendor2NameOptional() const = 0;
  virtual bool Vendor3NameOptional() const = 0;
  virtual bool ShowUncommittedDataCheckbox() const = 0;
  virtual bool ShowEncryptionCheckbox() const = 0;
  virtual bool ShowSSLCheckbox() const = 0;
  virtual bool ShowImportSSLCertLabel() const = 0;
  virtual bool SSLRequiresCertificate() const = 0;
  virtual bool ShowConnectionPrompt() const = 0;
  virtual bool ShowClientSSLBox() const = 0;
  virtual bool ShowDriverConfig() const = 0;
  virtual bool ShowInstanceUrlPrompt() const = 0;

  // --- The connection's values -----------------------------------------------------------

  virtual TString GetServer() const = 0;
  virtual TString GetPort() const = 0;
  /// The "sslmode" attribute, such as "require".
  virtual TString GetSSLMode() const = 0;
  virtual TString GetVendor1() const = 0;
  virtual TString GetVendor2() const = 0;
  virtual TString GetVendor3() const = 0;

  // --- Choices the connector offers ------------------------------------------------------

  virtual std::vector<Connect::ConnectionSettingsOption> GetConnectionSettingsOptions() const = 0;
  /// The ODBC data source names offered; `forDataPreparation` asks for those the data
  /// preparation application may use.
  virtual std::vector<Connect::DsnSettingsOption> GetDsnSettingsOptions(bool forDataPreparation) const = 0;
  virtual std::vector<Connect::TransportTypeConfig> GetTransportTypeConfigs() const = 0;

  // --- Connection fields and the modular dialog ------------------------------------------

  /// The connector's connection fields, or null when it describes none.
  virtual RefCntPtr<const Connect::IConnectionFieldsModel> GetConnectionFieldsModel() const = 0;
  /// The names of the connection fields that apply under `filter`; empty without a model.
  virtual std::vector<TString> GetConnectionFieldsNames(const Connect::ConnectionFieldsFilter& filter) const = 0;
  /// The description of the class's modular connection dialog, as JSON text; empty when the
  /// class has none.
  virtual TString GetModularConnectionDialogJson() const = 0;

  // --- Relations -------------------------------------------------------------------------

  /// The relation of the configuration's data source that goes by `alias`, or null.
  virtual RefCntPtr<const SQLRelation> GetConstRelationForAlias(const TString& alias) const = 0;
  /// The number of table relations `dataSource` holds.
  virtual int GetTableRelationCount(const RefCntPtr<const IDataSource>& dataSource) const = 0;

  // --- The lists of the data source page -------------------------------------------------
  //
  // Each Can query tells whether its list applies to the connection; each Enumerate appends
  // the list, in the database's own order, to the one it is given. A connection that fails, or
  // a catalogue the database refuses to show, raises DataSourceException with the database's
  // message; entries read before the failure stay appended.

  virtual bool CanEnumerateStandardConnections() const = 0;
  virtual bool CanEnumerateStoredProcedures() const = 0;
  virtual bool CanEnumerateDatabases() const = 0;
  virtual bool CanEnumerateSchemas() const = 0;
  virtual bool CanEnumerateTables() const = 0;
  virtual bool CanEnumerateWarehouses() const = 0;
  virtual void EnumerateStandardConnections(std::vector<TString>& names) const = 0;
  virtual void EnumerateStoredProcedures(std::vector<QualifiedName>& procedures) const = 0;
  /// Warehouses as pairs: the name the database knows, then the name users read.
  virtual void EnumerateWarehouses(std::vector<std::pair<TString, TString>>& warehouses) const = 0;
  virtual void EnumerateDatabases(std::vector<TString>& databases) const = 0;
  virtual void EnumerateSchemas(std::vector<TString>& schemas) const = 0;
  virtual void EnumerateTables(std::vector<RelationalDSConnectionConfigTableInfo>& tables) const = 0;
  virtual TString GetStandardConnectionTooltip(const TString& name) const = 0;
  /// Whether the connection has the numbered capability (412: its data must not be previewed).
  virtual bool HasCapability(int capability) const = 0;

  // --- How the data source page describes the connection ---------------------------------

  virtual TString GetTablePlaceholderText() const = 0;
  virtual TString GetStandardConnectionPlaceholderText() const = 0;
  /// Whether the metadata of `objectName` (the whole connection when empty) is quick to read.
  virtual bool HasFastMetadata(const TString& objectName) const = 0;
  virtual bool HasJoinAcrossSchemas() const = 0;
  virtual bool AllowCustomSQLWithOLAPOff() const = 0;
  virtual bool AllowCustomSQLOrUnionWithNoLeftJoinSupported() const = 0;
  virtual bool AllowCustomSQLOrUnionWithNoLODCalcsSupported(bool olap) const = 0;
  virtual bool AllowCustomSQL() const = 0;
  virtual bool AllowCustomSQLWithoutSchema() const = 0;
  virtual bool AllowCustomDatabase() const = 0;
  virtual bool AllowCustomSchema() const = 0;
  virtual bool AllowStoredProc() const = 0;
  virtual bool AllowUnion(const TString& configName) const = 0;
  virtual TString GetWarehouseName() const = 0;
  virtual bool HasWarehouse() const = 0;
  virtual bool HasBigQueryLegacySQLCheck() const = 0;
  /// Whether the legacy SQL check box is ticked.
  virtual bool GetBigQueryLegacySQLCheckState() const = 0;
  virtual TString GetDatabaseName() const = 0;
  virtual bool HasDatabase() const = 0;
  virtual bool IsSchemaOptional() const = 0;
  virtual bool ShouldIgnoreSchema() const = 0;
  virtual TString SchemaName() const = 0;
  virtual bool HasSchema() const = 0;
  virtual bool HasTables() const = 0;
  /// Adds the labels of the join area (by their JoinDescription keys) to `properties`.
  virtual void GetJoinDescriptionGlobalProperties(std::map<TString, TString>& properties) const = 0;
  /// Whether the page shows the join area (rather than no widget).
  virtual bool UsesJoinArea() const = 0;

 protected:
  ~RelationalDSConnectionConfig() override;
};

/// A configuration of a hierarchical (cube, multidimensional) connection.
class HLVHOST_API HierarchicalDSConnectionConfig : public DSConnectionConfig {
 public:
  /// One choice of the cube connection specification: a combo box, a line edit, or a line edit
  /// with a browse button.
  class HLVHOST_API ConnectionSpecificationOption {
   public:
    ConnectionSpecificationOption(ConnectionSpecificationType itemType, bool selected, TString prompt,
                                  TString currentText, std::vector<TString> possibleChoices, TString optionId)
        : m_itemType(itemType), m_selected(selected), m_prompt(std::move(prompt)),
          m_currentText(std::move(currentText)), m_possibleChoices(std::move(possibleChoices)),
          m_optionId(std::move(optionId)) {}

    ConnectionSpecificationType GetItemType() const noexcept { return m_itemType; }
    /// Whether this is the option the connection uses.
    bool IsSelected() const noexcept { return m_selected; }
    const TString& GetPrompt() const noexcept { return m_prompt; }
    const TString& GetCurrentText() const noexcept { return m_currentText; }
    /// The choices of a combo box; empty for the other kinds.
    const std::vector<TString>& GetPossibleChoices() const noexcept { return m_possibleChoices; }
    const TString& GetOptionId() const noexcept { return m_optionId; }

   private:
    ConnectionSpecificationType m_itemType;
    bool m_selected;
    TString m_prompt;
    TString m_currentText;
    std::vector<TString> m_possibleChoices;
    TString m_optionId;
  };

  /// The title above the cube connection's options.
  virtual TString GetConnectionSpecificationTitle() const = 0;
  /// The cube connection's options for a connection with `attributes`, with their current texts
  /// and which one is selected.
  virtual std::vector<ConnectionSpecificationOption> GetConnectionSpecificationOptions(
      const Attributes& attributes) const = 0;

  // --- Catalogs and cubes ----------------------------------------------------------------

  using CatalogInfo = HierarchicalDSConnectionConfigElements::CatalogInfo;
  using CubeInfo = HierarchicalDSConnectionConfigElements::CubeInfo;

  virtual TString GetCatalogListPrompt() const = 0;
  /// The chosen catalog; an invalid one when none is.
  virtual CatalogInfo GetCurrentCatalog() const = 0;
  virtual void EnumerateCatalogs(std::vector<CatalogInfo>& catalogs) const = 0;
  virtual SortDirection GetCatalogSortDirection() const = 0;
  virtual TString GetCatalogSearchTerm() const = 0;

  virtual TString GetCubeListPrompt() const = 0;
  /// The chosen cube; an invalid one when none is.
  virtual CubeInfo GetCurrentCube() const = 0;
  virtual void EnumerateCubes(std::vector<CubeInfo>& cubes) const = 0;
  /// The columns the cube list shows.
  virtual std::vector<CubeMetadataCategory> GetCubeMetadataCategories() const = 0;
  virtual CubeMetadataCategory GetCubeSortMetadataCategory() const = 0;
  virtual SortDirection GetCubeSortDirection() const = 0;
  virtual TString GetCubeSearchTerm() const = 0;

 protected:
  ~HierarchicalDSConnectionConfig() override;
};

/// What DSConnectionConfig::CreateInstance is asked for.
struct ConnectionConfigRequest {
  TString connectionClass;
  RefCntPtr<const IDataSource> dataSource;
  RefCntPtr<const IDataSourceInfoProvider> infoProvider;
  TString name;
  DataObjectModel::ObjectId objectId;
  bool isNewConnection = false;
  /// The connection's attributes; those of the data source when empty and there is one.
  ConnectionAttributeMap attributes;
};

/// Makes connection configurations.
class HLVHOST_API IConnectionConfigFactory {
 public:
  virtual ~IConnectionConfigFactory();

  /// The configuration `request` describes. An unknown class raises HalvaneException.
  virtual RefCntPtr<DSConnectionConfig> CreateConfig(const ConnectionConfigRequest& request) const = 0;
};

/// The process-wide configuration factory.
class HLVHOST_API ConnectionConfigFactory {
 public:
  ConnectionConfigFactory() = delete;

  /// The installed factory; by default the one that makes configurations from the connector
  /// descriptions of Connect::Registry::Instance().
  static const IConnectionConfigFactory& Instance();
  /// Installs `factory` (null puts the default back) and returns the one it replaces.
  static std::shared_ptr<IConnectionConfigFactory> Install(std::shared_ptr<IConnectionConfigFactory> factory);
};
