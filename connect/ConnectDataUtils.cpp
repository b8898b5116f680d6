#include "connect/ConnectDataUtils.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/FeatureFlags.h"
#include "host/app/Log.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectConfigUtils.h"
#include "host/connect/ConnectionFields.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/crypto/Pkcs8.h"
#include "host/io/Files.h"


#include <initializer_list>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using AuthenticationEnums::AuthOption;

// Connector attributes of the field-driven path that the set treats specially.
constexpr QLatin1String kPrivateKey = Latin1Literal("priv-key");
constexpr QLatin1String kPrivateKeyFile = Latin1Literal("priv-key-file");
constexpr QLatin1String kPrivateKeyFilePassword = Latin1Literal("priv-key-file-pwd");

bool IsOneOf(const TString& value, std::initializer_list<QLatin1String> candidates) {
  for (QLatin1String candidate : candidates)
    if (value == candidate) return true;
  return false;
}

// An OAuth sign-in takes the record's OAuth attributes; the instance a Nimbara connection signs
// in to also becomes its "instanceurl".
void ApplyOAuthAttributes(const ConnectionParamsPresModel& presModel, DSConnectorParams& dsParams) {
  if (!IsOneOf(dsParams.Authentication(), {QLatin1String("oauth"), QLatin1String("auth-oauth"),
                                           QLatin1String("auth-oauth-service-account")}))
    return;
  dsParams.SetOAuthAttributes(presModel.GetOAuthAttributes());
  const TString instanceUrl = ConnectorAttrs::kInstanceUrl;
  if (IsOneOf(dsParams.ConnectionClass(), {QLatin1String("nimbara"), QLatin1String("nimbara-zeltra")}) &&
      presModel.HasOAuthAttribute(instanceUrl))
    dsParams.SetInstanceUrl(presModel.GetOAuthAttribute(instanceUrl));
}

// A Snowflake key-pair sign-in carries the private key itself, decrypted, never the key file's
// name or its pass phrase.
void ApplyKeyPair(const ConnectionParamsPresModel& presModel, DSConnectorParams& dsParams) {
  const TString keyFileName = kPrivateKeyFile;
  if (!RemoteFeatureFlags::IsOn(RemoteFeatureFlagIds::kSnowflakeKeyPair)) return;
  if (dsParams.ConnectionClass() != QLatin1String("snowflake")) return;
  if (dsParams.Authentication() != QLatin1String("auth-keypair")) return;
  if (!presModel.HasConnectorAttribute(keyFileName)) return;

  const TString& keyFile = presModel.GetConnectorAttribute(keyFileName);
  const TString passPhraseName = kPrivateKeyFilePassword;
  const TString passPhrase =
      presModel.HasConnectorAttribute(passPhraseName) ? presModel.GetConnectorAttribute(passPhraseName) : TString();

  TString keyText = TFile::LoadTextFile(TPath(keyFile), true);
  // A key file is read as any text file; a key, encrypted or not, is far smaller. PEM text is
  // ASCII, so its length in characters is its size in bytes.
  if (static_cast<std::size_t>(keyText.size()) > kMaxPrivateKeyBytes)
    throw HalvaneException(QStringLiteral("The private key file \"%1\" is larger than %2 KiB")
                               .arg(keyFile)
                               .arg(kMaxPrivateKeyBytes >> 10));
  if (!passPhrase.isEmpty()) {
    const QByteArray encrypted = keyText.toUtf8();
    const PrivateKey key = ReadPkcs8PrivateKey(std::vector<char>(encrypted.begin(), encrypted.end()), passPhrase);
    std::vector<char> decrypted = WritePkcs8PrivateKey(key, TString());
    keyText = QString::fromUtf8(decrypted.data(), static_cast<int>(decrypted.size()));
    // The set keeps its own copy of the key text; the buffer OpenSSL wrote it into is wiped.
    SecureErase(decrypted);
  }
  dsParams.SetSecureValue(kPrivateKey, keyText);
  dsParams.RemoveValue(keyFileName);
  dsParams.RemoveValue(passPhraseName);
}

