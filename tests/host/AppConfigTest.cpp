#include "host/app/AppConfig.h"

#include "host/Exceptions.h"

#include "tests/QStringPrinter.h"
#include "tests/support/FakeConnectionModel.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testenv::ScopedEnvironment;

struct ModeCase {
  const char* word;
  ApplicationMode mode;
  // The answers of AppConfig's questions: desktop, server, prep, prep desktop, flow processor,
  // flow processor service, flow editor.
  bool answers[7];
};

const ModeCase kModes[] = {
    {"desktop", ApplicationMode::kDesktop, {true, false, false, false, false, false, false}},
    {"server", ApplicationMode::kServer, {false, true, false, false, false, false, false}},
    {"prep", ApplicationMode::kPrep, {false, false, true, false, false, false, false}},
    {"prep-desktop", ApplicationMode::kPrepDesktop, {false, false, true, true, false, false, false}},
    {"flow-processor", ApplicationMode::kFlowProcessor, {false, false, false, false, true, false, false}},
    {"flow-processor-service", ApplicationMode::kFlowProcessorService, {false, false, false, false, false, true, false}},
    {"flow-editor", ApplicationMode::kFlowEditor, {false, false, false, false, false, false, true}},
};

TEST(AppConfigTest, EveryModeWordParsesAndAnswersItsQuestions) {
  const fake::ScopedInstall<AppConfig, IAppConfig> settings(std::make_shared<SettableAppConfig>());
  for (const ModeCase& c : kModes) {
    SCOPED_TRACE(c.word);
    const ApplicationMode mode = SettableAppConfig::ParseApplicationMode(QString::fromLatin1(c.word));
    EXPECT_EQ(mode, c.mode);
    AppConfig::SetApplicationMode(mode);
    const bool answers[7] = {AppConfig::IsDesktop(),           AppConfig::IsHalvaneServer(),
                             AppConfig::IsHalvanePrep(),       AppConfig::IsHalvanePrepDesktop(),
                             AppConfig::IsFlowProcessor(),     AppConfig::IsFlowProcessorService(),
                             AppConfig::IsFlowEditor()};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(answers[i], c.answers[i]) << "question " << i;
  }
}

TEST(AppConfigTest, ModeComesFromTheEnvironment) {
  {
    const ScopedEnvironment env("HLV_APP_MODE", "flow-processor-service");
    EXPECT_EQ(SettableAppConfig().GetApplicationMode(), ApplicationMode::kFlowProcessorService);
  }
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    const ScopedEnvironment env("HLV_APP_MODE", unset);
    EXPECT_EQ(SettableAppConfig().GetApplicationMode(), ApplicationMode::kDesktop);
  }
  for (const char* bad : {"Server", "kiosk", " desktop"}) {
    const ScopedEnvironment env("HLV_APP_MODE", bad);
    try {
      SettableAppConfig config;
      ADD_FAILURE() << bad << " was accepted";
    } catch (const HalvaneException& e) {
      EXPECT_NE(std::string(e.what()).find(std::string("\"") + bad + "\""), std::string::npos) << e.what();
    }
  }
}

class ServerSettings final : public IAppConfig {
 public:
  ApplicationMode GetApplicationMode() const override { return ApplicationMode::kServer; }
  TString GetHelpBaseUrl() const override { return QStringLiteral("https://server.help/"); }
  TString GetQuendlConnectionUsername() const override { return QStringLiteral("server_extract"); }
};

TEST(AppConfigTest, AnotherInstalledConfigAnswersUntilReplaced) {
  const IAppConfig& before = AppConfig::GetInstance();
  {
    const fake::ScopedInstall<AppConfig, IAppConfig> installed(std::make_shared<ServerSettings>());
    EXPECT_TRUE(AppConfig::IsHalvaneServer());
    EXPECT_FALSE(AppConfig::IsDesktop());
    EXPECT_EQ(AppConfig::GetHelpBaseUrl(), QStringLiteral("https://server.help/"));
    EXPECT_EQ(AppConfig::GetInstance().GetQuendlConnectionUsername(), QStringLiteral("server_extract"));
    // Only settings of the host's own kind can be changed through the facade.
    EXPECT_THROW(AppConfig::SetApplicationMode(ApplicationMode::kDesktop), LogicException);
    EXPECT_THROW(AppConfig::SetHelpBaseUrl(QStringLiteral("x")), LogicException);
  }
  EXPECT_EQ(&AppConfig::GetInstance(), &before);
}

}  // namespace
