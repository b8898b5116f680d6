// The library on many threads at once, after registration: each thread writes new records of
// the whole catalogue, reads their text back and writes that again, looks parameters up by id
// and by name, and builds connection dialogs. Every result must be what one thread alone gets.
// Run under ThreadSanitizer too (ctest label "thread").

#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "tests/RecordFixtures.h"
#include "tests/support/StringColumnContext.h"
#include "tests/support/RegisterOnce.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

const ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

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

  constexpr int kThreads = 4;
  constexpr int kPasses = 3;
  std::atomic<int> mismatches{0};
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      while (!start.load()) std::this_thread::yield();
      for (int pass = 0; pass < kPasses; ++pass)
        if (OnePass(classes) != expected) ++mismatches;
    });
  }
  start = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