// The connector's field model says which attributes the connection has and which hold secrets.
// Returns false, having written nothing, when the model lists no field.
bool FillFromConnectionFields(const RelationalDSConnectionConfig& rel, const ConnectionParamsPresModel& presModel,
                              DSConnectorParams& dsParams) {
  const std::map<TString, TString>& connectorAttributes = presModel.GetConnectorAttributes();
  const ConnectionAttributeMap attrs(connectorAttributes.begin(), connectorAttributes.end());
  const Connect::ConnectionFieldsFilter filter = Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(attrs);
  const RefCntPtr<const Connect::IConnectionFieldsModel> fieldsModel = rel.GetConnectionFieldsModel();
  const std::vector<TString> names =
      fieldsModel ? fieldsModel->GetConnectionFieldsNames(filter) : std::vector<TString>();
  const std::unordered_set<TString> fields(names.begin(), names.end());

  // The ids are the host's to write: the credential id only by SaveSecureValues.
  HLV_ASSERT(!fields.count(DataConnectionAttrs::attrCredentialId));
  HLV_ASSERT(!fields.count(DataConnectionAttrs::attrConnectionId));
  if (fields.empty()) return false;

  for (const TString& name : fields) {
    if (!presModel.HasConnectorAttribute(name)) continue;
    const TString& value = presModel.GetConnectorAttribute(name);
    if ((name == ConnectorAttrs::kSchema || name == ConnectorAttrs::kAuthentication) && value.isEmpty()) continue;
    const Connect::ConnectionField* field = fieldsModel->GetField(name);
    if (field && field->IsSecure()) {
      dsParams.SetSecureValue(name, attrs.at(name));
      continue;
    }
    dsParams.SetValue(name, value);
  }
  ApplyOAuthAttributes(presModel, dsParams);
  ApplyKeyPair(presModel, dsParams);
  return true;
}

// The dialog fields of a relational connection: a field the dialog shows is always written, so
// that emptying it clears the attribute; a hidden one only when it has a value.
void FillRelationalFields(const RelationalDSConnectionConfig& rel, const ConnectionParamsPresModel& presModel,
                          DSConnectorParams& dsParams) {
  if (!presModel.GetConnectionType().isEmpty() || rel.ShowConnectionPrompt())
    dsParams.SetConnectionType(presModel.GetConnectionType());
  if (!presModel.GetServer().isEmpty() || rel.ShowServerNamePrompt()) dsParams.SetServer(presModel.GetServer());
  if (!presModel.GetPort().isEmpty() || rel.ShowPortPrompt()) dsParams.SetPort(presModel.GetPort());
  if (!presModel.GetService().isEmpty() || rel.ShowServiceNamePrompt()) dsParams.SetService(presModel.GetService());
  if (!presModel.GetDatabase().isEmpty() || rel.ShowDBNamePrompt()) dsParams.SetDatabase(presModel.GetDatabase());
  if (!presModel.GetDatabaseWarehouse().isEmpty() || rel.ShowDBWHNamePrompt())
    dsParams.SetDatabaseWareHouse(presModel.GetDatabaseWarehouse());
  if (!presModel.GetSchema().isEmpty()) dsParams.SetSchema(presModel.GetSchema());
  if (rel.ShowUncommittedDataCheckbox()) dsParams.SetReadUncommittedData(presModel.GetReadUncommitted());
  if (rel.ShowEncryptionCheckbox()) dsParams.SetRequireEncryption(presModel.GetRequireEncryption());
  if (rel.ShowSSLCheckbox()) dsParams.SetRequireSSL(presModel.GetRequireSSL());
  if (rel.ShowDriverConfig()) dsParams.SetODBCStringExtras(presModel.GetODBCStringExtras());
  if (rel.ShowImportSSLCertLabel()) {
    dsParams.SetSSLCert(presModel.GetSSLCert());
    if (rel.ShowClientSSLBox()) {
      dsParams.SetSSLClientCert(presModel.GetSSLClientCert());
      dsParams.SetSSLClientKey(presModel.GetSSLClientKey());
      dsParams.SetSSLClientCertFile(presModel.GetSSLClientCertFile());
      dsParams.SetSSLClientKeyFile(presModel.GetSSLClientKeyFile());
    }
  }
  if (!presModel.GetVendor1().isEmpty() || rel.ShowVendor1NamePrompt()) dsParams.SetVendor1(presModel.GetVendor1());
  if (!presModel.GetVendor2().isEmpty() || rel.ShowVendor2NamePrompt()) dsParams.SetVendor2(presModel.GetVendor2());
  if (!presModel.GetVendor3().isEmpty() || rel.ShowVendor3NamePrompt()) dsParams.SetVendor3(presModel.GetVendor3());
  if (rel.ShowInstanceUrlPrompt()) dsParams.SetInstanceUrl(presModel.GetInstanceUrl());
}

