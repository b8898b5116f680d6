#include "presentation-model/OAuthSettingsPresModelBuilder.h"

#include "host/app/FeatureFlags.h"
#include "host/app/LanguageUtils.h"
#include "parameters/EnumSerializer.h"
#include "presentation-model/OAuthConfigInfoPresModel.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using CredentialType = RefCntPtr<const OAuthCredentialTypeInfoPresModel>;

template <typename E>
std::string Text(E value) {
  return ToUtf8(EnumTableOf<E>().Encode(static_cast<std::int32_t>(value)));
}

// One credential type as "class type flag,flag,...", which is what most rules decide.
std::string Summary(const OAuthCredentialTypeInfoPresModel& credentialType) {
  std::string flags;
  for (const CredentialTypePropertiesFlag flag : credentialType.GetCredentialPropertiess())
    flags += (flags.empty() ? "" : ",") + Text(flag);
  return ToUtf8(credentialType.GetClassNameW()) + ' ' + Text(credentialType.GetConnectorType()) + ' ' + flags;
}

std::vector<std::string> Summaries(const OAuthSettingsPresModel& model) {
  std::vector<std::string> summaries;
  for (const CredentialType& credentialType : model.GetCredentialTypes()) summaries.push_back(Summary(*credentialType));
  return summaries;
}

// The credential type of `className` and `connectorType`; fails the test when there is none.
CredentialType Find(const OAuthSettingsPresModel& model, const char* className, ConnectorType connectorType) {
  for (const CredentialType& credentialType : model.GetCredentialTypes())
    if (credentialType->GetClassNameW() == QLatin1String(className) && credentialType->GetConnectorType() == connectorType)
      return credentialType;
  ADD_FAILURE() << "no credential type " << className;
  return MakeRefCnt<OAuthCredentialTypeInfoPresModel>();
}

using Languages = fake::ScopedInstall<LanguageUtils, ISupportedLanguages>;

std::shared_ptr<ISupportedLanguages> LanguagesOf(std::vector<Language> languages) {
  return std::make_shared<FixedSupportedLanguages>(std::move(languages));
}

const std::vector<std::string> kLegacyAndSlack = {
    "google-analytics legacy-connector provider-class,data-connection-class",
    "bigquery legacy-connector provider-class,data-connection-class",
    "google-sheets legacy-connector provider-class,data-connection-class",
    "nimbara legacy-connector provider-class,data-connection-class",
    "slack legacy-connector provider-class",
};

// Empty registries, the default flags (none of the own-sign-in flags on, OAuth configurations
// listed) and English as the only language, unless a test says otherwise.
class OAuthSettingsPresModelBuilderTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::Registry> registry = std::make_shared<fake::Registry>();
  std::shared_ptr<fake::CloudFileRegistry> cloudFiles = std::make_shared<fake::CloudFileRegistry>();
  std::shared_ptr<ConfigurableFeatureFlags> flags = std::make_shared<ConfigurableFeatureFlags>(false, nullptr);
  std::shared_ptr<ConfigurableFeatureFlags> remoteFlags = std::make_shared<ConfigurableFeatureFlags>(true, nullptr);

  fake::ScopedInstall<Connect::Registry, Connect::IRegistry> installRegistry{registry};
  fake::ScopedInstall<CloudFileConnectorsRegistry, ICloudFileConnectorsRegistry> installCloudFiles{cloudFiles};
  fake::ScopedInstall<FeatureFlags, IFeatureFlags> installFlags{flags};
  fake::ScopedInstall<RemoteFeatureFlags, IFeatureFlags> installRemoteFlags{remoteFlags};
  Languages installLanguages{LanguagesOf({Language::English})};

  fake::Connector& AddOAuthConnector(const char* className) {
    fake::Connector& connector = registry->Add(QLatin1String(className));
    connector.supportsOAuth = true;
    return connector;
  }

  fake::WebDataConnectorInfo& AddWebDataConnector(const char* registeredClass, const char* className) {
    registry->Add(QLatin1String(registeredClass));
    auto wdc = MakeRefCnt<fake::WebDataConnectorInfo>();
    wdc->className = QLatin1String(className);
    wdc->usesOAuth = true;
    auto plugin = MakeRefCnt<fake::ConnectorPlugin>();
    plugin->webDataConnector = wdc;
    registry->plugins[QLatin1String(registeredClass)] = plugin;
    return *wdc;
  }
};

