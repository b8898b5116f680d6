// PKCS#8 private keys in PEM form, encrypted with a pass phrase or not, through OpenSSL.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <memory>
#include <vector>

/// A private key held by OpenSSL. Copies share the key.
class HLVHOST_API PrivateKey {
 public:
  PrivateKey();
  ~PrivateKey();
  PrivateKey(const PrivateKey&);
  PrivateKey& operator=(const PrivateKey&);

  bool IsNull() const noexcept { return !m_key; }
  /// The key's algorithm, such as "RSA" or "ED25519".
  TString GetAlgorithm() const;

 private:
  friend HLVHOST_API PrivateKey ReadPkcs8PrivateKey(const std::vector<char>&, const TString&);
  friend HLVHOST_API std::vector<char> WritePkcs8PrivateKey(const PrivateKey&, const TString&);
  struct Handle;
  std::shared_ptr<Handle> m_key;
};

/// The largest key text read: 64 KiB.
inline constexpr std::size_t kMaxPrivateKeyBytes = std::size_t{64} << 10;

/// The key in the PKCS#8 PEM text `pem`, decrypted with `passPhrase` (taken as UTF-8) when it
/// is encrypted; the older PEM forms OpenSSL reads are accepted too, and a pass phrase given for
/// a key that is not encrypted is not used. A text that holds no such key, a key whose parts do
/// not fit together (damaged), a missing or wrong pass phrase or a text over
/// kMaxPrivateKeyBytes raises HalvaneException with a message that quotes neither the key nor
/// the pass phrase.
HLVHOST_API PrivateKey ReadPkcs8PrivateKey(const std::vector<char>& pem, const TString& passPhrase);

/// `key` as PKCS#8 PEM text, encrypted with `passPhrase` (AES-256-CBC, UTF-8) unless it is
/// empty. Unencrypted, the text is the secret itself: the caller owns the only copy. A null key
/// raises LogicException.
HLVHOST_API std::vector<char> WritePkcs8PrivateKey(const PrivateKey& key, const TString& passPhrase);

/// Overwrites `bytes` with zeros in a way the compiler cannot leave out, for buffers that held a
/// secret (a decrypted key, a pass phrase).
HLVHOST_API void SecureErase(std::vector<char>& bytes) noexcept;
