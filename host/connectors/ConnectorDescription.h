// ConnectorDescription: everything the host knows of one connection class, as its connector
// description file says it (docs/connectors.md). The description is the class's connector: the
// registry hands it out as Connect::IConnector, and the configurations, the cloud-file registry
// and the driver diagnostics read their answers from it.
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectionOptions.h"
#include "host/connect/ConnectorRegistry.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace Connect {

/// A text in several languages, by locale ("en", "de", "fr_CA", ...).
class HLVHOST_API LocalizedText {
 public:
  LocalizedText() = default;
  explicit LocalizedText(std::map<TString, TString> byLocale) : m_byLocale(std::move(byLocale)) {}

  /// The text for `locale` (an ISO string such as "de_DE", a short alias such as "de", or
  /// empty for the user's language, English): the exact locale, else its language, else
  /// English; empty when there is none of them.
  TString In(const TString& locale) const;
  bool IsEmpty() const noexcept { return m_byLocale.empty(); }
  const std::map<TString, TString>& ByLocale() const noexcept { return m_byLocale; }

 private:
  std::map<TString, TString> m_byLocale;
};

/// Whether a class reads a file or connects to a server; kNone keeps a class (such as the
/// "invalidconnection" placeholder) out of both gallery lists.
enum class ConnectionClassType { kFile, kServer, kNone };

/// Which configuration the class's connections get.
enum class ConnectionModel { kRelational, kHierarchical, kGoogleAnalytics, kFederated, kOther };

/// A database driver a connection needs.
struct DriverRequirement {
  enum class Kind {
    kQt,    ///< a Qt SQL driver, such as "QPSQL"
    kOdbc,  ///< an ODBC driver, by the name the driver manager lists
    kJdbc,  ///< a JDBC driver, by the file name of its jar
    kHost,  ///< a reader the host serves itself: "text" (text files) or "excel" (workbooks)
  };
  Kind kind = Kind::kQt;
  TString name;
  /// Drivers of the same kind that serve as well when `name` is not installed, in the order
  /// they are tried: an ODBC driver by its name or by the path of its library.
  std::vector<TString> alternatives;
};

/// One text field of the relational connection dialog.
struct PromptDescription {
  TString prompt;
  bool show = false;
  bool optional = false;
};

/// The layout of the relational connection dialog: what each RelationalDSConnectionConfig
/// query answers.
struct DialogDescription {
  PromptDescription server, port, database, warehouse, service, vendor1, vendor2, vendor3;
  bool showDBBrowseButton = false;
  bool showUncommittedDataCheckbox = false;
  bool showEncryptionCheckbox = false;
  bool showSSLCheckbox = false;
  bool showImportSSLCertLabel = false;
  bool sslRequiresCertificate = false;
  bool showConnectionPrompt = false;
  bool showClientSSLBox = false;
  bool showDriverConfig = false;
  bool showInstanceUrlPrompt = false;
};

/// How the data source page shows a connection of a relational class, and what it offers there.
struct DataSourcePageDescription {
  /// Which lists the page may show; a list also needs a live connection whose catalogue gives it.
  bool listsDatabases = true;
  bool listsSchemas = true;
  bool listsTables = true;
  bool listsStoredProcedures = true;
  bool listsWarehouses = false;
  bool listsStandardConnections = false;
  /// Which pickers the page has (HasDatabase, HasSchema, HasTables, HasWarehouse).
  bool hasDatabase = true;
  bool hasSchema = true;
  bool hasTables = true;
  bool hasWarehouse = false;
  bool schemaOptional = false;
  bool ignoresSchema = false;
  bool customSQL = true;
  bool customSQLWithoutSchema = false;
  bool customSQLWithOLAPOff = true;
  bool customSQLOrUnionWithoutLeftJoin = true;
  bool customSQLOrUnionWithoutLODCalcs = true;
  bool unionAllowed = true;
  bool customDatabase = false;
  bool customSchema = false;
  bool storedProcedures = true;
  bool fastMetadata = true;
  bool joinAcrossSchemas = true;
  bool joinArea = true;
  /// The capability numbers the connection has (412: its data must not be previewed).
  std::vector<int> capabilities;
  TString tablePlaceholder;
  TString standardConnectionPlaceholder;
  /// The labels of the join area by their JoinDescription keys.
  std::map<TString, TString> labels;
  /// The attribute that holds the state of the legacy SQL check box ("true" or "false"), when
  /// the page has one.
  std::optional<TString> legacySQLCheckAttribute;
  bool legacySQLCheckDefault = false;
};

