// The library on many threads at once, after registration. Each thread writes new records of
// the whole catalogue, reads their text back and writes that again, looks parameters up by id
// and by name, and builds connection dialogs and variable prompts. Every result must be what
// one thread alone gets. Run under ThreadSanitizer too (ctest label "thread").

#include "host/app/AppConfig.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connectors/DescribedDataConnection.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "presentation-model/VariablePromptDialogPresModelBuilder.h"
#include "tests/RecordFixtures.h"
#include "tests/support/RegisterOnce.h"
#include "tests/support/StringColumnContext.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

const ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

// Runs `work(thread, round)` for `rounds` rounds on each of four threads, started together;
// answers how many rounds gave a result other than the one a thread alone gets.
int Mismatches(int rounds, const std::function<bool(int, int)>& work) {
  constexpr int kThreads = 4;
  std::atomic<int> mismatches{0};
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!start.load()) std::this_thread::yield();
      for (int round = 0; round < rounds; ++round)
        if (!work(t, round)) ++mismatches;
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
  return mismatches.load();
}

// One cache for every thread, as a host keeps one.
const ConnectionSettingsCache& SettingsCache() {
  static const ConnectionSettingsCache cache;
  return cache;
}

std::string BuildDialog(const TString& connectionClass) {
  const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
      connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(), true);
  const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
  const RefCntPtr<const ConnectionSettingsPresModel> dialog = ConnectionSettingsPresModelBuilder().Build(
      *SettingsCache().CreateAccessor(), config, initialSQL, nullptr);
  return WriteParametersJson(*dialog->AsIParameters(), Registry());
}

// What one pass of a thread produces, in order; equal passes mean no thread disturbed another.
std::vector<std::string> OnePass(const std::vector<TString>& classes) {
  const RefCntPtr<IParameters> context = StringColumnContext();
  std::vector<std::string> out;
  for (const FullRecordSample& sample : FullRecordSamples()) {
    const std::string first = WriteParametersJson(*sample.MakeBag(), Registry());
    out.push_back(first);
    out.push_back(WriteParametersJson(*ReadParametersJson(first, Registry(), context.Get()), Registry()));
    for (const char* name : sample.parameters) {
      const ParameterInfo* info = Registry().FindParameterByUtf8Name(name);
      out.push_back(info == nullptr ? "?" : Registry().FindParameterName(info->GetId()).GetValue().toStdString());
    }
  }
  for (const TString& connectionClass : classes) out.push_back(BuildDialog(connectionClass));
  return out;
}

TEST(ConcurrencyTest, ThreadsWritingReadingAndBuildingGetWhatOneThreadGets) {
  RegisterVocabularyOnce();
  const std::vector<TString> classes = {QStringLiteral("postgres"), QStringLiteral("sqlserver"),
                                        QStringLiteral("snowflake"), QStringLiteral("sqlite")};
  const std::vector<std::string> expected = OnePass(classes);
  EXPECT_EQ(Mismatches(3, [&](int, int) { return OnePass(classes) == expected; }), 0);
}

// A connection of `connectionClass` whose values have aliases, so that the HANA formatter
// ("EU (Europe)") and the others ("Europe") write them differently.
RefCntPtr<IDataConnection> VariablesConnection(const char* connectionClass) {
  const std::string json = std::string(R"({"class": ")") + connectionClass + R"(", "variables": [
    {"name": "[S].[REGION]", "guid": "r", "ops": ["=", "<>"],
     "selection-items": [{"value": "EU", "alias": "Europe"}, {"value": "US", "alias": "United States"}],
     "current-values": [{"value1": {"value": "EU", "alias": "Europe"}}, {"op": "<>", "value1": "LATAM"},
                        {"range": true, "value1": {"value": "US", "alias": "United States"}, "value2": "ZZ"}]},
    {"name": "[S].[YEAR]", "guid": "y", "data-type": "integer", "mandatory": true}]})";
  return Connect::DescribedDataConnection::Parse(json, QStringLiteral("concurrency"));
}

std::string BuildPrompt(const RefCntPtr<IDataConnection>& connection) {
  const auto dialog = VariablePromptDialogPresModelBuilder::BuildFromDBVariables(
      QStringLiteral("Sales"), connection, QStringLiteral("[S].[REGION]"), 2, TString());
  return WriteParametersJson(*dialog->AsIParameters(), Registry());
}

// Each variable prompt build replaces the builder's process-wide formatter, in both modes.
class VariablePromptConcurrencyTest : public ::testing::TestWithParam<ApplicationMode> {
 protected:
  static void SetUpTestSuite() { RegisterVocabularyOnce(); }
  void SetUp() override { AppConfig::SetApplicationMode(GetParam()); }
  void TearDown() override { AppConfig::SetApplicationMode(ApplicationMode::kDesktop); }
};

TEST_P(VariablePromptConcurrencyTest, ConcurrentBuildsGiveWhatEachGivesAlone) {
  const std::vector<RefCntPtr<IDataConnection>> connections = {
      VariablesConnection("saphana"), VariablesConnection("sapbw"), VariablesConnection("teradata")};
  std::vector<std::string> expected;
  for (const auto& connection : connections) expected.push_back(BuildPrompt(connection));
  // The formatters differ, so a build that formatted with another build's formatter shows.
  ASSERT_NE(expected[0], expected[1]);
  EXPECT_EQ(Mismatches(60,
                       [&](int thread, int round) {
                         const size_t which = static_cast<size_t>(thread + round) % connections.size();
                         return BuildPrompt(connections[which]) == expected[which];
                       }),
            0);
}

INSTANTIATE_TEST_SUITE_P(Modes, VariablePromptConcurrencyTest,
                         ::testing::Values(ApplicationMode::kDesktop, ApplicationMode::kServer));

}  // namespace
