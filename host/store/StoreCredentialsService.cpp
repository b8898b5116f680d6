#include "host/store/StoreCredentialsService.h"

#include "host/store/Store.h"

namespace Store {

StoreCredentialsService::StoreCredentialsService(std::size_t capacity) : m_session(capacity) {}

StoreCredentialsService::~StoreCredentialsService() = default;

TString StoreCredentialsService::SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) {
  return m_session.SaveCredentials(attributes, secrets);
}

SecretMap StoreCredentialsService::GetCredentials(const TString& credentialId) const {
  if (std::optional<SecretMap> kept = m_session.FindCredentials(credentialId)) return std::move(*kept);
  if (std::optional<SecretMap> saved = Instance().Secrets(credentialId)) return std::move(*saved);
  throw HalvaneException(QStringLiteral("No credentials are kept under the given credential id"));
}

bool StoreCredentialsService::RemoveCredentials(const TString& credentialId) {
  return m_session.RemoveCredentials(credentialId);
}

}  // namespace Store