TEST_F(OAuthSettingsPresModelBuilderTest, EmptyRegistriesListTheLegacyClassesThenSlack) {
  const auto model = OAuthSettingsPresModelBuilder().Build();
  EXPECT_EQ(Summaries(*model), kLegacyAndSlack);
  // Display names under the short alias, Slack's from the string tables; no configurations.
  EXPECT_EQ(model->GetCredentialType(4)->GetDisplayNameMaps(),
            (std::map<TString, TString>{{QStringLiteral("en"), QStringLiteral("Slack")}}));
  EXPECT_EQ(model->GetCredentialType(4)->GetOAuthConfigInfosCount(), 0u);
}

TEST_F(OAuthSettingsPresModelBuilderTest, StepsRunInOrderWithoutMerging) {
  AddWebDataConnector("webdata", "acme-wdc");
  cloudFiles->providers = {QStringLiteral("onedrive")};
  cloudFiles->classes = {QStringLiteral("onedrive-file")};
  AddOAuthConnector("zeta-sql");
  // A legacy class whose connector also says OAuth is listed by both steps.
  AddOAuthConnector("bigquery");
  registry->excludesGenericAuth = {QStringLiteral("bigquery")};

  const auto model = OAuthSettingsPresModelBuilder().Build();
  EXPECT_EQ(Summaries(*model), (std::vector<std::string>{
                                   "acme-wdc web-data-connector provider-class,data-connection-class",
                                   "onedrive cloud-file-connector ",
                                   "onedrive-file cloud-file-connector data-connection-class",
                                   kLegacyAndSlack[0],
                                   kLegacyAndSlack[1],
                                   kLegacyAndSlack[2],
                                   kLegacyAndSlack[3],
                                   "bigquery odbc-oauth-connector provider-class,data-connection-class",
                                   "zeta-sql odbc-oauth-connector provider-class,data-connection-class,generic-auth-class",
                                   kLegacyAndSlack[4],
                               }));
}

TEST_F(OAuthSettingsPresModelBuilderTest, LocalesSharingAShortAliasKeepTheLaterLocalesName) {
  // Listed in the other order on purpose: the builder's set, not the service's order, decides.
  const Languages languages(LanguagesOf({Language::PortuguesePortugal, Language::English, Language::PortugueseBrazil}));
  registry->localizedCaptions[{QStringLiteral("bigquery"), QStringLiteral("pt_BR")}] = QStringLiteral("BigQuery (BR)");
  registry->localizedCaptions[{QStringLiteral("bigquery"), QStringLiteral("pt_PT")}] = QStringLiteral("BigQuery (PT)");
  registry->localizedCaptions[{QStringLiteral("bigquery"), QStringLiteral("en_US")}] = QStringLiteral("BigQuery");

  const auto bigquery = Find(*OAuthSettingsPresModelBuilder().Build(), "bigquery", ConnectorType::LegacyConnector);
  EXPECT_EQ(bigquery->GetDisplayNameMaps(), (std::map<TString, TString>{{QStringLiteral("en"), QStringLiteral("BigQuery")},
                                                                        {QStringLiteral("pt"), QStringLiteral("BigQuery (PT)")}}));
}

TEST_F(OAuthSettingsPresModelBuilderTest, DisplayNamesComeFromEachStepsSource) {
  const Languages languages(LanguagesOf({Language::English, Language::German, Language::Japanese}));
  fake::WebDataConnectorInfo& wdc = AddWebDataConnector("webdata", "acme-wdc");
  wdc.displayNames = {{QStringLiteral("de_DE"), QStringLiteral("Acme (de)")}, {QStringLiteral("en_US"), QStringLiteral("Acme")}};
  cloudFiles->providers = {QStringLiteral("box")};
  cloudFiles->descriptions[{QStringLiteral("box"), QStringLiteral("de_DE")}] = QStringLiteral("Box (de)");
  AddOAuthConnector("zeta-sql");
  registry->localizedCaptions[{QStringLiteral("zeta-sql"), QStringLiteral("ja_JP")}] = QStringLiteral("Zeta (ja)");

  const auto model = OAuthSettingsPresModelBuilder().Build();
  const auto names = [](const CredentialType& credentialType) {
    return credentialType->GetDisplayNameMap(QStringLiteral("de")) + QLatin1Char('|') +
           credentialType->GetDisplayNameMap(QStringLiteral("en")) + QLatin1Char('|') +
           credentialType->GetDisplayNameMap(QStringLiteral("ja"));
  };
  EXPECT_EQ(names(Find(*model, "acme-wdc", ConnectorType::WebDataConnector)), QStringLiteral("Acme (de)|Acme|acme-wdc"));
  EXPECT_EQ(names(Find(*model, "box", ConnectorType::CloudFileConnector)), QStringLiteral("Box (de)||"));
  EXPECT_EQ(names(Find(*model, "zeta-sql", ConnectorType::OdbcOauthConnector)), QStringLiteral("zeta-sql|zeta-sql|Zeta (ja)"));
  EXPECT_EQ(names(Find(*model, "slack", ConnectorType::LegacyConnector)), QStringLiteral("Slack|Slack|Slack"));
}

