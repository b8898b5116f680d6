// Keys and certificates made by OpenSSL inside a test.
#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace testcrypto {

/// A new private key: elliptic-curve (P-256), or RSA of `rsaBits` bits.
class TestKey {
 public:
  TestKey() : m_key(Checked(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256")), &EVP_PKEY_free) {}
  explicit TestKey(std::size_t rsaBits)
      : m_key(Checked(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", rsaBits)), &EVP_PKEY_free) {}

  /// The key as PKCS#8 PEM text, encrypted with AES-256-CBC under `passPhrase` unless it is empty.
  std::string Pkcs8(const std::string& passPhrase = std::string()) const {
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    const EVP_CIPHER* cipher = passPhrase.empty() ? nullptr : EVP_aes_256_cbc();
    char* pass = passPhrase.empty() ? nullptr : const_cast<char*>(passPhrase.data());
    if (PEM_write_bio_PKCS8PrivateKey(bio.get(), m_key.get(), cipher, pass, static_cast<int>(passPhrase.size()),
                                      nullptr, nullptr) != 1)
      throw std::runtime_error("writing the key failed");
    return Text(bio.get());
  }

  /// A self-signed certificate of the key, as PEM text.
  std::string SelfSignedCertificate() const {
    const std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), &X509_free);
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
    X509_set_pubkey(cert.get(), m_key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("db.example.com"), -1,
                               -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_sign(cert.get(), m_key.get(), EVP_sha256()) == 0) throw std::runtime_error("signing failed");
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    PEM_write_bio_X509(bio.get(), cert.get());
    return Text(bio.get());
  }

  /// Whether `pem` holds this key, unencrypted.
  bool IsSameKey(const QString& pem) const {
    const QByteArray bytes = pem.toUtf8();
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(bytes.constData(), bytes.size()), &BIO_free);
    char empty[] = "";
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> read(
        PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, empty), &EVP_PKEY_free);
    return read && EVP_PKEY_eq(read.get(), m_key.get()) == 1;
  }

 private:
  static EVP_PKEY* Checked(EVP_PKEY* key) {
    if (key == nullptr) throw std::runtime_error("key generation failed");
    return key;
  }
  static std::string Text(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
  }

  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_key;
};

}  // namespace testcrypto