/// How the class asks for credentials.
struct AuthenticationDescription {
  AuthenticationEnums::Mode mode = AuthenticationEnums::Mode::AuthModeNone;
  TString prompt;
  /// The options in the dialog's order, each with the "authentication" attribute value that
  /// stands for it (empty: the option writes no value).
  std::vector<std::pair<AuthenticationEnums::AuthOption, TString>> options;
  AuthenticationEnums::AuthOption defaultOption = AuthenticationEnums::AuthOption::AuthOptionNone;
  bool mayNeedAuth = false;
  /// Whether the class keeps its secrets in the credential service; by default, exactly when it
  /// can take one (it asks for credentials, or has a secure connection field).
  bool inMemoryCredentials = false;
};

struct OAuthConfigDescription {
  TString id;
  TString label;
  bool customDomain = false;
};

/// How the class signs in with OAuth.
struct OAuthDescription {
  bool customDomain = false;
  bool excludesGenericAuth = false;
  std::vector<OAuthConfigDescription> configs;
};

/// A class that reads files kept by a cloud storage provider.
struct CloudFileDescription {
  TString provider;
  LocalizedText providerDescriptions;
  std::vector<TString> extensions;
  TString corsProxyUrlPrefix;
  LocalizedText descriptions;
};

/// A class whose dialog is a web page.
struct WebDataConnectorDescription {
  LocalizedText displayNames;
  bool usesOAuth = false;
  bool allowsGenericAuth = false;
};

/// One connection field, with the conditions under which it applies: for each named attribute,
/// the values it may hold (an absent attribute holds the empty value).
struct FieldDescription {
  ConnectionField field;
  std::vector<std::pair<TString, std::vector<TString>>> conditions;
};

/// An ODBC data source name the description offers, and whether the data preparation
/// application may use it.
struct DsnOptionDescription {
  DsnSettingsOption option;
  bool forDataPreparation = true;
};

struct CubeSpecificationOptionDescription {
  ConnectionSpecificationType type = ConnectionSpecificationType::LineEdit;
  TString id;
  TString prompt;
  /// The attribute that holds the option's current text.
  TString attribute;
  std::vector<TString> choices;
  /// Whether the option is selected when no option's attribute holds a value.
  bool isDefault = false;
};

struct CubeSpecificationDescription {
  TString title;
  std::vector<CubeSpecificationOptionDescription> options;
};

struct ReconnectDescription {
  AuthenticationEnums::ReconnectMode mode = AuthenticationEnums::ReconnectMode::ReconnectModeNone;
  /// Fixed parameters of the mode.
  std::map<TString, TString> parameters;
  /// Attributes whose current values are passed as parameters of the same name.
  std::vector<TString> attributes;
};

