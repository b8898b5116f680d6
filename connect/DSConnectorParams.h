// DSConnectorParams: the connector parameter set, the flat attributes a connection is made with.
#pragma once

#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/IDSConnectorParams.h"
#include "parameters/PresLayerExport.h"

#include <QLatin1String>

#include <map>
#include <set>
#include <unordered_map>

/// Names of the connection attributes the parameter set reads and writes by name.
namespace ConnectorAttrs {

inline constexpr QLatin1String kClass = DataConnectionAttrs::attrClass;
inline constexpr QLatin1String kFilename = DataConnectionAttrs::attrFilename;
inline constexpr QLatin1String kCredentialId = DataConnectionAttrs::attrCredentialId;
inline constexpr QLatin1String kAuthType = Latin1Literal("authentication-type");
inline constexpr QLatin1String kAuthentication = DataConnectionAttrs::attrAuthentication;
inline constexpr QLatin1String kConnectionType = DataConnectionAttrs::attrConnectionType;
inline constexpr QLatin1String kDSN = Latin1Literal("odbc-dsn");
inline constexpr QLatin1String kDatabase = Latin1Literal("dbname");
inline constexpr QLatin1String kDatabaseWareHouse = Latin1Literal("warehouse");
inline constexpr QLatin1String kDialect = Latin1Literal("dialect");
inline constexpr QLatin1String kDriver = Latin1Literal("odbc-driver");
inline constexpr QLatin1String kEdition = Latin1Literal("edition");
inline constexpr QLatin1String kHTTPPath = Latin1Literal("http-path");
inline constexpr QLatin1String kInstanceUrl = Latin1Literal("instanceurl");
inline constexpr QLatin1String kJDBCProperties = Latin1Literal("jdbcproperties");
inline constexpr QLatin1String kJDBCUrl = Latin1Literal("jdbcurl");
inline constexpr QLatin1String kKerberosHost = Latin1Literal("kerberos-host");
inline constexpr QLatin1String kKerberosRealm = Latin1Literal("kerberos-realm");
inline constexpr QLatin1String kKerberosService = Latin1Literal("kerberos-service");
/// The MDW password is a stored value the set does not mark secure.
inline constexpr QLatin1String kMDWPassword = Latin1Literal("mdwpassword");
inline constexpr QLatin1String kMDWPath = Latin1Literal("mdwpath");
inline constexpr QLatin1String kMDWUsername = Latin1Literal("mdwusername");
inline constexpr QLatin1String kODBCPrompt = Latin1Literal(":odbc-prompt");
inline constexpr QLatin1String kODBCStringExtras = Latin1Literal("odbc-connect-string-extras");
inline constexpr QLatin1String kPassword = DataConnectionAttrs::attrPassword;
inline constexpr QLatin1String kPdfFilename = Latin1Literal("origfilename");
inline constexpr QLatin1String kPort = Latin1Literal("port");
inline constexpr QLatin1String kSAMLIdP = Latin1Literal("saml-idp");
inline constexpr QLatin1String kSAPClient = Latin1Literal("sfc-client");
inline constexpr QLatin1String kSAPLanguage = Latin1Literal("sfc-language");
inline constexpr QLatin1String kSSLCert = DataConnectionAttrs::attrSSLCert;
inline constexpr QLatin1String kSSLCertFile = DataConnectionAttrs::attrSSLFile;
inline constexpr QLatin1String kSSLClientCert = Latin1Literal("ssl-client-cert");
inline constexpr QLatin1String kSSLClientCertFile = Latin1Literal("ssl-client-cert-file");
inline constexpr QLatin1String kSSLClientKey = Latin1Literal("ssl-client-key");
inline constexpr QLatin1String kSSLClientKeyFile = Latin1Literal("ssl-client-key-file");
inline constexpr QLatin1String kSSODomain = Latin1Literal("sso-domain");
inline constexpr QLatin1String kSchema = Latin1Literal("schema");
inline constexpr QLatin1String kServer = Latin1Literal("server");
inline constexpr QLatin1String kService = Latin1Literal("service");
inline constexpr QLatin1String kTablename = Latin1Literal("tablename");
inline constexpr QLatin1String kTransportType = Latin1Literal("transport-type");
inline constexpr QLatin1String kUsername = Latin1Literal("username");
inline constexpr QLatin1String kVendor1 = Latin1Literal("vendor1");
inline constexpr QLatin1String kVendor2 = Latin1Literal("vendor2");
inline constexpr QLatin1String kVendor3 = Latin1Literal("vendor3");
/// Flag attributes: they hold "ReadUncommitted" or "require" when on, an empty value when off.
inline constexpr QLatin1String kIsolationLevel = Latin1Literal("IsolationLevel");
inline constexpr QLatin1String kEncryptionMode = Latin1Literal("encryptionMode");
inline constexpr QLatin1String kSSLMode = Latin1Literal("sslmode");

}  // namespace ConnectorAttrs

