#include "host/app/AppConfig.h"

#include "host/Exceptions.h"
#include "host/ServiceSlot.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

struct ModeName {
  ApplicationMode mode;
  const char* name;
};

constexpr ModeName kModeNames[] = {
    {ApplicationMode::kDesktop, "desktop"},
    {ApplicationMode::kServer, "server"},
    {ApplicationMode::kPrep, "prep"},
    {ApplicationMode::kPrepDesktop, "prep-desktop"},
    {ApplicationMode::kFlowProcessor, "flow-processor"},
    {ApplicationMode::kFlowProcessorService, "flow-processor-service"},
    {ApplicationMode::kFlowEditor, "flow-editor"},
};

ApplicationMode ModeFromEnvironment() {
  const char* text = std::getenv("HLV_APP_MODE");
  return text == nullptr || *text == '\0' ? ApplicationMode::kDesktop
                                          : SettableAppConfig::ParseApplicationMode(QString::fromUtf8(text));
}

ServiceSlot<IAppConfig>& Slot() {
  static ServiceSlot<IAppConfig> slot([] { return std::make_shared<SettableAppConfig>(); });
  return slot;
}

// The installed settings when they take changes, else null: a host that installed its own
// settings changes them itself.
SettableAppConfig* FindSettable() { return dynamic_cast<SettableAppConfig*>(&Slot().Get()); }

}  // namespace

IAppConfig::~IAppConfig() = default;

struct SettableAppConfig::State {
  std::atomic<ApplicationMode> mode{ModeFromEnvironment()};
  mutable std::mutex mutex;  // guards the texts
  TString helpBaseUrl = QStringLiteral("https://help.halvane.com/current/");
  TString quendlUsername = QStringLiteral("hlv_extract");
};

SettableAppConfig::SettableAppConfig() : m_state(std::make_unique<State>()) {}
SettableAppConfig::~SettableAppConfig() = default;

ApplicationMode SettableAppConfig::GetApplicationMode() const { return m_state->mode.load(std::memory_order_relaxed); }

TString SettableAppConfig::GetHelpBaseUrl() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->helpBaseUrl;
}

TString SettableAppConfig::GetQuendlConnectionUsername() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->quendlUsername;
}

void SettableAppConfig::SetApplicationMode(ApplicationMode mode) { m_state->mode.store(mode, std::memory_order_relaxed); }

void SettableAppConfig::SetHelpBaseUrl(const TString& url) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->helpBaseUrl = url;
}

void SettableAppConfig::SetQuendlConnectionUsername(const TString& username) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  m_state->quendlUsername = username;
}

ApplicationMode SettableAppConfig::ParseApplicationMode(const TString& text) {
  for (const ModeName& entry : kModeNames)
    if (text == QLatin1String(entry.name)) return entry.mode;
  throw HalvaneException(QStringLiteral("Unknown application mode \"%1\": expected desktop, server, prep, prep-desktop, "
                                        "flow-processor, flow-processor-service or flow-editor")
                             .arg(text));
}

const IAppConfig& AppConfig::GetInstance() { return Slot().Get(); }

std::shared_ptr<IAppConfig> AppConfig::Install(std::shared_ptr<IAppConfig> config) {
  return Slot().Install(std::move(config));
}

void AppConfig::SetApplicationMode(ApplicationMode mode) {
  SettableAppConfig* settable = FindSettable();
  if (settable == nullptr) HLV_THROW_LOGIC("the installed settings are a SettableAppConfig");
  settable->SetApplicationMode(mode);
}

void AppConfig::SetHelpBaseUrl(const TString& url) {
  SettableAppConfig* settable = FindSettable();
  if (settable == nullptr) HLV_THROW_LOGIC("the installed settings are a SettableAppConfig");
  settable->SetHelpBaseUrl(url);
}
