// The credential service: where a connection's secrets are kept, apart from its attributes.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <memory>

/// Keeps connection secrets under credential ids. The attributes of a connection then carry
/// only the id (attribute "credential-id"), never a secret.
class HLVHOST_API ICredentialsService {
 public:
  virtual ~ICredentialsService();

  /// Keeps `secrets`, the secret attributes of the connection described by `attributes`, and
  /// returns the new id they are kept under.
  virtual TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets) = 0;
  /// The secrets kept under `credentialId`. An unknown id raises HalvaneException (which never
  /// quotes the id).
  virtual SecretMap GetCredentials(const TString& credentialId) const = 0;
  /// Forgets the secrets kept under `credentialId`; false when there were none.
  virtual bool RemoveCredentials(const TString& credentialId) = 0;
};

/// The process-wide credential service.
class HLVHOST_API CredentialsService {
 public:
  CredentialsService() = delete;

  /// The installed service; by default an InMemoryCredentialsService.
  static ICredentialsService& Instance();
  /// Installs `service` (null puts a new default back) and returns the one it replaces.
  static std::shared_ptr<ICredentialsService> Install(std::shared_ptr<ICredentialsService> service);
};

/// What the connector parameter set asks of the credential service.
class HLVHOST_API CredentialsServiceHelpers {
 public:
  CredentialsServiceHelpers() = delete;

  /// Whether `connectionClass` keeps its secrets in the process's credential service (the
  /// connector registry says so per class).
  static bool UseInMemoryService(const TString& connectionClass);
  /// Hands `secrets` to CredentialsService::Instance() and returns their credential id.
  static TString SaveCredentials(const ConnectionAttributeMap& attributes, const SecretMap& secrets);
};
