// OAuthSettingsPresModelBuilder: the OAuth settings page, which lists the connectors whose saved
// credentials are OAuth credentials.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/OAuthCredentialTypeInfoPresModel.h"
#include "presentation-model/OAuthSettingsPresModel.h"

#include <functional>
#include <set>

/// Builds OAuthSettingsPresModel records: one credential type per connector that signs in with
/// OAuth, taken from the connector registry, the cloud-file registry and a few fixed classes, in
/// this order:
///
/// 1. the registered classes whose plug-in describes a web data connector that uses OAuth
///    ("web-data-connector"; "provider-class", "data-connection-class", then
///    "generic-auth-class" when the connector allows generic authentication);
/// 2. every cloud storage provider ("cloud-file-connector"; "generic-auth-class" for Google
///    Drive, Box and Dropbox while their own sign-in flag is off, then "custom-domain-class"
///    when the registry's connector of the provider accepts a custom domain), then every
///    cloud-file class ("cloud-file-connector"; "data-connection-class");
/// 3. "google-analytics", "bigquery", "google-sheets" and "nimbara" ("legacy-connector";
///    "provider-class", "data-connection-class", then "custom-domain-class" as above);
/// 4. every registered class whose connector signs in with OAuth ("odbc-oauth-connector";
///    "provider-class", "data-connection-class", "custom-domain-class" as above, then
///    "generic-auth-class" unless the class excludes generic authentication), with its OAuth
///    configurations while the OAuth configurations remote flag is on;
/// 5. "slack" ("legacy-connector"; "provider-class").
///
/// Nothing is sorted or merged: a class found by two steps is listed twice. Each credential type
/// has one display name per short alias of the builder's locales ("de" for "de_DE"); when two
/// locales share an alias, the later locale in ISO string order wins ("pt_PT" over "pt_BR").
///
/// A null plug-in, web data connector or connector leaves the class out; for the fixed classes
/// and the storage providers it leaves out only the custom-domain flag. A class found by the
/// first pass of step 4 whose second connector is null is left out too. Every connector object
/// the registry creates is released before Build returns.
class HLVPRES_API OAuthSettingsPresModelBuilder {
 public:
  /// A builder for the ISO strings of LanguageUtils::GetSupportedLanguages().
  OAuthSettingsPresModelBuilder();
  OAuthSettingsPresModelBuilder(const OAuthSettingsPresModelBuilder&) = default;
  OAuthSettingsPresModelBuilder& operator=(const OAuthSettingsPresModelBuilder&) = default;
  virtual ~OAuthSettingsPresModelBuilder();

  /// A new record, asking the registries and the flags afresh. Exceptions of the host services
  /// propagate and the partly built record is released.
  RefCntPtr<const OAuthSettingsPresModel> Build() const;

 private:
  using DisplayNameOf = std::function<TString(const TString& locale)>;
  using Flags = std::vector<CredentialTypePropertiesFlag>;

  void AddFirstClassWDCs(OAuthSettingsPresModel& presModel) const;
  void AddCloudFileConnectors(OAuthSettingsPresModel& presModel) const;
  void AddLegacyOAuthConnectors(OAuthSettingsPresModel& presModel) const;
  void AddRelationalOAuthConnectors(OAuthSettingsPresModel& presModel) const;
  void AddSlackOAuth(OAuthSettingsPresModel& presModel) const;

  /// Makes one credential type and appends it; `withConfigs` is called on it once its flags
  /// are set, to add its OAuth configurations.
  void AddCredentialType(OAuthSettingsPresModel& presModel, const TString& className, ConnectorType connectorType,
                         Flags flags, const DisplayNameOf& displayNameOf,
                         const std::function<void(OAuthCredentialTypeInfoPresModel&)>& withConfigs = nullptr) const;
  /// Stores the display name of every locale of the builder under the locale's short alias.
  void CreateDisplayNames(OAuthCredentialTypeInfoPresModel& credentialType, const DisplayNameOf& displayNameOf) const;

  /// The locale ISO strings display names are made for, in ISO string order.
  std::set<TString> m_locales;
};