// Fields no dialog of the fixed list hides: written only when they have a value.
void FillOptionalFields(const ConnectionParamsPresModel& presModel, DSConnectorParams& dsParams) {
  if (!presModel.GetMDWPath().isEmpty()) dsParams.SetMDWPath(presModel.GetMDWPath());
  if (!presModel.GetMDWUsername().isEmpty()) dsParams.SetMDWUsername(presModel.GetMDWUsername());
  if (!presModel.GetMDWPassword().IsEmpty()) dsParams.SetMDWPassword(presModel.GetMDWPassword().GetString());
  if (!presModel.GetSAPClient().isEmpty()) dsParams.SetSAPClient(presModel.GetSAPClient());
  if (!presModel.GetSAPLanguage().isEmpty()) dsParams.SetSAPLanguage(presModel.GetSAPLanguage());
  if (!presModel.GetEdition().isEmpty()) dsParams.SetEdition(presModel.GetEdition());
  if (!presModel.GetSSODomain().isEmpty()) dsParams.SetSSODomain(presModel.GetSSODomain());
  if (!presModel.GetJDBCUrl().isEmpty()) dsParams.SetJDBCUrl(presModel.GetJDBCUrl());
  if (!presModel.GetDialect().isEmpty()) dsParams.SetDialect(presModel.GetDialect());
  if (!presModel.GetJDBCProperties().isEmpty()) dsParams.SetJDBCProperties(presModel.GetJDBCProperties());
}

// A Hive-style dialog: connection type, authentication kind, Kerberos, transport and HTTP path.
void FillHiveFields(const ConnectionParamsPresModel& presModel, const TString& authenticationValue,
                    DSConnectorParams& dsParams) {
  const AuthOption option = presModel.GetCurrentAuthOption();
  dsParams.SetConnectionType(presModel.GetConnectionType());
  dsParams.SetAuthType(authenticationValue);
  if (option == AuthOption::AuthOptionKerberos) {
    dsParams.SetKerberosRealm(presModel.GetKerberosRealm());
    dsParams.SetKerberosHost(presModel.GetKerberosHost());
    dsParams.SetKerberosService(presModel.GetKerberosService());
  }
  dsParams.SetTransportType(presModel.GetTransportType());
  // Transport "2" is HTTP, which the HDInsight service also always uses.
  if (dsParams.TransportType() == QLatin1String("2") || option == AuthOption::AuthHdiService)
    dsParams.SetHTTPPath(presModel.GetHTTPPath());
}

void FillGenericODBCFields(const ConnectionParamsPresModel& presModel, DSConnectorParams& dsParams) {
  dsParams.SetDSN(presModel.GetDSN());
  dsParams.SetDriver(presModel.GetDriver());
  dsParams.SetServer(presModel.GetServer());
  dsParams.SetPort(presModel.GetPort());
  dsParams.SetDatabase(presModel.GetDatabase());
  dsParams.SetODBCStringExtras(presModel.GetODBCStringExtras());
  dsParams.SetODBCPrompt(presModel.GetODBCPrompt());
}

