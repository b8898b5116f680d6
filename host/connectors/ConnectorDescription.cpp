#include "host/connectors/ConnectorDescription.h"

#include <algorithm>

namespace Connect {

namespace {

const TString& English() {
  static const TString english = QStringLiteral("en");
  return english;
}

// The language of an ISO locale string: "de" of "de_DE" or "de-DE".
TString LanguageOf(const TString& locale) {
  for (int i = 0; i < locale.size(); ++i)
    if (locale[i] == QLatin1Char('_') || locale[i] == QLatin1Char('-')) return locale.left(i);
  return locale;
}

class WebDataConnectorInfo final : public IWebDataConnectorInfo {
 public:
  WebDataConnectorInfo(TString className, WebDataConnectorDescription description)
      : m_className(std::move(className)), m_description(std::move(description)) {}

  TString GetClassName() const override { return m_className; }
  bool UsesOAuth() const override { return m_description.usesOAuth; }
  bool AllowsGenericAuth() const override { return m_description.allowsGenericAuth; }
  TString GetDisplayName(const TString& locale) const override { return m_description.displayNames.In(locale); }

 private:
  ~WebDataConnectorInfo() override = default;

  TString m_className;
  WebDataConnectorDescription m_description;
};

class ConnectorPlugin final : public IConnectorPlugin {
 public:
  explicit ConnectorPlugin(RefCntPtr<const IWebDataConnectorInfo> info) : m_info(std::move(info)) {}

  RefCntPtr<const IWebDataConnectorInfo> GetWebDataConnectorInfo() const override { return m_info; }

 private:
  ~ConnectorPlugin() override = default;

  RefCntPtr<const IWebDataConnectorInfo> m_info;
};

}  // namespace

TString LocalizedText::In(const TString& locale) const {
  if (!locale.isEmpty()) {
    if (const auto exact = m_byLocale.find(locale); exact != m_byLocale.end()) return exact->second;
    if (const auto language = m_byLocale.find(LanguageOf(locale)); language != m_byLocale.end())
      return language->second;
  }
  const auto english = m_byLocale.find(English());
  return english == m_byLocale.end() ? TString() : english->second;
}

DescribedFieldsModel::DescribedFieldsModel(std::vector<FieldDescription> fields) : m_fields(std::move(fields)) {}
DescribedFieldsModel::~DescribedFieldsModel() = default;

std::vector<TString> DescribedFieldsModel::GetConnectionFieldsNames(const ConnectionFieldsFilter& filter) const {
  std::vector<TString> names;
  for (const FieldDescription& description : m_fields) {
    const bool applies = std::all_of(description.conditions.begin(), description.conditions.end(),
                                     [&filter](const auto& condition) {
                                       const std::vector<TString>& allowed = condition.second;
                                       return std::find(allowed.begin(), allowed.end(),
                                                        filter.GetValue(condition.first)) != allowed.end();
                                     });
    if (applies) names.push_back(description.field.GetName());
  }
  return names;
}

const ConnectionField* DescribedFieldsModel::GetField(const TString& name) const {
  for (const FieldDescription& description : m_fields)
    if (description.field.GetName() == name) return &description.field;
  return nullptr;
}

ConnectorDescription::ConnectorDescription(ConnectorFacts facts)
    : m_facts(std::move(facts)), m_englishCaption(m_facts.caption.In(English())) {
  if (!m_facts.fields.empty()) m_fieldsModel = MakeRefCnt<DescribedFieldsModel>(m_facts.fields);
  RefCntPtr<const IWebDataConnectorInfo> info;
  if (m_facts.webDataConnector) info = MakeRefCnt<WebDataConnectorInfo>(m_facts.className, *m_facts.webDataConnector);
  m_plugin = MakeRefCnt<ConnectorPlugin>(std::move(info));
}

ConnectorDescription::~ConnectorDescription() = default;

bool ConnectorDescription::SupportsCustomDomain(const TString& configId) const {
  if (!m_facts.oauth) return false;
  if (configId.isEmpty()) return m_facts.oauth->customDomain;
  for (const OAuthConfigDescription& config : m_facts.oauth->configs)
    if (config.id == configId) return config.customDomain;
  return false;
}

std::vector<TString> ConnectorDescription::GetOAuthConfigs() const {
  std::vector<TString> ids;
  if (!m_facts.oauth) return ids;
  for (const OAuthConfigDescription& config : m_facts.oauth->configs) ids.push_back(config.id);
  return ids;
}

TString ConnectorDescription::GetOAuthConfigLabel(const TString& configId) const {
  if (!m_facts.oauth) return TString();
  for (const OAuthConfigDescription& config : m_facts.oauth->configs)
    if (config.id == configId) return config.label;
  return TString();
}

TString ConnectorDescription::Caption(const TString& locale) const {
  const TString caption = m_facts.caption.In(locale);
  return caption.isEmpty() ? m_facts.className : caption;
}

TString ConnectorDescription::AuthenticationValue(AuthenticationEnums::AuthOption option) const {
  for (const auto& [described, value] : m_facts.authentication.options)
    if (described == option) return value;
  return TString();
}

AuthenticationEnums::AuthOption ConnectorDescription::AuthOptionOf(const TString& value) const {
  if (!value.isEmpty())
    for (const auto& [option, described] : m_facts.authentication.options)
      if (described == value) return option;
  return AuthenticationEnums::AuthOption::AuthOptionInvalid;
}

const DriverRequirement* ConnectorDescription::DriverFor(const TString& connectionType) const {
  if (!connectionType.isEmpty())
    for (const auto& [type, driver] : m_facts.driversByConnectionType)
      if (type == connectionType) return &driver;
  return m_facts.driver ? &*m_facts.driver : nullptr;
}

}  // namespace Connect
