#include "host/app/AppConfig.h"

#include <atomic>
#include <mutex>

namespace {

std::atomic<ApplicationMode> gMode{ApplicationMode::kDesktop};

std::mutex gHelpMutex;
TString& HelpBaseUrl() {
  static TString url = QStringLiteral("https://help.halvane.com/current/");
  return url;
}

}  // namespace

ApplicationMode AppConfig::GetApplicationMode() { return gMode.load(std::memory_order_relaxed); }

void AppConfig::SetApplicationMode(ApplicationMode mode) { gMode.store(mode, std::memory_order_relaxed); }

TString AppConfig::GetHelpBaseUrl() {
  std::lock_guard<std::mutex> lock(gHelpMutex);
  return HelpBaseUrl();
}

void AppConfig::SetHelpBaseUrl(const TString& url) {
  std::lock_guard<std::mutex> lock(gHelpMutex);
  HelpBaseUrl() = url;
}