// The credentials: a class's own OAuth flow, a cloud file's attributes, a generic OAuth sign-in,
// or else the password. The first that applies is the only one taken.
void FillCredentials(const DSConnectionConfig& config, const ConnectionParamsPresModel& presModel,
                     const TString& connectionClass, DSConnectorParams& dsParams) {
  const RefCntPtr<const Connect::IConnector> connector =
      Connect::Registry::Instance().CreateConnector(connectionClass, 0);
  const bool supportsOAuth = connector && connector->SupportsOAuth();
  const bool isOAuthSignIn = presModel.GetCurrentAuthOption() == AuthOption::AuthOauth;

  if (Connect::Registry::IsLegacyOAuthDataSource(connectionClass)) {
    if (connectionClass == QLatin1String("nimbara")) dsParams.SetPassword(presModel.GetPassword().GetString());
    dsParams.SetOAuthAttributes(presModel.GetOAuthAttributes());
    return;
  }
  if (CloudFileConnectorsRegistry::Get().IsValidCloudFileClass(connectionClass)) {
    dsParams.SetConnectorAttributes(presModel.GetConnectorAttributes());
    return;
  }
  if (supportsOAuth && isOAuthSignIn) {
    dsParams.SetOAuthAttributes(presModel.GetOAuthAttributes());
    if (config.IsHierarchical() && !presModel.GetInstanceUrl().isEmpty())
      dsParams.SetInstanceUrl(presModel.GetInstanceUrl());
    return;
  }
  dsParams.SetPassword(presModel.GetPassword().GetString());
}

// An extract file of the embedded engine: the engine's own user, no password, default settings.
void FillQuendlFields(DSConnectorParams& dsParams) {
  dsParams.SetDatabase(dsParams.Filename());
  dsParams.SetUsername(AppConfig::GetInstance().GetQuendlConnectionUsername());
  dsParams.SetPassword(TString());
  dsParams.SetAuthentication(QStringLiteral("auth-none"));
  dsParams.SetValue(QStringLiteral("default-settings"), QStringLiteral("yes"));
  if (TPath(dsParams.Filename()).Extension().toLower() == QLatin1String("qxf"))
    dsParams.SetValue(QStringLiteral("db-format"), QStringLiteral("dataengine"));
}

// The fixed list of dialog fields, each copied under its own condition.
void FillFixedFields(const DSConnectionConfig& config, const ConnectionParamsPresModel& presModel,
                     const TString& connectionClass, DSConnectorParams& dsParams) {
  const AuthOption option = presModel.GetCurrentAuthOption();
  const TString authenticationValue = Connect::Registry::Instance().GetAuthenticationValue(connectionClass, option);
  if (!authenticationValue.isEmpty()) dsParams.SetAuthentication(authenticationValue);
  if (!presModel.GetFilename().isEmpty()) dsParams.SetFilename(presModel.GetFilename());

  if (config.IsRelational()) FillRelationalFields(*config.AsRelational(), presModel, dsParams);
  if (DataConnectionAuthentication::MayNeedAuth(connectionClass)) dsParams.SetUsername(presModel.GetUsername());
  FillOptionalFields(presModel, dsParams);
  dsParams.SetCubeConnectionSpecificationId(presModel.GetCubeSpecificationId());
  dsParams.SetCubeConnectionSpecificationValue(presModel.GetCubeSpecificationValue());

  if (config.GetAuthMode() == AuthenticationEnums::Mode::AuthModeHive)
    FillHiveFields(presModel, authenticationValue, dsParams);
  if (connectionClass == QLatin1String("genericodbc")) FillGenericODBCFields(presModel, dsParams);
  FillCredentials(config, presModel, connectionClass, dsParams);

  if (connectionClass == QLatin1String("pdf")) {
    dsParams.SetPdfFilename(presModel.GetFilename());
    dsParams.SetConnectorAttributes(presModel.GetConnectorAttributes());
  }
  if (Connect::Registry::IsWDCBasedDataSource(connectionClass))
    dsParams.SetConnectorAttributes(presModel.GetWDCAttributes());
  if (connectionClass == QLatin1String("quendl") && !presModel.GetFilename().isEmpty()) FillQuendlFields(dsParams);
  if (option == AuthOption::AuthOptionSamlIdp) dsParams.SetSAMLIdP(presModel.GetSAMLIdP());
  if (option == AuthOption::AuthOauth) dsParams.SetOAuthAttributes(presModel.GetOAuthAttributes());
}

