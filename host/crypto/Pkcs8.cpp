#include "host/crypto/Pkcs8.h"

#include "host/Exceptions.h"

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <memory>
#include <string>

struct PrivateKey::Handle {
  explicit Handle(EVP_PKEY* k) : key(k) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { EVP_PKEY_free(key); }

  EVP_PKEY* key;
};

namespace {

// A pass phrase as OpenSSL takes it, UTF-8, overwritten when it goes out of scope.
class PassPhraseBytes {
 public:
  explicit PassPhraseBytes(const TString& passPhrase) : m_bytes(ToUtf8(passPhrase)) {}
  PassPhraseBytes(const PassPhraseBytes&) = delete;
  PassPhraseBytes& operator=(const PassPhraseBytes&) = delete;
  ~PassPhraseBytes() { OPENSSL_cleanse(m_bytes.data(), m_bytes.size()); }

  const std::string& Get() const noexcept { return m_bytes; }
  /// Set when OpenSSL asked for the pass phrase, that is, when the key is encrypted.
  bool asked = false;

 private:
  std::string m_bytes;
};

// Hands OpenSSL the pass phrase. Always installed: without it, OpenSSL would prompt on the
// terminal for the pass phrase of an encrypted key.
int SupplyPassPhrase(char* buffer, int size, int /*rwflag*/, void* userData) {
  auto* passPhrase = static_cast<PassPhraseBytes*>(userData);
  passPhrase->asked = true;
  const std::string& bytes = passPhrase->Get();
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(size)) return 0;
  std::copy(bytes.begin(), bytes.end(), buffer);
  return static_cast<int>(bytes.size());
}

// Frees an OpenSSL BIO when it goes out of scope.
struct BioDeleter {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using BioPtr = std::unique_ptr<BIO, BioDeleter>;

// Keeps OpenSSL's error queue of this thread empty between calls, whatever the outcome, so that
// a later, unrelated call never reports these errors.
class ErrorQueueScope {
 public:
  ErrorQueueScope() { ERR_clear_error(); }
  ErrorQueueScope(const ErrorQueueScope&) = delete;
  ErrorQueueScope& operator=(const ErrorQueueScope&) = delete;
  ~ErrorQueueScope() { ERR_clear_error(); }
};

}  // namespace

PrivateKey::PrivateKey() = default;
PrivateKey::~PrivateKey() = default;
PrivateKey::PrivateKey(const PrivateKey&) = default;
PrivateKey& PrivateKey::operator=(const PrivateKey&) = default;

TString PrivateKey::GetAlgorithm() const {
  if (!m_key) return TString();
  const char* name = EVP_PKEY_get0_type_name(m_key->key);
  return name == nullptr ? TString() : QString::fromLatin1(name);
}

PrivateKey ReadPkcs8PrivateKey(const std::vector<char>& pem, const TString& passPhrase) {
  if (pem.size() > kMaxPrivateKeyBytes)
    throw HalvaneException(QStringLiteral("The private key text is larger than %1 KiB").arg(kMaxPrivateKeyBytes >> 10));
  const ErrorQueueScope errors;
  // A read-only BIO over the caller's bytes: no copy of the key text is made here.
  const BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio) throw HalvaneException(QStringLiteral("The private key cannot be read: out of memory"));

  PassPhraseBytes passPhraseBytes(passPhrase);
  EVP_PKEY* key = PEM_read_bio_PrivateKey(bio.get(), nullptr, &SupplyPassPhrase, &passPhraseBytes);
  if (key != nullptr) {
    PrivateKey result;
    result.m_key = std::make_shared<PrivateKey::Handle>(key);
    // Damage inside the key's numbers leaves the text readable: the private and public halves
    // no longer fit together.
    const std::unique_ptr<EVP_PKEY_CTX, void (*)(EVP_PKEY_CTX*)> check(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr),
                                                                      &EVP_PKEY_CTX_free);
    if (!check || EVP_PKEY_pairwise_check(check.get()) != 1)
      throw HalvaneException(QStringLiteral("The private key is damaged: its parts do not fit together"));
    return result;
  }
  if (!passPhraseBytes.asked)
    throw HalvaneException(QStringLiteral("The text holds no private key in PEM form, or the key is damaged"));
  if (passPhrase.isEmpty())
    throw HalvaneException(QStringLiteral("The private key is encrypted, and no pass phrase was given"));
  throw HalvaneException(QStringLiteral("The private key cannot be decrypted: the pass phrase is wrong, or the key is damaged"));
}

std::vector<char> WritePkcs8PrivateKey(const PrivateKey& key, const TString& passPhrase) {
  HLV_ASSERT(!key.IsNull());
  const ErrorQueueScope errors;
  // A memory BIO on the secure heap where there is one: OpenSSL overwrites its buffers as they
  // grow and when they are freed, since they hold the key.
  const BioPtr bio(BIO_new(BIO_s_secmem()));
  if (!bio) throw HalvaneException(QStringLiteral("The private key cannot be written: out of memory"));

  PassPhraseBytes passPhraseBytes(passPhrase);
  const std::string& bytes = passPhraseBytes.Get();
  const bool encrypt = !bytes.empty();
  // The pass phrase goes in directly (kstr, klen), so the callback is never asked.
  const int written = PEM_write_bio_PKCS8PrivateKey(
      bio.get(), key.m_key->key, encrypt ? EVP_aes_256_cbc() : nullptr,
      encrypt ? const_cast<char*>(bytes.data()) : nullptr, encrypt ? static_cast<int>(bytes.size()) : 0, nullptr,
      nullptr);
  if (written != 1) throw HalvaneException(QStringLiteral("The private key cannot be written in PKCS#8 form"));

  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::vector<char>(data, data + size);
}

void SecureErase(std::vector<char>& bytes) noexcept { OPENSSL_cleanse(bytes.data(), bytes.size()); }
