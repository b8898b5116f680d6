#include "host/crypto/SecretBox.h"

#include "host/Exceptions.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace {

struct CipherDeleter {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherDeleter>;

const unsigned char* Bytes(const QByteArray& bytes) { return reinterpret_cast<const unsigned char*>(bytes.constData()); }
unsigned char* Bytes(QByteArray& bytes) { return reinterpret_cast<unsigned char*>(bytes.data()); }

CipherPtr NewContext() {
  CipherPtr context(EVP_CIPHER_CTX_new());
  if (!context) throw HalvaneException(QStringLiteral("OpenSSL could not make a cipher context"));
  return context;
}

}  // namespace

namespace SecretBox {

QByteArray RandomBytes(int count) {
  QByteArray bytes(count, '\0');
  if (RAND_bytes(Bytes(bytes), count) != 1) {
    ERR_clear_error();
    throw HalvaneException(QStringLiteral("The system's secure random source failed"));
  }
  return bytes;
}

QByteArray Seal(const QByteArray& key, const QByteArray& plain, const QByteArray& associated) {
  HLV_ASSERT(key.size() == kKeyBytes);
  const QByteArray nonce = RandomBytes(kNonceBytes);
  QByteArray sealed = nonce;
  sealed.resize(kNonceBytes + plain.size() + kTagBytes);
  unsigned char* out = Bytes(sealed) + kNonceBytes;
  CipherPtr context = NewContext();
  int written = 0;
  int ignored = 0;
  const bool ok =
      EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(nonce)) == 1 &&
      EVP_EncryptUpdate(context.get(), nullptr, &ignored, Bytes(associated), associated.size()) == 1 &&
      EVP_EncryptUpdate(context.get(), out, &written, Bytes(plain), plain.size()) == 1 &&
      EVP_EncryptFinal_ex(context.get(), out + written, &ignored) == 1 &&
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, kTagBytes, out + plain.size()) == 1;
  ERR_clear_error();
  if (!ok) throw HalvaneException(QStringLiteral("OpenSSL could not encrypt a secret"));
  return sealed;
}

std::optional<QByteArray> Open(const QByteArray& key, const QByteArray& sealed, const QByteArray& associated) {
  HLV_ASSERT(key.size() == kKeyBytes);
  if (sealed.size() < kNonceBytes + kTagBytes) return std::nullopt;
  const int length = sealed.size() - kNonceBytes - kTagBytes;
  const unsigned char* in = Bytes(sealed) + kNonceBytes;
  QByteArray tag = sealed.right(kTagBytes);
  QByteArray plain(length, '\0');
  CipherPtr context = NewContext();
  int written = 0;
  int ignored = 0;
  const bool ok =
      EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(sealed)) == 1 &&
      EVP_DecryptUpdate(context.get(), nullptr, &ignored, Bytes(associated), associated.size()) == 1 &&
      EVP_DecryptUpdate(context.get(), Bytes(plain), &written, in, length) == 1 &&
      EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, kTagBytes, Bytes(tag)) == 1 &&
      EVP_DecryptFinal_ex(context.get(), Bytes(plain) + written, &ignored) == 1;
  ERR_clear_error();
  if (!ok) {
    Erase(plain);
    return std::nullopt;
  }
  return plain;
}

void Erase(QByteArray& bytes) noexcept {
  if (!bytes.isEmpty() && !bytes.isDetached()) {
    bytes.clear();  // shared: the other holder's copy is not ours to overwrite
    return;
  }
  if (!bytes.isEmpty()) OPENSSL_cleanse(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace SecretBox