// The text of the certificate file `fileName`. A file that cannot be read is logged with the
// reason and reported to the user with a localized message.
TString ImportCert(const TString& fileName) {
  try {
    if (fileName.isEmpty() || !FileExists(TPath(fileName)))
      throw HalvaneException(QStringLiteral("File name is empty or file does not exist"));
    return TFile::LoadTextFile(TPath(fileName), true);
  } catch (const HalvaneException& e) {
    LogMessage(TLog::Warn, TFormatString(QStringLiteral("%1: Unable to read file - \"%2\". Error: %3"))
                               .arg(QStringLiteral("ConnectDataUtils::ImportCert"))
                               .arg(fileName)
                               .arg(e.GetMessage()));
    throw HalvaneException(LookupTStr(StringIds::kUnableToReadCertificateFile));
  }
}

}  // namespace

namespace ConnectDataUtils {

std::unique_ptr<DSConnectorParams> DSParamsFromPresModel(RefCntPtr<const DSConnectionConfig> config,
                                                        RefCntPtr<const ConnectionParamsPresModel> presModel) {
  const TString connectionClass = config->ClassName();
  auto dsParams = std::make_unique<DSConnectorParams>();
  dsParams->SetConnectionClass(connectionClass);

  if (FeatureFlags::IsOn(FeatureFlagIds::kConnectionFieldsModel)) {
    const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
    if (rel && FillFromConnectionFields(*rel, *presModel, *dsParams)) return dsParams;
  }
  FillFixedFields(*config, *presModel, connectionClass, *dsParams);
  return dsParams;
}

void LoadSSLCert(RefCntPtr<const DSConnectionConfig> config, DSConnectorParams& dsParams,
                 RefCntPtr<const ConnectionParamsPresModel> presModel) {
  if (!FeatureFlags::IsOn(FeatureFlagIds::kConnectionFieldsModel)) return;
  const RefCntPtr<const RelationalDSConnectionConfig> rel = config->AsRelational();
  if (!rel || rel->GetModularConnectionDialogJson().isEmpty()) return;

  const TString sslFileName = ConnectorAttrs::kSSLCertFile;
  if (!presModel->HasConnectorAttribute(sslFileName)) return;
  const TString& sslFile = presModel->GetConnectorAttribute(sslFileName);
  if (sslFile == LookupTStr(StringIds::kSSLCertificateAlreadyLoaded)) {
    // The dialog showed the label for a certificate the set already holds: keep it.
    const TString sslCertName = ConnectorAttrs::kSSLCert;
    if (!presModel->HasConnectorAttribute(sslCertName) || presModel->GetConnectorAttribute(sslCertName).isEmpty())
      HLV_THROW_LOGIC("!attrModel->GetConnectorAttribute(DataConnectionAttrs::attrSSLCert).IsEmpty()");
    if (dsParams.SSLCert().isEmpty()) HLV_THROW_LOGIC("!dsParams.SSLCert().IsEmpty()");
  } else if (sslFile.isEmpty()) {
    dsParams.SetSSLCert(TString());
  } else {
    dsParams.SetSSLCert(ImportCert(sslFile));
  }
  dsParams.RemoveValue(sslFileName);
}

}  // namespace ConnectDataUtils