TEST_F(OAuthSettingsPresModelBuilderTest, WebDataConnectorsNeedOAuthAndMayAllowGenericAuth) {
  AddWebDataConnector("wdc-generic", "acme-generic").allowsGenericAuth = true;
  AddWebDataConnector("wdc-own", "acme-own");
  AddWebDataConnector("wdc-no-oauth", "acme-no-oauth").usesOAuth = false;
  // A plug-in without a web data connector, and a class without a plug-in.
  registry->Add(QStringLiteral("plain"));
  registry->plugins[QStringLiteral("plain")] = MakeRefCnt<fake::ConnectorPlugin>();
  registry->Add(QStringLiteral("postgres"));

  const auto summaries = Summaries(*OAuthSettingsPresModelBuilder().Build());
  EXPECT_EQ(std::vector<std::string>(summaries.begin(), summaries.begin() + 2),
            (std::vector<std::string>{
                "acme-generic web-data-connector provider-class,data-connection-class,generic-auth-class",
                "acme-own web-data-connector provider-class,data-connection-class",
            }));
  EXPECT_EQ(summaries.size(), 2 + kLegacyAndSlack.size());
}

TEST_F(OAuthSettingsPresModelBuilderTest, StorageProvidersKeepGenericAuthUntilTheirOwnFlagIsOn) {
  cloudFiles->providers = {QStringLiteral("box"), QStringLiteral("dropbox"), QStringLiteral("googledrive"),
                           QStringLiteral("onedrive")};
  registry->Add(QStringLiteral("onedrive")).customDomainConfigs = {TString()};
  // A connector of a provider's name that accepts a custom domain only for a configuration.
  registry->Add(QStringLiteral("dropbox")).customDomainConfigs = {QStringLiteral("team")};

  const auto providerFlags = [&] {
    std::vector<std::string> summaries = Summaries(*OAuthSettingsPresModelBuilder().Build());
    return std::vector<std::string>(summaries.begin(), summaries.begin() + 4);
  };
  EXPECT_EQ(providerFlags(), (std::vector<std::string>{
                                 "box cloud-file-connector generic-auth-class",
                                 "dropbox cloud-file-connector generic-auth-class",
                                 "googledrive cloud-file-connector generic-auth-class",
                                 "onedrive cloud-file-connector custom-domain-class",
                             }));

  // Each provider reads its own flag, from its own set: Box's id in the local set changes
  // nothing, and the local and remote sets are asked for Google Drive and Dropbox apart.
  flags->Set(RemoteFeatureFlagIds::kBoxOwnAuth, true);
  flags->Set(FeatureFlagIds::kDropboxOwnAuth, true);
  EXPECT_EQ(providerFlags(), (std::vector<std::string>{
                                 "box cloud-file-connector generic-auth-class",
                                 "dropbox cloud-file-connector ",
                                 "googledrive cloud-file-connector generic-auth-class",
                                 "onedrive cloud-file-connector custom-domain-class",
                             }));
  flags->Set(FeatureFlagIds::kDropboxOwnAuth, false);
  flags->Set(FeatureFlagIds::kGoogleDriveOwnAuth, true);
  remoteFlags->Set(RemoteFeatureFlagIds::kBoxOwnAuth, true);
  EXPECT_EQ(providerFlags(), (std::vector<std::string>{
                                 "box cloud-file-connector ",
                                 "dropbox cloud-file-connector generic-auth-class",
                                 "googledrive cloud-file-connector ",
                                 "onedrive cloud-file-connector custom-domain-class",
                             }));
}