/// A connector parameter set: the connection attributes by name, which of them hold secrets, a
/// file name kept apart from the attributes, a cube connection specification and a separate
/// map of OAuth attributes. A plain value: copies share nothing.
///
/// The typed accessors read and write one attribute each; a getter of an absent attribute gives
/// an empty string. The three flag accessors store a false flag as an attribute with an empty
/// value, so that writing a cleared flag clears the stored one.
class HLVPRES_API DSConnectorParams : public IDSConnectorParams {
 public:
  /// An empty set.
  DSConnectorParams();
  /// A set holding `attrs`. A non-empty "filename" attribute becomes the file name and leaves
  /// the attributes; an empty one stays among them.
  explicit DSConnectorParams(const std::unordered_map<TString, TString>& attrs);
  DSConnectorParams(const DSConnectorParams& other);
  DSConnectorParams& operator=(const DSConnectorParams& other);
  ~DSConnectorParams() override;

  // --- The interface the connection layer reads ------------------------------------------

  /// A copy of the attributes with the OAuth attributes merged in: an OAuth value fills an
  /// attribute that is absent or empty, and never replaces a non-empty one.
  std::unordered_map<TString, TString> Attributes() const override;
  /// The attribute `name`, or an empty string when there is none. The OAuth map is not read.
  TString GetStringValue(const TString& name) const override;
  /// "class"
  TString ConnectionClass() const override { return GetStringValue(ConnectorAttrs::kClass); }
  /// The file name, which is not an attribute.
  TString Filename() const override { return m_filename; }
  /// "dbname"
  TString Database() const override { return GetStringValue(ConnectorAttrs::kDatabase); }
  TString CubeConnectionSpecificationId() const override { return m_cubeConnectionSpecificationId; }
  TString CubeConnectionSpecificationValue() const override { return m_cubeConnectionSpecificationValue; }

  // --- Generic access ----------------------------------------------------------------------

  /// Inserts or overwrites the attribute `name`.
  void SetValue(const TString& name, const TString& value);
  /// Marks `name` as a secret, then sets it like SetValue.
  void SetSecureValue(const TString& name, const TString& value);
  /// Erases the attribute `name` when there is one; it stays among the secure names.
  void RemoveValue(const TString& name);
  /// Sets every attribute of `attrs`, in key order; attributes it does not name stay.
  void SetConnectorAttributes(const std::map<TString, TString>& attrs);
  /// Replaces the OAuth attributes by `attrs`.
  void SetOAuthAttributes(const std::map<TString, TString>& attrs);
  const std::map<TString, TString>& OAuthAttributes() const noexcept { return m_oauthAttributes; }
  /// The names of the attributes whose values are secrets, in ascending order.
  const std::set<TString>& SecureNames() const noexcept { return m_secureNames; }
  void SetFilename(const TString& filename) { m_filename = filename; }
  void SetCubeConnectionSpecificationId(const TString& id) { m_cubeConnectionSpecificationId = id; }
  void SetCubeConnectionSpecificationValue(const TString& value) { m_cubeConnectionSpecificationValue = value; }

  /// Hands the secret attributes to the credential service and keeps only the id they are kept
  /// under, as "credential-id". Does nothing when the set has no class, when its class does not
  /// keep secrets in the in-memory service, or when no attribute is marked secure. Every secure
  /// name is handed over, an absent attribute with an empty value; the secure names stay.
  void SaveSecureValues();

  // --- Typed string attributes ---------------------------------------------------------------

