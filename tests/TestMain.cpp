// The test program: registers the library's vocabulary with the process-wide registry once,
// as a host does at start-up, then runs the tests.

#include "parameters/ParameterRegistration.h"

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
  ::testing::AddGlobalTestEnvironment(new VocabularyEnvironment);
  return RUN_ALL_TESTS();
}
