// The default credential service: connection secrets kept in this process's memory.
#pragma once

#include "host/HostExport.h"
#include "host/connect/CredentialsService.h"

#include <cstddef>
#include <memory>
#include <optional>

/// Keeps secrets in memory under credential ids of 128 bits drawn from the system's secure
/// random source, written as 32 lower-case hexadecimal digits, at most `capacity` sets at once:
/// keeping one more forgets the oldest, so that memory stays bounded however many conversions
/// a long-running process makes. Safe to use from several threads. A secret's characters are overwritten when it is removed and when the service is
/// destroyed; the service keeps its own copy of each secret, shared with no other string, so
/// that nothing it overwrites is still in use elsewhere.
class HLVHOST_API InMemoryCredentialsService final : public ICredentialsService {
 public:
  /// The sets kept when not told otherwise.
  static constexpr std::size_t kDefaultCapacity = 10000;

  explicit InMemoryCredentialsService(std::size_t capacity = kDefaultCapacity);
  ~InMemoryCredentialsService() override;
  InMemoryCredentialsService(const InMemoryCredentialsService&) = delete;
  InMemoryCredentialsService& operator=(const InMemoryCredentialsService&) = delete;

  /// Keeps a copy of `secrets` under a new id; a failure of the random source raises
  /// HalvaneException. The attributes are not kept.
  TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) override;
  /// Copies of the secrets kept under `credentialId`; an unknown id raises HalvaneException,
  /// whose message does not quote the id.
  SecretMap GetCredentials(const TString& credentialId) const override;
  /// Copies of the secrets kept under `credentialId`, or nullopt for an id not kept.
  std::optional<SecretMap> FindCredentials(const TString& credentialId) const;
  bool RemoveCredentials(const TString& credentialId) override;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};
