// The test program: a GUI application object for the image tests (on the offscreen platform
// unless another is chosen), and the library's vocabulary registered with the process-wide
// registry once, as a host does at start-up.

#include "parameters/ParameterRegistration.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

class VocabularyEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    RegisterDataNamespaceParameters();
    RegisterDataPresModelParameters();
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  ::testing::AddGlobalTestEnvironment(new VocabularyEnvironment);
  return RUN_ALL_TESTS();
}
