// AppConfig: which application of the product is running, and its settings.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

/// The applications that load the host runtime.
enum class ApplicationMode {
  kDesktop,              ///< the desktop analytics application (the default)
  kPrepDesktop,          ///< the desktop data preparation application
  kFlowProcessor,        ///< the flow processor run from the command line
  kFlowProcessorService, ///< the flow processor run as a service
};

/// Process-wide application settings. Reading is safe from any thread.
class HLVHOST_API AppConfig {
 public:
  static ApplicationMode GetApplicationMode();
  static void SetApplicationMode(ApplicationMode mode);

  static bool IsFlowProcessor() { return GetApplicationMode() == ApplicationMode::kFlowProcessor; }
  static bool IsFlowProcessorService() { return GetApplicationMode() == ApplicationMode::kFlowProcessorService; }
  static bool IsHalvanePrepDesktop() { return GetApplicationMode() == ApplicationMode::kPrepDesktop; }

  /// The address help links start with; "https://help.halvane.com/current/" unless set.
  static TString GetHelpBaseUrl();
  static void SetHelpBaseUrl(const TString& url);
};
