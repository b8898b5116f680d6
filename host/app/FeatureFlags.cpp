#include "host/app/FeatureFlags.h"

#include "host/Exceptions.h"
#include "host/ServiceSlot.h"

#include <QRegularExpression>
#include <QString>

#include <cstdlib>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

namespace {

struct FlagDefault {
  FeatureFlagId id;
  bool remote;
  bool on;
};

// The defaults the product ships with; docs/feature-flags.md explains each. An id that is not
// listed here is off.
constexpr FlagDefault kDefaults[] = {
    {FeatureFlagIds::kConnectionFieldsModel, false, true},
    {FeatureFlagIds::kDataCloudObjectSelector, false, false},
    {FeatureFlagIds::kGoogleDriveOwnAuth, false, false},
    {FeatureFlagIds::kDropboxOwnAuth, false, false},
    {RemoteFeatureFlagIds::kSnowflakeKeyPair, true, true},
    {RemoteFeatureFlagIds::kBoxOwnAuth, true, false},
    {RemoteFeatureFlagIds::kOAuthConfigs, true, true},
};

[[noreturn]] void ThrowMalformed(const char* variable, const QString& entry) {
  throw HalvaneException(QStringLiteral("Malformed entry \"%1\" in %2: expected ID=on or ID=off, with a decimal or "
                                        "0x-hexadecimal 32-bit ID")
                             .arg(entry, QString::fromUtf8(variable)));
}

// Parses "ID=on"/"ID=off" entries of a comma list; white space around an entry or its parts is
// ignored and so are empty entries, so "a=on, b=off," reads as two entries.
std::unordered_map<FeatureFlagId, bool> ParseFlagList(const char* variable, const QString& list) {
  std::unordered_map<FeatureFlagId, bool> values;
  for (const QString& rawEntry : list.split(QLatin1Char(','))) {
    const QString entry = rawEntry.trimmed();
    if (entry.isEmpty()) continue;
    const int equals = entry.indexOf(QLatin1Char('='));
    if (equals < 0) ThrowMalformed(variable, entry);
    const QString idText = entry.left(equals).trimmed();
    const QString state = entry.mid(equals + 1).trimmed().toLower();

    // Decimal or 0x-hexadecimal digits only: QString::toULongLong alone would also take a sign,
    // white space, or a leading 0 as octal.
    static const QRegularExpression idForm(QStringLiteral("^(?:0[xX]([0-9A-Fa-f]{1,8})|([0-9]{1,10}))$"));
    const QRegularExpressionMatch match = idForm.match(idText);
    if (!match.hasMatch()) ThrowMalformed(variable, entry);
    const bool hex = match.capturedLength(1) > 0;
    bool ok = false;
    const qulonglong id = match.captured(hex ? 1 : 2).toULongLong(&ok, hex ? 16 : 10);
    if (!ok || id > 0xFFFFFFFFull) ThrowMalformed(variable, entry);

    if (state == QLatin1String("on")) {
      values[static_cast<FeatureFlagId>(id)] = true;
    } else if (state == QLatin1String("off")) {
      values[static_cast<FeatureFlagId>(id)] = false;
    } else {
      ThrowMalformed(variable, entry);
    }
  }
  return values;
}

ServiceSlot<IFeatureFlags>& LocalSlot() {
  static ServiceSlot<IFeatureFlags> slot(
      [] { return std::make_shared<ConfigurableFeatureFlags>(false, "HLV_FEATURE_FLAGS"); });
  return slot;
}

ServiceSlot<IFeatureFlags>& RemoteSlot() {
  static ServiceSlot<IFeatureFlags> slot(
      [] { return std::make_shared<ConfigurableFeatureFlags>(true, "HLV_REMOTE_FEATURE_FLAGS"); });
  return slot;
}

}  // namespace

IFeatureFlags::~IFeatureFlags() = default;

struct ConfigurableFeatureFlags::State {
  mutable std::shared_mutex mutex;  // readers share it; Set takes it alone
  std::unordered_map<FeatureFlagId, bool> values;
};

ConfigurableFeatureFlags::ConfigurableFeatureFlags(bool remote, const char* environmentVariable)
    : m_state(std::make_unique<State>()) {
  for (const FlagDefault& flag : kDefaults)
    if (flag.remote == remote) m_state->values[flag.id] = flag.on;
  if (environmentVariable == nullptr) return;
  const char* list = std::getenv(environmentVariable);
  if (list == nullptr) return;
  for (const auto& [id, on] : ParseFlagList(environmentVariable, QString::fromUtf8(list))) m_state->values[id] = on;
}

ConfigurableFeatureFlags::~ConfigurableFeatureFlags() = default;

bool ConfigurableFeatureFlags::IsOn(FeatureFlagId id) const {
  std::shared_lock<std::shared_mutex> lock(m_state->mutex);
  const auto found = m_state->values.find(id);
  return found != m_state->values.end() && found->second;
}

void ConfigurableFeatureFlags::Set(FeatureFlagId id, bool on) {
  std::unique_lock<std::shared_mutex> lock(m_state->mutex);
  m_state->values[id] = on;
}

bool FeatureFlags::IsOn(FeatureFlagId id) { return Instance().IsOn(id); }

IFeatureFlags& FeatureFlags::Instance() { return LocalSlot().Get(); }

std::shared_ptr<IFeatureFlags> FeatureFlags::Install(std::shared_ptr<IFeatureFlags> flags) {
  return LocalSlot().Install(std::move(flags));
}

bool RemoteFeatureFlags::IsOn(FeatureFlagId id) { return Instance().IsOn(id); }

IFeatureFlags& RemoteFeatureFlags::Instance() { return RemoteSlot().Get(); }

std::shared_ptr<IFeatureFlags> RemoteFeatureFlags::Install(std::shared_ptr<IFeatureFlags> flags) {
  return RemoteSlot().Install(std::move(flags));
}