TEST_F(OAuthSettingsPresModelBuilderTest, LegacyClassesAddCustomDomainFromTheirConnector) {
  registry->Add(QStringLiteral("nimbara")).customDomainConfigs = {TString()};
  registry->Add(QStringLiteral("google-sheets"));

  const auto model = OAuthSettingsPresModelBuilder().Build();
  EXPECT_EQ(Summary(*model->GetCredentialType(2)), kLegacyAndSlack[2]);
  EXPECT_EQ(Summary(*model->GetCredentialType(3)),
            "nimbara legacy-connector provider-class,data-connection-class,custom-domain-class");
}

TEST_F(OAuthSettingsPresModelBuilderTest, RelationalConnectorsFlagCustomDomainThenGenericAuth) {
  fake::Connector& snowflake = AddOAuthConnector("snowflake");
  snowflake.customDomainConfigs = {TString()};
  AddOAuthConnector("acme-sql").customDomainConfigs = {TString()};
  AddOAuthConnector("beta-sql");
  registry->Add(QStringLiteral("postgres"));
  registry->excludesGenericAuth = {QStringLiteral("acme-sql"), QStringLiteral("beta-sql")};

  const auto summaries = Summaries(*OAuthSettingsPresModelBuilder().Build());
  EXPECT_EQ(std::vector<std::string>(summaries.begin() + 4, summaries.end() - 1),
            (std::vector<std::string>{
                "acme-sql odbc-oauth-connector provider-class,data-connection-class,custom-domain-class",
                "beta-sql odbc-oauth-connector provider-class,data-connection-class",
                "snowflake odbc-oauth-connector provider-class,data-connection-class,custom-domain-class,generic-auth-class",
            }));
}

TEST_F(OAuthSettingsPresModelBuilderTest, OAuthConfigurationsAreListedOnlyWhileTheirRemoteFlagIsOn) {
  fake::Connector& snowflake = AddOAuthConnector("snowflake");
  snowflake.oauthConfigs = {{QStringLiteral("snowflake"), QStringLiteral("Snowflake OAuth")},
                            {QStringLiteral("okta"), QStringLiteral("Okta")}};
  snowflake.customDomainConfigs = {QStringLiteral("okta")};

  const auto configs = Find(*OAuthSettingsPresModelBuilder().Build(), "snowflake", ConnectorType::OdbcOauthConnector);
  ASSERT_EQ(configs->GetOAuthConfigInfosCount(), 2u);
  // The class as a whole accepts no custom domain, although one configuration does.
  EXPECT_EQ(Summary(*configs), "snowflake odbc-oauth-connector provider-class,data-connection-class,generic-auth-class");
  for (unsigned i = 0; i < 2; ++i) {
    const auto& info = *configs->GetOAuthConfigInfos(i);
    EXPECT_EQ(info.GetOAuthConfigId() + QLatin1Char('|') + info.GetConfigLabel(),
              i == 0 ? QStringLiteral("snowflake|Snowflake OAuth") : QStringLiteral("okta|Okta"));
    EXPECT_EQ(info.GetSupportsCustomDomain(), i == 1);
  }

  remoteFlags->Set(RemoteFeatureFlagIds::kOAuthConfigs, false);
  EXPECT_EQ(Find(*OAuthSettingsPresModelBuilder().Build(), "snowflake", ConnectorType::OdbcOauthConnector)
                ->GetOAuthConfigInfosCount(),
            0u);
}

TEST_F(OAuthSettingsPresModelBuilderTest, ConnectorsItCreatesAreReleased) {
  AddOAuthConnector("snowflake").oauthConfigs = {{QStringLiteral("okta"), QStringLiteral("Okta")}};
  registry->Add(QStringLiteral("postgres"));
  registry->Add(QStringLiteral("nimbara"));
  registry->Add(QStringLiteral("box"));
  cloudFiles->providers = {QStringLiteral("box")};

  const auto model = OAuthSettingsPresModelBuilder().Build();
  // One for the provider, one per legacy class, one per registered class to find the OAuth
  // ones, and one more for the OAuth class.
  EXPECT_EQ(registry->connectorsCreated, 1 + 4 + 4 + 1);
  for (const auto& [className, connector] : registry->connectors) EXPECT_EQ(connector->GetRefCount(), 1) << ToUtf8(className);
}

}  // namespace
