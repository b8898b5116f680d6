// StoreKey: where the key that encrypts a store's secrets is kept, and how it is replaced without
// ever being lost.
//
// The key is 32 random bytes, written as base64. Its source, first match wins:
//   1. HLV_STORE_KEY, the key itself in base64: given explicitly, it wins; the program cannot
//      change it, so a store keyed this way cannot rotate its key.
//   2. HLV_STORE_KEY_FILE, a key file named explicitly (created when missing).
//   3. the desktop keyring, when a Secret Service answers on the session bus (checked quickly:
//      no session bus, no keyring), unless it holds no key for the store and the default key
//      file exists (a store made while no keyring answered keeps its file);
//   4. the default key file: next to a SQLite store, its name with ".key" (store.sqlite ->
//      store.key); for a PostgreSQL store, postgres-HOST-PORT-DATABASE.key in the data folder.
// A key file is created with mode 0600 in a folder made 0700; one that others may read or write
// is refused. A rotation writes the new key aside first ("next": KEYFILE.next, or the keyring's
// item of role "next"), commits the database, then makes it current; a store opened in between
// finds the key that matches among the two and finishes the move.
//
// For the services and the CLI: nothing here is needed directly; Store::Open picks the source.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace Store {

class HLVHOST_API KeySource {
 public:
  virtual ~KeySource();

  /// The source of the key of the store at `location`, as the list above says.
  static std::unique_ptr<KeySource> For(const TString& location, const TString& defaultKeyFile);

  /// What the source is, for messages: "the key file /x/store.key", "the desktop keyring", ...
  virtual TString Describe() const = 0;
  /// The current key, or nullopt when there is none yet. Raises StoreException for a key that
  /// cannot be read or is not 32 bytes of base64, or a key file others may read.
  virtual std::optional<QByteArray> Current() const = 0;
  /// The key a rotation wrote aside, or nullopt.
  virtual std::optional<QByteArray> Next() const = 0;
  /// Keeps `key` as the first key, unless another process kept one first: returns the key kept.
  virtual QByteArray Create(const QByteArray& key) = 0;
  /// Writes `key` aside as the next key (before the database commits a rotation).
  virtual void StageNext(const QByteArray& key) = 0;
  /// Makes the next key, `key`, current (after the commit); done already is fine.
  virtual void PromoteNext(const QByteArray& key) = 0;
  /// Forgets the next key (a rotation that did not commit).
  virtual void DiscardNext() = 0;
};

/// Makes `path`'s missing folders with mode 0700. Raises StoreException.
HLVHOST_API void MakePrivateFolders(const TString& path);

}  // namespace Store
