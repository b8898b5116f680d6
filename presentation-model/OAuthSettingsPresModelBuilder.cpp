#include "presentation-model/OAuthSettingsPresModelBuilder.h"

#include "host/app/FeatureFlags.h"
#include "host/app/LanguageUtils.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/CloudFileConnectorsRegistry.h"
#include "host/connect/ConnectorRegistry.h"
#include "presentation-model/OAuthConfigInfoPresModel.h"

#include <map>
#include <utility>
#include <vector>

namespace {

using Flag = CredentialTypePropertiesFlag;

// The connection classes that sign in through their own, older OAuth flow, in the page's order.
const char* const kLegacyOAuthClasses[] = {"google-analytics", "bigquery", "google-sheets", "nimbara"};

// Whether the registry's connector of `name` accepts a custom domain for the class as a whole.
// The connector is released on return.
bool SupportsCustomDomain(const Connect::IRegistry& registry, const TString& name) {
  const RefCntPtr<const Connect::IConnector> connector = registry.CreateConnector(name, 0);
  return connector && connector->SupportsCustomDomain(TString());
}

}  // namespace

OAuthSettingsPresModelBuilder::OAuthSettingsPresModelBuilder() {
  for (const Language language : LanguageUtils::GetSupportedLanguages())
    m_locales.insert(LanguageUtils::GetISOString(language));
}

OAuthSettingsPresModelBuilder::~OAuthSettingsPresModelBuilder() = default;

RefCntPtr<const OAuthSettingsPresModel> OAuthSettingsPresModelBuilder::Build() const {
  const RefCntPtr<OAuthSettingsPresModel> presModel = MakeRefCnt<OAuthSettingsPresModel>();
  AddFirstClassWDCs(*presModel);
  AddCloudFileConnectors(*presModel);
  AddLegacyOAuthConnectors(*presModel);
  AddRelationalOAuthConnectors(*presModel);
  AddSlackOAuth(*presModel);
  return presModel;
}

void OAuthSettingsPresModelBuilder::AddFirstClassWDCs(OAuthSettingsPresModel& presModel) const {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  for (const TString& connectionClass : registry.GetRegisteredClasses()) {
    const RefCntPtr<const Connect::IConnectorPlugin> plugin = registry.GetConnectorPlugin(connectionClass);
    if (!plugin) continue;
    const RefCntPtr<const Connect::IWebDataConnectorInfo> wdc = plugin->GetWebDataConnectorInfo();
    if (!wdc || !wdc->UsesOAuth()) continue;
    Flags flags{Flag::ProviderClass, Flag::DataConnectionClass};
    if (wdc->AllowsGenericAuth()) flags.push_back(Flag::GenericAuthClass);
    AddCredentialType(presModel, wdc->GetClassName(), ConnectorType::WebDataConnector, std::move(flags),
                      [&wdc](const TString& locale) { return wdc->GetDisplayName(locale); });
  }
}

void OAuthSettingsPresModelBuilder::AddCloudFileConnectors(OAuthSettingsPresModel& presModel) const {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  const ICloudFileConnectorsRegistry& cloudFiles = CloudFileConnectorsRegistry::Get();
  const auto descriptionOf = [&cloudFiles](const TString& name) {
    return [&cloudFiles, name](const TString& locale) { return cloudFiles.GetClassDescription(name, locale); };
  };

  // Google Drive, Box and Dropbox keep generic OAuth credentials until they sign in through
  // their own flows.
  for (const TString& provider : cloudFiles.GetAllCloudFileStorageProviders()) {
    Flags flags;
    if (provider == QLatin1String("googledrive") && !FeatureFlags::IsOn(FeatureFlagIds::kGoogleDriveOwnAuth))
      flags.push_back(Flag::GenericAuthClass);
    if (provider == QLatin1String("box") && !RemoteFeatureFlags::IsOn(RemoteFeatureFlagIds::kBoxOwnAuth))
      flags.push_back(Flag::GenericAuthClass);
    if (provider == QLatin1String("dropbox") && !FeatureFlags::IsOn(FeatureFlagIds::kDropboxOwnAuth))
      flags.push_back(Flag::GenericAuthClass);
    if (SupportsCustomDomain(registry, provider)) flags.push_back(Flag::CustomDomainClass);
    AddCredentialType(presModel, provider, ConnectorType::CloudFileConnector, std::move(flags),
                      descriptionOf(provider));
  }

  for (const TString& connectionClass : cloudFiles.GetAllCloudFileClasses())
    AddCredentialType(presModel, connectionClass, ConnectorType::CloudFileConnector, {Flag::DataConnectionClass},
                      descriptionOf(connectionClass));
}

