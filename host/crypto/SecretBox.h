// SecretBox: authenticated encryption of small values (AES-256-GCM through OpenSSL).
#pragma once

#include "host/HostExport.h"

#include <QByteArray>

#include <optional>

namespace SecretBox {

inline constexpr int kKeyBytes = 32;
inline constexpr int kNonceBytes = 12;
inline constexpr int kTagBytes = 16;

/// `count` bytes from the system's secure random source; raises HalvaneException when it fails.
HLVHOST_API QByteArray RandomBytes(int count);

/// `plain` encrypted under `key` (kKeyBytes) with a fresh random nonce, `associated` bound to it
/// unencrypted: nonce, then ciphertext, then tag. A key of another size raises LogicException.
HLVHOST_API QByteArray Seal(const QByteArray& key, const QByteArray& plain, const QByteArray& associated);

/// The plain text of `sealed`, or nullopt when it does not decrypt: another key, other associated
/// data, a changed or truncated value. Which of these it was cannot be told, by design.
HLVHOST_API std::optional<QByteArray> Open(const QByteArray& key, const QByteArray& sealed, const QByteArray& associated);

/// Overwrites `bytes` in place with zeros (for buffers that held a secret or a key).
HLVHOST_API void Erase(QByteArray& bytes) noexcept;

}  // namespace SecretBox
