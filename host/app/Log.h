// The host log: warnings and errors of the library, sent to a sink the host can replace.
//
// Nothing secret is ever logged: callers name parameters, files and classes, never values of
// passwords, keys or other secrets.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <memory>

/// Severities of log messages.
enum class TLog { Debug, Info, Warn, Error };

/// Where log messages go.
class HLVHOST_API ILogSink {
 public:
  virtual ~ILogSink();
  virtual void Write(TLog severity, const TString& message) = 0;
};

/// Writes "hlv warning: MESSAGE" (or info, error, debug) lines to standard error. Debug
/// messages are dropped unless HLV_LOG_DEBUG is set.
class HLVHOST_API StandardErrorLogSink : public ILogSink {
 public:
  void Write(TLog severity, const TString& message) override;
};

/// Sends `message` to the installed sink.
HLVHOST_API void LogMessage(TLog severity, const TString& message);

class HLVHOST_API LogSink {
 public:
  LogSink() = delete;
  /// The installed sink; by default a StandardErrorLogSink.
  static ILogSink& Instance();
  static std::shared_ptr<ILogSink> Install(std::shared_ptr<ILogSink> sink);
};
