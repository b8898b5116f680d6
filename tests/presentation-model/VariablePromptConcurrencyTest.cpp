// Variable prompt builds on several threads at once, for connections of classes whose
// formatters write values differently: every build must give what it gives alone, although
// each replaces the builder's process-wide formatter. Run under ThreadSanitizer too (ctest
// label "thread").

#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include "host/app/AppConfig.h"
#include "host/connectors/DescribedDataConnection.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "tests/support/RegisterOnce.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// A connection of `connectionClass` whose values have aliases, so that the HANA formatter
// ("EU (Europe)") and the others ("Europe") write them differently.
RefCntPtr<IDataConnection> Connection(const char* connectionClass) {
  const std::string json = std::string(R"({"class": ")") + connectionClass + R"(", "variables": [
    {"name": "[S].[REGION]", "guid": "r", "ops": ["=", "<>"],
     "selection-items": [{"value": "EU", "alias": "Europe"}, {"value": "US", "alias": "United States"}],
     "current-values": [{"value1": {"value": "EU", "alias": "Europe"}}, {"op": "<>", "value1": "LATAM"},
                        {"range": true, "value1": {"value": "US", "alias": "United States"}, "value2": "ZZ"}]},
    {"name": "[S].[YEAR]", "guid": "y", "data-type": "integer", "mandatory": true}]})";
  return Connect::DescribedDataConnection::Parse(json, QStringLiteral("concurrency"));
}

std::string Build(const RefCntPtr<IDataConnection>& connection) {
  const auto dialog = VariablePromptDialogPresModelBuilder::BuildFromDBVariables(
      QStringLiteral("Sales"), connection, QStringLiteral("[S].[REGION]"), 2, TString());
  return WriteParametersJson(*dialog->AsIParameters(), ParametersRegistry::Get());
}

class VariablePromptConcurrencyTest : public ::testing::TestWithParam<ApplicationMode> {
 protected:
  static void SetUpTestSuite() { RegisterVocabularyOnce(); }
  void SetUp() override { AppConfig::SetApplicationMode(GetParam()); }
  void TearDown() override { AppConfig::SetApplicationMode(ApplicationMode::kDesktop); }
};

TEST_P(VariablePromptConcurrencyTest, ConcurrentBuildsGiveWhatEachGivesAlone) {
  const std::vector<RefCntPtr<IDataConnection>> connections = {Connection("saphana"), Connection("sapbw"),
                                                               Connection("teradata")};
  std::vector<std::string> expected;
  for (const auto& connection : connections) expected.push_back(Build(connection));
  // The formatters differ, so a build that formatted with another build's formatter shows.
  ASSERT_NE(expected[0], expected[1]);

  constexpr int kThreads = 4;
  constexpr int kBuildsPerThread = 60;
  std::atomic<int> mismatches{0};
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!start.load()) std::this_thread::yield();
      for (int i = 0; i < kBuildsPerThread; ++i) {
        const size_t which = static_cast<size_t>(t + i) % connections.size();
        if (Build(connections[which]) != expected[which]) ++mismatches;
      }
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, VariablePromptConcurrencyTest,
                         ::testing::Values(ApplicationMode::kDesktop, ApplicationMode::kServer));

}  // namespace
