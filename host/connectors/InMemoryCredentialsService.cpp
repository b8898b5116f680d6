#include "host/connectors/InMemoryCredentialsService.h"

#include "host/Exceptions.h"
#include "host/connectors/Defaults.h"

#include <openssl/crypto.h>

#include <sys/random.h>

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

constexpr int kIdBytes = 16;

// A copy of `text` in a buffer of its own, shared with no other string, so that overwriting it
// later overwrites the only copy this service made.
TString OwnCopy(const TString& text) { return TString(text.constData(), text.size()); }

void Overwrite(TString& text) {
  if (text.isEmpty()) return;
  // The buffer is the service's own (see OwnCopy), so data() does not detach.
  OPENSSL_cleanse(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
}

void Overwrite(SecretMap& secrets) {
  for (auto& entry : secrets) Overwrite(entry.second);
}

// Straight from the kernel's random source: an id needs no more, and OpenSSL's generator would
// cost its set-up, a few milliseconds, in a command that uses it once.
TString NewCredentialId() {
  unsigned char bytes[kIdBytes];
  ssize_t got = -1;
  do {
    got = getrandom(bytes, kIdBytes, 0);
  } while (got < 0 && errno == EINTR);
  if (got != kIdBytes)
    throw HalvaneException(QStringLiteral("The system's secure random source failed; the credentials were not kept"));
  return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes), kIdBytes).toHex());
}

}  // namespace

struct InMemoryCredentialsService::State {
  std::size_t capacity = 1;
  mutable std::mutex mutex;  // guards the rest
  std::unordered_map<TString, SecretMap> secrets;
  std::deque<TString> order;  // the ids, oldest first; removed ones are skipped when forgetting
};

InMemoryCredentialsService::InMemoryCredentialsService(std::size_t capacity) : m_state(std::make_unique<State>()) {
  m_state->capacity = std::max<std::size_t>(capacity, 1);
}

InMemoryCredentialsService::~InMemoryCredentialsService() {
  for (auto& entry : m_state->secrets) Overwrite(entry.second);
}

TString InMemoryCredentialsService::SaveCredentials(const ConnectionAttributeMap& /*attributes*/,
                                                    const SecretMap& secrets) {
  SecretMap kept;
  for (const auto& [name, value] : secrets) kept.emplace(name, OwnCopy(value));

  std::lock_guard<std::mutex> lock(m_state->mutex);
  TString id = NewCredentialId();
  // Two equal draws of 128 bits do not happen in practice; an existing id is never reused.
  while (m_state->secrets.count(id) != 0) id = NewCredentialId();
  while (m_state->secrets.size() >= m_state->capacity && !m_state->order.empty()) {
    const auto oldest = m_state->secrets.find(m_state->order.front());
    m_state->order.pop_front();
    if (oldest == m_state->secrets.end()) continue;
    Overwrite(oldest->second);
    m_state->secrets.erase(oldest);
  }
  m_state->secrets.emplace(id, std::move(kept));
  m_state->order.push_back(id);
  return id;
}

SecretMap InMemoryCredentialsService::GetCredentials(const TString& credentialId) const {
  std::optional<SecretMap> found = FindCredentials(credentialId);
  if (!found) throw HalvaneException(QStringLiteral("No credentials are kept under the given credential id"));
  return std::move(*found);
}

std::optional<SecretMap> InMemoryCredentialsService::FindCredentials(const TString& credentialId) const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  const auto found = m_state->secrets.find(credentialId);
  if (found == m_state->secrets.end()) return std::nullopt;
  // Copies, so that the kept buffers stay unshared and can be overwritten in place.
  SecretMap copy;
  for (const auto& [name, value] : found->second) copy.emplace(name, OwnCopy(value));
  return copy;
}

bool InMemoryCredentialsService::RemoveCredentials(const TString& credentialId) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  const auto found = m_state->secrets.find(credentialId);
  if (found == m_state->secrets.end()) return false;
  Overwrite(found->second);
  m_state->secrets.erase(found);
  // Ids removed by hand stay in the order until they reach its front; keep it from growing.
  if (m_state->order.size() > 2 * m_state->capacity) {
    std::deque<TString> live;
    for (const TString& id : m_state->order)
      if (m_state->secrets.count(id) != 0) live.push_back(id);
    m_state->order.swap(live);
  }
  return true;
}

namespace ConnectorDefaults {

std::shared_ptr<ICredentialsService> MakeCredentialsService() { return std::make_shared<InMemoryCredentialsService>(); }

}  // namespace ConnectorDefaults
