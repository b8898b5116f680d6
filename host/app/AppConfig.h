// AppConfig: which application of the product is running, and its settings.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <memory>

/// The applications that load the host runtime. HLV_APP_MODE names them: "desktop", "server",
/// "prep", "prep-desktop", "flow-processor", "flow-processor-service" and "flow-editor".
enum class ApplicationMode {
  kDesktop,               ///< the desktop analytics application (the default)
  kServer,                ///< the analytics server
  kPrep,                  ///< the data preparation application on the server
  kPrepDesktop,           ///< the desktop data preparation application
  kFlowProcessor,         ///< the flow processor run from the command line
  kFlowProcessorService,  ///< the flow processor run as a service
  kFlowEditor,            ///< the flow editor of the server
};

/// The application settings, as a host provides them.
class HLVHOST_API IAppConfig {
 public:
  virtual ~IAppConfig();

  virtual ApplicationMode GetApplicationMode() const = 0;
  /// The address help links start with.
  virtual TString GetHelpBaseUrl() const = 0;
  /// The user name the embedded extract engine ("quendl") connects as.
  virtual TString GetQuendlConnectionUsername() const = 0;
};

/// Settings held in memory: the mode from HLV_APP_MODE ("desktop" when unset; another word
/// raises HalvaneException naming it), the help address "https://help.halvane.com/current/"
/// and the extract user "hlv_extract", each changed by its setter. Safe to read from several
/// threads; the setters are meant for start-up and tests.
class HLVHOST_API SettableAppConfig : public IAppConfig {
 public:
  SettableAppConfig();
  ~SettableAppConfig() override;

  ApplicationMode GetApplicationMode() const override;
  TString GetHelpBaseUrl() const override;
  TString GetQuendlConnectionUsername() const override;

  void SetApplicationMode(ApplicationMode mode);
  void SetHelpBaseUrl(const TString& url);
  void SetQuendlConnectionUsername(const TString& username);

  /// The mode HLV_APP_MODE names; `text` is its value.
  static ApplicationMode ParseApplicationMode(const TString& text);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

/// The process-wide settings, and the questions the builders ask of them.
class HLVHOST_API AppConfig {
 public:
  AppConfig() = delete;

  /// The installed settings; by default a SettableAppConfig.
  static const IAppConfig& GetInstance();
  static std::shared_ptr<IAppConfig> Install(std::shared_ptr<IAppConfig> config);

  /// The installed settings' mode. SetApplicationMode changes it when the installed settings
  /// are a SettableAppConfig, and raises LogicException otherwise.
  static ApplicationMode GetApplicationMode() { return GetInstance().GetApplicationMode(); }
  static void SetApplicationMode(ApplicationMode mode);

  static bool IsDesktop() { return GetApplicationMode() == ApplicationMode::kDesktop; }
  static bool IsHalvaneServer() { return GetApplicationMode() == ApplicationMode::kServer; }
  /// The data preparation product, on the server or on the desktop.
  static bool IsHalvanePrep() {
    return GetApplicationMode() == ApplicationMode::kPrep || GetApplicationMode() == ApplicationMode::kPrepDesktop;
  }
  static bool IsHalvanePrepDesktop() { return GetApplicationMode() == ApplicationMode::kPrepDesktop; }
  static bool IsFlowProcessor() { return GetApplicationMode() == ApplicationMode::kFlowProcessor; }
  static bool IsFlowProcessorService() { return GetApplicationMode() == ApplicationMode::kFlowProcessorService; }
  static bool IsFlowEditor() { return GetApplicationMode() == ApplicationMode::kFlowEditor; }

  static TString GetHelpBaseUrl() { return GetInstance().GetHelpBaseUrl(); }
  /// Changes the help address of a SettableAppConfig, as SetApplicationMode does the mode.
  static void SetHelpBaseUrl(const TString& url);
};
