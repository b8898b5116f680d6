// The credential service on the store: the secrets of a conversion live in memory for this
// process only; those of a saved connection are read from the store.
//
// For the services and the CLI: install it with CredentialsService::Install(std::make_shared<
// StoreCredentialsService>()) where saved connections are used. It opens the store
// (Store::Instance()) only when an id is not in memory. The process default stays
// InMemoryCredentialsService.
#pragma once

#include "host/HostExport.h"
#include "host/connect/CredentialsService.h"
#include "host/connectors/InMemoryCredentialsService.h"

#include <memory>

namespace Store {

class HLVHOST_API StoreCredentialsService final : public ICredentialsService {
 public:
  /// At most `capacity` sets of secrets are kept in memory; saving one more forgets the oldest.
  explicit StoreCredentialsService(std::size_t capacity = InMemoryCredentialsService::kDefaultCapacity);
  ~StoreCredentialsService() override;
  StoreCredentialsService(const StoreCredentialsService&) = delete;
  StoreCredentialsService& operator=(const StoreCredentialsService&) = delete;

  /// Keeps `secrets` in memory under a new id; they are never written to the store.
  TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) override;
  /// The secrets in memory under `credentialId`, else those of the saved connection it names.
  /// Raises HalvaneException for an id neither knows, StoreException when the store fails.
  SecretMap GetCredentials(const TString& credentialId) const override;
  /// Forgets secrets kept in memory; a saved connection's are removed with the connection.
  bool RemoveCredentials(const TString& credentialId) override;

 private:
  InMemoryCredentialsService m_session;
};

}  // namespace Store