/// Every fact of a connector description, as read from its file.
struct ConnectorFacts {
  TString className;
  LocalizedText caption;
  ConnectionClassType type = ConnectionClassType::kServer;
  ConnectionModel model = ConnectionModel::kRelational;
  std::optional<double> galleryOrder;
  bool visible = true;
  bool usableWhenRestricted = false;
  TString derivedFrom;
  bool semiStructured = false;
  bool legacyOAuth = false;
  bool serverConnection = false;
  bool serverDataSource = false;
  bool recommendsTables = false;
  bool recommendsDataSources = false;
  bool supportsInitialSQL = false;
  std::optional<CloudFileDescription> cloudFile;
  std::optional<WebDataConnectorDescription> webDataConnector;
  AuthenticationDescription authentication;
  std::optional<OAuthDescription> oauth;
  DialogDescription dialog;
  std::vector<ConnectionSettingsOption> connectionOptions;
  std::vector<DsnOptionDescription> dsnOptions;
  bool listsSystemDsns = false;
  std::vector<TransportTypeConfig> transportTypes;
  std::vector<FieldDescription> fields;
  /// The modular dialog as compact JSON text; empty when the class has none.
  TString modularDialogJson;
  std::optional<DriverRequirement> driver;
  std::vector<std::pair<TString, DriverRequirement>> driversByConnectionType;
  ReconnectDescription reconnect;
  TString vendorSupportInfo;
  std::map<TString, TString> defaultAttributes;
  std::optional<CubeSpecificationDescription> cubeSpecification;
  /// Only for a relational class.
  DataSourcePageDescription dataSourcePage;
  /// Where the description came from (a file path or a resource path), for messages.
  TString source;
};

/// The connection fields of a described class.
class HLVHOST_API DescribedFieldsModel final : public IConnectionFieldsModel {
 public:
  explicit DescribedFieldsModel(std::vector<FieldDescription> fields);

  /// The fields whose every condition holds for the filter's attributes, in description order.
  std::vector<TString> GetConnectionFieldsNames(const ConnectionFieldsFilter& filter) const override;
  const ConnectionField* GetField(const TString& name) const override;

 private:
  ~DescribedFieldsModel() override;

  std::vector<FieldDescription> m_fields;
};

/// One connection class as its description tells it. Immutable once made, so it is shared
/// freely between threads, configurations and registries.
class HLVHOST_API ConnectorDescription final : public IConnector {
 public:
  explicit ConnectorDescription(ConnectorFacts facts);

  const ConnectorFacts& Facts() const noexcept { return m_facts; }

  const TString& GetClassName() const override { return m_facts.className; }
  const TString& GetCaption() const override { return m_englishCaption; }
  bool SupportsInitialSQL() const override { return m_facts.supportsInitialSQL; }
  /// Whether the class signs in with the connector's OAuth. A legacy-OAuth class signs in
  /// through its own flow instead: its "oauth" part gives only its custom domains and
  /// configurations, so it is not listed twice among the OAuth credentials.
  bool SupportsOAuth() const override { return m_facts.oauth.has_value() && !m_facts.legacyOAuth; }
  bool SupportsCustomDomain(const TString& configId) const override;
  std::vector<TString> GetOAuthConfigs() const override;
  TString GetOAuthConfigLabel(const TString& configId) const override;

  /// The caption in `locale` (see LocalizedText::In).
  TString Caption(const TString& locale) const;
  /// The "authentication" value of `option`; empty when the class has none for it.
  TString AuthenticationValue(AuthenticationEnums::AuthOption option) const;
  /// The option the "authentication" value `value` stands for; AuthOptionInvalid for an empty
  /// or unknown value.
  AuthenticationEnums::AuthOption AuthOptionOf(const TString& value) const;
  /// The driver a connection of `connectionType` needs, or null when it needs none.
  const DriverRequirement* DriverFor(const TString& connectionType) const;
  /// The connection fields, or null when the description has none.
  RefCntPtr<const IConnectionFieldsModel> FieldsModel() const { return m_fieldsModel; }
  /// The class's plug-in, which carries its web data connector description when it has one.
  RefCntPtr<const IConnectorPlugin> Plugin() const { return m_plugin; }

 private:
  ~ConnectorDescription() override;

  const ConnectorFacts m_facts;
  const TString m_englishCaption;
  RefCntPtr<const IConnectionFieldsModel> m_fieldsModel;
  RefCntPtr<const IConnectorPlugin> m_plugin;
};

}  // namespace Connect