  // "authentication-type"
  TString AuthType() const { return GetStringValue(ConnectorAttrs::kAuthType); }
  void SetAuthType(const TString& value) { SetValue(ConnectorAttrs::kAuthType, value); }
  // "authentication"
  TString Authentication() const { return GetStringValue(ConnectorAttrs::kAuthentication); }
  void SetAuthentication(const TString& value) { SetValue(ConnectorAttrs::kAuthentication, value); }
  // "class"
  void SetConnectionClass(const TString& value) { SetValue(ConnectorAttrs::kClass, value); }
  // "connection-type"
  TString ConnectionType() const { return GetStringValue(ConnectorAttrs::kConnectionType); }
  void SetConnectionType(const TString& value) { SetValue(ConnectorAttrs::kConnectionType, value); }
  // "odbc-dsn"
  TString DSN() const { return GetStringValue(ConnectorAttrs::kDSN); }
  void SetDSN(const TString& value) { SetValue(ConnectorAttrs::kDSN, value); }
  // "dbname"
  void SetDatabase(const TString& value) { SetValue(ConnectorAttrs::kDatabase, value); }
  // "warehouse"
  TString DatabaseWareHouse() const { return GetStringValue(ConnectorAttrs::kDatabaseWareHouse); }
  void SetDatabaseWareHouse(const TString& value) { SetValue(ConnectorAttrs::kDatabaseWareHouse, value); }
  // "dialect"
  TString Dialect() const { return GetStringValue(ConnectorAttrs::kDialect); }
  void SetDialect(const TString& value) { SetValue(ConnectorAttrs::kDialect, value); }
  // "odbc-driver"
  TString Driver() const { return GetStringValue(ConnectorAttrs::kDriver); }
  void SetDriver(const TString& value) { SetValue(ConnectorAttrs::kDriver, value); }
  // "edition"
  TString Edition() const { return GetStringValue(ConnectorAttrs::kEdition); }
  void SetEdition(const TString& value) { SetValue(ConnectorAttrs::kEdition, value); }
  // "http-path"
  TString HTTPPath() const { return GetStringValue(ConnectorAttrs::kHTTPPath); }
  void SetHTTPPath(const TString& value) { SetValue(ConnectorAttrs::kHTTPPath, value); }
  // "instanceurl"
  TString InstanceUrl() const { return GetStringValue(ConnectorAttrs::kInstanceUrl); }
  void SetInstanceUrl(const TString& value) { SetValue(ConnectorAttrs::kInstanceUrl, value); }
  // "jdbcproperties"
  TString JDBCProperties() const { return GetStringValue(ConnectorAttrs::kJDBCProperties); }
  void SetJDBCProperties(const TString& value) { SetValue(ConnectorAttrs::kJDBCProperties, value); }
  // "jdbcurl"
  TString JDBCUrl() const { return GetStringValue(ConnectorAttrs::kJDBCUrl); }
  void SetJDBCUrl(const TString& value) { SetValue(ConnectorAttrs::kJDBCUrl, value); }
  // "kerberos-host"
  TString KerberosHost() const { return GetStringValue(ConnectorAttrs::kKerberosHost); }
  void SetKerberosHost(const TString& value) { SetValue(ConnectorAttrs::kKerberosHost, value); }
  // "kerberos-realm"
  TString KerberosRealm() const { return GetStringValue(ConnectorAttrs::kKerberosRealm); }
  void SetKerberosRealm(const TString& value) { SetValue(ConnectorAttrs::kKerberosRealm, value); }
  // "kerberos-service"
  TString KerberosService() const { return GetStringValue(ConnectorAttrs::kKerberosService); }
  void SetKerberosService(const TString& value) { SetValue(ConnectorAttrs::kKerberosService, value); }
  // "mdwpassword" (not marked secure)
  TString MDWPassword() const { return GetStringValue(ConnectorAttrs::kMDWPassword); }
  void SetMDWPassword(const TString& value) { SetValue(ConnectorAttrs::kMDWPassword, value); }
  // "mdwpath"
  TString MDWPath() const { return GetStringValue(ConnectorAttrs::kMDWPath); }
  void SetMDWPath(const TString& value) { SetValue(ConnectorAttrs::kMDWPath, value); }
  // "mdwusername"
  TString MDWUsername() const { return GetStringValue(ConnectorAttrs::kMDWUsername); }
  void SetMDWUsername(const TString& value) { SetValue(ConnectorAttrs::kMDWUsername, value); }
  // ":odbc-prompt"
  TString ODBCPrompt() const { return GetStringValue(ConnectorAttrs::kODBCPrompt); }
  void SetODBCPrompt(const TString& value) { SetValue(ConnectorAttrs::kODBCPrompt, value); }
  // "odbc-connect-string-extras"
  TString ODBCStringExtras() const { return GetStringValue(ConnectorAttrs::kODBCStringExtras); }
  void SetODBCStringExtras(const TString& value) { SetValue(ConnectorAttrs::kODBCStringExtras, value); }
  // "password" (the setter marks it secure)
  TString Password() const { return GetStringValue(ConnectorAttrs::kPassword); }
  void SetPassword(const TString& value) { SetSecureValue(ConnectorAttrs::kPassword, value); }
  // "origfilename"
  TString PdfFilename() const { return GetStringValue(ConnectorAttrs::kPdfFilename); }
  void SetPdfFilename(const TString& value) { SetValue(ConnectorAttrs::kPdfFilename, value); }
  // "port"
  TString Port() const { return GetStringValue(ConnectorAttrs::kPort); }
  void SetPort(const TString& value) { SetValue(ConnectorAttrs::kPort, value); }
  // "saml-idp"
  TString SAMLIdP() const { return GetStringValue(ConnectorAttrs::kSAMLIdP); }
  void SetSAMLIdP(const TString& value) { SetValue(ConnectorAttrs::kSAMLIdP, value); }
  // "sfc-client"
  TString SAPClient() const { return GetStringValue(ConnectorAttrs::kSAPClient); }
  void SetSAPClient(const TString& value) { SetValue(ConnectorAttrs::kSAPClient, value); }
  // "sfc-language"
  TString SAPLanguage() const { return GetStringValue(ConnectorAttrs::kSAPLanguage); }
  void SetSAPLanguage(const TString& value) { SetValue(ConnectorAttrs::kSAPLanguage, value); }
  // "sslcert"
  TString SSLCert() const { return GetStringValue(ConnectorAttrs::kSSLCert); }
  void SetSSLCert(const TString& value) { SetValue(ConnectorAttrs::kSSLCert, value); }
  // "sslfile"
  TString SSLCertFile() const { return GetStringValue(ConnectorAttrs::kSSLCertFile); }
  void SetSSLCertFile(const TString& value) { SetValue(ConnectorAttrs::kSSLCertFile, value); }
  // "ssl-client-cert"
  TString SSLClientCert() const { return GetStringValue(ConnectorAttrs::kSSLClientCert); }
  void SetSSLClientCert(const TString& value) { SetValue(ConnectorAttrs::kSSLClientCert, value); }
  // "ssl-client-cert-file"
  TString SSLClientCertFile() const { return GetStringValue(ConnectorAttrs::kSSLClientCertFile); }
  void SetSSLClientCertFile(const TString& value) { SetValue(ConnectorAttrs::kSSLClientCertFile, value); }
  // "ssl-client-key"
  TString SSLClientKey() const { return GetStringValue(ConnectorAttrs::kSSLClientKey); }
  void SetSSLClientKey(const TString& value) { SetValue(ConnectorAttrs::kSSLClientKey, value); }
  // "ssl-client-key-file"
  TString SSLClientKeyFile() const { return GetStringValue(ConnectorAttrs::kSSLClientKeyFile); }
  void SetSSLClientKeyFile(const TString& value) { SetValue(ConnectorAttrs::kSSLClientKeyFile, value); }
  // "sso-domain"
  TString SSODomain() const { return GetStringValue(ConnectorAttrs::kSSODomain); }
  void SetSSODomain(const TString& value) { SetValue(ConnectorAttrs::kSSODomain, value); }
  // "schema"
  TString Schema() const { return GetStringValue(ConnectorAttrs::kSchema); }
  void SetSchema(const TString& value) { SetValue(ConnectorAttrs::kSchema, value); }
  // "server"
  TString Server() const { return GetStringValue(ConnectorAttrs::kServer); }
  void SetServer(const TString& value) { SetValue(ConnectorAttrs::kServer, value); }
  // "service"
  TString Service() const { return GetStringValue(ConnectorAttrs::kService); }
  void SetService(const TString& value) { SetValue(ConnectorAttrs::kService, value); }
  // "tablename"
  TString Tablename() const { return GetStringValue(ConnectorAttrs::kTablename); }
  void SetTablename(const TString& value) { SetValue(ConnectorAttrs::kTablename, value); }
  // "transport-type"
  TString TransportType() const { return GetStringValue(ConnectorAttrs::kTransportType); }
  void SetTransportType(const TString& value) { SetValue(ConnectorAttrs::kTransportType, value); }
  // "username"
  TString Username() const { return GetStringValue(ConnectorAttrs::kUsername); }
  void SetUsername(const TString& value) { SetValue(ConnectorAttrs::kUsername, value); }
  // "vendor1", "vendor2", "vendor3"
  TString Vendor1() const { return GetStringValue(ConnectorAttrs::kVendor1); }
  void SetVendor1(const TString& value) { SetValue(ConnectorAttrs::kVendor1, value); }
  TString Vendor2() const { return GetStringValue(ConnectorAttrs::kVendor2); }
  void SetVendor2(const TString& value) { SetValue(ConnectorAttrs::kVendor2, value); }
  TString Vendor3() const { return GetStringValue(ConnectorAttrs::kVendor3); }
  void SetVendor3(const TString& value) { SetValue(ConnectorAttrs::kVendor3, value); }

  // --- Typed flag attributes -----------------------------------------------------------------

  /// "IsolationLevel" is "ReadUncommitted".
  bool ReadUncommittedData() const;
  void SetReadUncommittedData(bool on);
  /// "encryptionMode" is "require".
  bool RequireEncryption() const;
  void SetRequireEncryption(bool on);
  /// "sslmode" is "require".
  bool RequireSSL() const;
  void SetRequireSSL(bool on);

 private:
  std::unordered_map<TString, TString> m_attributes;
  std::set<TString> m_secureNames;
  TString m_filename;
  TString m_cubeConnectionSpecificationId;
  TString m_cubeConnectionSpecificationValue;
  std::map<TString, TString> m_oauthAttributes;
};
