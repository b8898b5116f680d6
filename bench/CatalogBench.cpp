// The whole catalogue: every record written full, the replay of its text cache, and reading it.

#include "host/parameters/ParametersJson.h"
#include "bench/BenchRegistry.h"
#include "host/values/DataColumn.h"
#include "parameters/EnumSerializer.h"
#include "parameters/ParameterIds.h"
#include "tests/RecordFixtures.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// Writes every record of the catalogue once, full, each a new record (so its field writer runs).
void BM_WriteCatalogFirstTime(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<RefCntPtr<IParameters>> bags;
    for (const FullRecordSample& sample : FullRecordSamples()) bags.push_back(sample.makeBag());
    state.ResumeTiming();
    for (const RefCntPtr<IParameters>& bag : bags) bytes += WriteParametersJson(*bag, registry).size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteCatalogFirstTime)->Unit(benchmark::kMicrosecond);

// Writes the same records again: each write replays the text its first write captured.
void BM_WriteCatalogReplay(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  std::vector<RefCntPtr<IParameters>> bags;
  for (const FullRecordSample& sample : FullRecordSamples()) {
    bags.push_back(sample.makeBag());
    WriteParametersJson(*bags.back(), registry);
  }
  size_t bytes = 0;
  for (auto _ : state)
    for (const RefCntPtr<IParameters>& bag : bags) bytes += WriteParametersJson(*bag, registry).size();
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteCatalogReplay)->Unit(benchmark::kMicrosecond);

// Reads every full record back from its JSON text, aliased values against a string column.
void BM_ReadCatalog(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  RefCntPtr<IParameters> context = registry.CreateParameters();
  const RefCntPtr<const VizEngine::UserType> stringType = MakeRefCnt<VizEngine::StringType>(Collation());
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(stringType, std::vector<DataValue>()))));
  std::vector<std::string> texts;
  for (const FullRecordSample& sample : FullRecordSamples())
    texts.push_back(WriteParametersJson(*sample.makeBag(), registry));
  size_t bytes = 0;
  for (auto _ : state)
    for (const std::string& text : texts) {
      benchmark::DoNotOptimize(ReadParametersJson(text, registry, context.Get()));
      bytes += text.size();
    }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadCatalog)->Unit(benchmark::kMicrosecond);

// Decoding an enum string scans its table; the longest table is the worst case.
void BM_DecodeEnumLongestTable(benchmark::State& state) {
  const EnumStringTable* longest = nullptr;
  for (const EnumStringTable* table : LibraryEnumTables())
    if (!longest || table->GetEntries().size() > longest->GetEntries().size()) longest = table;
  const TString last = longest->GetEntries().back().text;
  for (auto _ : state) benchmark::DoNotOptimize(longest->Decode(last));
}
BENCHMARK(BM_DecodeEnumLongestTable);

}  // namespace