void OAuthSettingsPresModelBuilder::AddLegacyOAuthConnectors(OAuthSettingsPresModel& presModel) const {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  for (const char* name : kLegacyOAuthClasses) {
    const TString connectionClass = QLatin1String(name);
    Flags flags{Flag::ProviderClass, Flag::DataConnectionClass};
    if (SupportsCustomDomain(registry, connectionClass)) flags.push_back(Flag::CustomDomainClass);
    AddCredentialType(presModel, connectionClass, ConnectorType::LegacyConnector, std::move(flags),
                      [&registry, connectionClass](const TString& locale) {
                        return registry.GetClassCaption(connectionClass, locale);
                      });
  }
}

void OAuthSettingsPresModelBuilder::AddRelationalOAuthConnectors(OAuthSettingsPresModel& presModel) const {
  const Connect::IRegistry& registry = Connect::Registry::Instance();
  std::vector<TString> oauthClasses;
  for (const TString& connectionClass : registry.GetRegisteredClasses()) {
    const RefCntPtr<const Connect::IConnector> connector = registry.CreateConnector(connectionClass, 0);
    if (connector && connector->SupportsOAuth()) oauthClasses.push_back(connectionClass);
  }

  const bool listConfigs = RemoteFeatureFlags::IsOn(RemoteFeatureFlagIds::kOAuthConfigs);
  for (const TString& connectionClass : oauthClasses) {
    const RefCntPtr<const Connect::IConnector> connector = registry.CreateConnector(connectionClass, 0);
    if (!connector) continue;
    Flags flags{Flag::ProviderClass, Flag::DataConnectionClass};
    if (connector->SupportsCustomDomain(TString())) flags.push_back(Flag::CustomDomainClass);
    if (!registry.ExcludesGenericAuth(connectionClass)) flags.push_back(Flag::GenericAuthClass);
    AddCredentialType(
        presModel, connectionClass, ConnectorType::OdbcOauthConnector, std::move(flags),
        [&registry, &connectionClass](const TString& locale) { return registry.GetClassCaption(connectionClass, locale); },
        [&connector, listConfigs](OAuthCredentialTypeInfoPresModel& credentialType) {
          if (!listConfigs) return;
          for (const TString& configId : connector->GetOAuthConfigs()) {
            const RefCntPtr<OAuthConfigInfoPresModel> config = MakeRefCnt<OAuthConfigInfoPresModel>();
            if (connector->SupportsCustomDomain(configId)) config->SetSupportsCustomDomain(true);
            config->SetConfigLabel(connector->GetOAuthConfigLabel(configId));
            config->SetOAuthConfigId(configId);
            credentialType.AddOAuthConfigInfos(config);
          }
        });
  }
}

void OAuthSettingsPresModelBuilder::AddSlackOAuth(OAuthSettingsPresModel& presModel) const {
  AddCredentialType(presModel, QStringLiteral("slack"), ConnectorType::LegacyConnector, {Flag::ProviderClass},
                    [](const TString& locale) { return LookupTStr(StringIds::kSlackDisplayName, locale); });
}

void OAuthSettingsPresModelBuilder::AddCredentialType(
    OAuthSettingsPresModel& presModel, const TString& className, ConnectorType connectorType, Flags flags,
    const DisplayNameOf& displayNameOf,
    const std::function<void(OAuthCredentialTypeInfoPresModel&)>& withConfigs) const {
  const RefCntPtr<OAuthCredentialTypeInfoPresModel> credentialType = MakeRefCnt<OAuthCredentialTypeInfoPresModel>();
  credentialType->SetClassName(className);
  credentialType->SetConnectorType(connectorType);
  credentialType->SetCredentialPropertiess(std::move(flags));
  if (withConfigs) withConfigs(*credentialType);
  CreateDisplayNames(*credentialType, displayNameOf);
  presModel.AddCredentialType(credentialType);
}

void OAuthSettingsPresModelBuilder::CreateDisplayNames(OAuthCredentialTypeInfoPresModel& credentialType,
                                                       const DisplayNameOf& displayNameOf) const {
  // Set order decides between locales of one language: the later one overwrites.
  std::map<TString, TString> displayNames;
  for (const TString& locale : m_locales)
    displayNames.insert_or_assign(LanguageUtils::GetLanguageShortAlias(locale), displayNameOf(locale));
  credentialType.SetDisplayNameMaps(std::move(displayNames));
}
