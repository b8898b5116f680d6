#include "connect/DSConnectorParams.h"

#include "host/connect/CredentialsService.h"

namespace {

const TString& ReadUncommittedValue() {
  static const TString value = QStringLiteral("ReadUncommitted");
  return value;
}

const TString& RequireValue() {
  static const TString value = QStringLiteral("require");
  return value;
}

}  // namespace

DSConnectorParams::DSConnectorParams() = default;

DSConnectorParams::DSConnectorParams(const std::unordered_map<TString, TString>& attrs) : m_attributes(attrs) {
  const auto filename = m_attributes.find(ConnectorAttrs::kFilename);
  if (filename == m_attributes.end() || filename->second.isEmpty()) return;
  m_filename = filename->second;
  m_attributes.erase(filename);
}

DSConnectorParams::DSConnectorParams(const DSConnectorParams& other) = default;
DSConnectorParams& DSConnectorParams::operator=(const DSConnectorParams& other) = default;
DSConnectorParams::~DSConnectorParams() = default;

std::unordered_map<TString, TString> DSConnectorParams::Attributes() const {
  std::unordered_map<TString, TString> merged = m_attributes;
  for (const auto& [name, value] : m_oauthAttributes) {
    TString& slot = merged[name];
    if (slot.isEmpty()) slot = value;
  }
  return merged;
}

TString DSConnectorParams::GetStringValue(const TString& name) const {
  const auto found = m_attributes.find(name);
  return found == m_attributes.end() ? TString() : found->second;
}

void DSConnectorParams::SetValue(const TString& name, const TString& value) { m_attributes[name] = value; }

void DSConnectorParams::SetSecureValue(const TString& name, const TString& value) {
  m_secureNames.insert(name);
  SetValue(name, value);
}

void DSConnectorParams::RemoveValue(const TString& name) { m_attributes.erase(name); }

void DSConnectorParams::SetConnectorAttributes(const std::map<TString, TString>& attrs) {
  for (const auto& [name, value] : attrs) SetValue(name, value);
}

void DSConnectorParams::SetOAuthAttributes(const std::map<TString, TString>& attrs) { m_oauthAttributes = attrs; }

void DSConnectorParams::SaveSecureValues() {
  const TString connectionClass = ConnectionClass();
  if (connectionClass.isEmpty()) return;
  if (!CredentialsServiceHelpers::UseInMemoryService(connectionClass)) return;
  if (m_secureNames.empty()) return;

  SecretMap secrets;
  for (const TString& name : m_secureNames) {
    const auto found = m_attributes.find(name);
    if (found == m_attributes.end()) {
      secrets[name] = TString();
      continue;
    }
    secrets[name] = found->second;
    m_attributes.erase(found);
  }
  SetValue(ConnectorAttrs::kCredentialId, CredentialsServiceHelpers::SaveCredentials(m_attributes, secrets));
}

bool DSConnectorParams::ReadUncommittedData() const {
  return GetStringValue(ConnectorAttrs::kIsolationLevel) == ReadUncommittedValue();
}

void DSConnectorParams::SetReadUncommittedData(bool on) {
  SetValue(ConnectorAttrs::kIsolationLevel, on ? ReadUncommittedValue() : TString());
}

bool DSConnectorParams::RequireEncryption() const {
  return GetStringValue(ConnectorAttrs::kEncryptionMode) == RequireValue();
}

void DSConnectorParams::SetRequireEncryption(bool on) {
  SetValue(ConnectorAttrs::kEncryptionMode, on ? RequireValue() : TString());
}

bool DSConnectorParams::RequireSSL() const { return GetStringValue(ConnectorAttrs::kSSLMode) == RequireValue(); }

void DSConnectorParams::SetRequireSSL(bool on) { SetValue(ConnectorAttrs::kSSLMode, on ? RequireValue() : TString()); }
