#include "host/app/Log.h"

#include "host/ServiceSlot.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

const char* SeverityWord(TLog severity) {
  switch (severity) {
    case TLog::Debug:
      return "debug";
    case TLog::Info:
      return "info";
    case TLog::Warn:
      return "warning";
    case TLog::Error:
      return "error";
  }
  return "error";
}

ServiceSlot<ILogSink>& Slot() {
  static ServiceSlot<ILogSink> slot([] { return std::make_shared<StandardErrorLogSink>(); });
  return slot;
}

}  // namespace

ILogSink::~ILogSink() = default;

void StandardErrorLogSink::Write(TLog severity, const TString& message) {
  // Read once: the environment is not safe to read while another thread may change it.
  static const bool debugWanted = std::getenv("HLV_LOG_DEBUG") != nullptr;
  if (severity == TLog::Debug && !debugWanted) return;
  // One call per line, so that lines of several threads never interleave.
  const std::string line = std::string("hlv ") + SeverityWord(severity) + ": " + ToUtf8(message) + '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void LogMessage(TLog severity, const TString& message) { LogSink::Instance().Write(severity, message); }

ILogSink& LogSink::Instance() { return Slot().Get(); }

std::shared_ptr<ILogSink> LogSink::Install(std::shared_ptr<ILogSink> sink) { return Slot().Install(std::move(sink)); }
