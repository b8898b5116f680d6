// Store: what lasts between runs — saved connections with their secrets encrypted at rest, the
// attributes each class last connected with, and the recent connections — in one SQLite file
// (the default) or in a PostgreSQL database that several servers share.
//
// Every change is one transaction: a reader, another process or a crash sees the state before
// it or after it, never a part. Secrets are encrypted with AES-256-GCM under the store's key
// (see StoreKey.h), each with a nonce of its own and its connection's id as associated data.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace Store {

/// A connection saved under a name. Its attributes hold no secret: they name the connection's
/// secrets by "credential-id" when it has any.
struct SavedConnection {
  TString name;
  TString connectionClass;
  ConnectionAttributeMap attributes;
};

/// Raised when the store cannot be opened or used: a wrong key, a tampered or truncated value,
/// a schema newer than this program knows, a database that cannot be reached. The message says
/// what and where, never a secret; the store is left as it was.
class HLVHOST_API StoreException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~StoreException() override;
};

class HLVHOST_API IStore {
 public:
  virtual ~IStore();

  /// Where the store is, for messages: the SQLite file's path, or the PostgreSQL URL without
  /// its password.
  virtual TString Location() const = 0;

  /// The saved connections, sorted by name.
  virtual std::vector<SavedConnection> Connections() const = 0;
  /// The connection saved as `name`, or nullopt.
  virtual std::optional<SavedConnection> FindConnection(const TString& name) const = 0;
  /// Saves `connection` (created, or replacing the one of its name) with exactly `secrets` as
  /// its secrets (none when empty), and returns it as saved: its attributes name the secrets by
  /// a new "credential-id" (the old one is dropped with its secrets). Any "credential-id" or
  /// secret among `connection.attributes` is ignored.
  virtual SavedConnection SaveConnection(const SavedConnection& connection, const SecretMap& secrets) = 0;
  /// Renames a saved connection. Raises StoreException when `from` is not saved or `to` is.
  virtual void RenameConnection(const TString& from, const TString& to) = 0;
  /// Deletes a saved connection and its secrets; false when it was not saved.
  virtual bool DeleteConnection(const TString& name) = 0;

  /// The secrets of a saved connection under `credentialId`, decrypted; nullopt for an id the
  /// store does not know. Raises StoreException for a value that does not decrypt.
  virtual std::optional<SecretMap> Secrets(const TString& credentialId) const = 0;

  /// The attributes `connectionClass` last connected with (never a secret), empty when none.
  virtual ConnectionAttributeMap LastAttributes(const TString& connectionClass) const = 0;
  /// Keeps `attributes` as the last ones of `connectionClass`; the caller leaves secrets out.
  virtual void RememberAttributes(const TString& connectionClass, const ConnectionAttributeMap& attributes) = 0;

  /// The recent connection classes, most recent first: the list MruFile keeps in a file, with
  /// its rules (no repeats, at most MruFile::kMaxEntries, class names only).
  virtual std::list<TString> RecentClasses() const = 0;
  /// Whether a list of recent classes was ever saved; an emptied list was.
  virtual bool HasRecentList() const = 0;
  /// Puts `connectionClass` first in the list (moving it there when it is in it already) and
  /// drops what falls off its end. What MruFile::IsRecordable refuses is not recorded.
  virtual void RecordRecent(const TString& connectionClass) = 0;
  /// Saves `classes` (normalized) as the list, unless a list was ever saved: false then.
  virtual bool SeedRecent(const std::list<TString>& classes) = 0;

  /// Encrypts every secret anew under a new key, in one transaction, and makes the new key the
  /// store's. Raises StoreException, changing nothing, when it cannot.
  virtual void RotateKey() = 0;
};

/// Opens the store at `location`: a `postgresql://` URL, else a SQLite file path; empty means
/// the default file ($XDG_DATA_HOME/hlvpres/store.sqlite, else ~/.local/share/hlvpres/...).
/// Creates or migrates its schema. Raises StoreException.
HLVHOST_API std::unique_ptr<IStore> Open(const TString& location);

/// The process-wide store: opened on first use from the environment (HLV_STORE), or the one a
/// host or a test installed.
HLVHOST_API IStore& Instance();
/// Installs `store` (null: the next Instance opens it from the environment again) and returns
/// the one it replaces (null when none was open). Instance raises StoreException when the store
/// cannot be opened, and tries again on its next call.
HLVHOST_API std::shared_ptr<IStore> Install(std::shared_ptr<IStore> store);

}  // namespace Store
