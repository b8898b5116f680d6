#include "host/app/OEMInfo.h"

#include "host/Exceptions.h"
#include "host/ServiceSlot.h"
#include "host/detail/HardenedJson.h"
#include "host/io/Files.h"

#include <cstdlib>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

namespace {

// An OEM file holds two members and a short list of settings.
constexpr HardenedJson::Limits kOEMFileLimits{4, std::size_t{64} << 10};

[[noreturn]] void ThrowFileFault(const TString& path, const TString& fault) {
  throw HalvaneException(QStringLiteral("The OEM information file %1 cannot be used: %2").arg(path, fault));
}

std::shared_ptr<IOEMInfo> MakeDefault() {
  const QByteArray path = qgetenv("HLV_OEM_INFO");
  if (path.isEmpty()) return std::make_shared<SettableOEMInfo>();
  return SettableOEMInfo::FromFile(QString::fromLocal8Bit(path));
}

ServiceSlot<IOEMInfo>& Slot() {
  static ServiceSlot<IOEMInfo> slot(&MakeDefault);
  return slot;
}

}  // namespace

IOEMInfo::~IOEMInfo() = default;

struct SettableOEMInfo::State {
  mutable std::shared_mutex mutex;  // readers share it; the setters take it alone
  bool oemBuild = false;
  std::unordered_map<OEMSettingId, bool> settings;
};

SettableOEMInfo::SettableOEMInfo() : m_state(std::make_unique<State>()) {}
SettableOEMInfo::~SettableOEMInfo() = default;

bool SettableOEMInfo::IsOEMBuild() const {
  std::shared_lock<std::shared_mutex> lock(m_state->mutex);
  return m_state->oemBuild;
}

bool SettableOEMInfo::GetAsBoolean(OEMSettingId id) const {
  std::shared_lock<std::shared_mutex> lock(m_state->mutex);
  const auto found = m_state->settings.find(id);
  return found != m_state->settings.end() && found->second;
}

void SettableOEMInfo::SetOEMBuild(bool oemBuild) {
  std::unique_lock<std::shared_mutex> lock(m_state->mutex);
  m_state->oemBuild = oemBuild;
}

void SettableOEMInfo::SetBoolean(OEMSettingId id, bool on) {
  std::unique_lock<std::shared_mutex> lock(m_state->mutex);
  m_state->settings[id] = on;
}

std::shared_ptr<SettableOEMInfo> SettableOEMInfo::FromFile(const TString& path) {
  const std::string text = ToUtf8(TFile::LoadTextFile(TPath(path), true));
  rapidjson::Document document;
  try {
    HardenedJson::Parse(text, document, kOEMFileLimits);
  } catch (const HardenedJson::JsonTextException& refused) {
    ThrowFileFault(path, refused.GetMessage());
  }
  if (!document.IsObject()) ThrowFileFault(path, QStringLiteral("it does not hold a JSON object"));

  auto info = std::make_shared<SettableOEMInfo>();
  for (const auto& member : document.GetObject()) {
    const std::string_view name(member.name.GetString(), member.name.GetStringLength());
    if (name == "oem-build") {
      if (!member.value.IsBool()) ThrowFileFault(path, QStringLiteral("\"oem-build\" is not true or false"));
      info->SetOEMBuild(member.value.GetBool());
    } else if (name == "settings") {
      if (!member.value.IsObject()) ThrowFileFault(path, QStringLiteral("\"settings\" is not an object"));
      for (const auto& setting : member.value.GetObject()) {
        const TString idText = TStringFromUtf8({setting.name.GetString(), setting.name.GetStringLength()});
        bool isNumber = false;
        const uint id = idText.toUInt(&isNumber, 10);
        // toUInt alone would also take a sign or surrounding white space.
        if (!isNumber || idText.isEmpty() || !idText.front().isDigit() || !idText.back().isDigit())
          ThrowFileFault(path, QStringLiteral("the setting \"%1\" is not a decimal id").arg(idText));
        if (!setting.value.IsBool())
          ThrowFileFault(path, QStringLiteral("the setting %1 is not true or false").arg(idText));
        info->SetBoolean(id, setting.value.GetBool());
      }
    } else {
      ThrowFileFault(path, QStringLiteral("unknown member \"%1\"").arg(TStringFromUtf8(name)));
    }
  }
  return info;
}

const IOEMInfo& OEMInfo::Singleton(bool reload) {
  if (reload) Slot().Install(MakeDefault());
  return Slot().Get();
}

std::shared_ptr<IOEMInfo> OEMInfo::Install(std::shared_ptr<IOEMInfo> info) { return Slot().Install(std::move(info)); }
