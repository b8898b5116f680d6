// Writing records as JSON text: the first write, which runs the field writers and fills the
// records' text caches, and the replay, which writes a record again from its cache.
//
//   BM_WriteCatalog          every record of the catalogue, full, each one new;
//   BM_ReplayCatalog         the same records written again;
//   BM_WriteTables/N         a table enumeration of N tables, each table a new record;
//   BM_ReplayTables/N        the same enumeration written again.
//
// Each benchmark also counts, in one write after the timed ones, the heap allocations per
// record ("allocs/record": per record of the catalogue, nested ones included in theirs; per
// table of an enumeration), the bytes requested from the heap per byte of output ("heap/out"),
// and the most bytes live at once per byte of output ("peak/out": the output and the records'
// text caches made by a first write included).

#include "bench/AllocationCounter.h"
#include "bench/BenchRegistry.h"
#include "host/parameters/ParametersJson.h"
#include "presentation-model/ConnectionTableInfoPresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "tests/RecordFixtures.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using Bags = std::vector<RefCntPtr<IParameters>>;

size_t WriteAll(const Bags& bags, const ParametersRegistry& registry) {
  size_t bytes = 0;
  for (const RefCntPtr<IParameters>& bag : bags) {
    std::string json = WriteParametersJson(*bag, registry);
    bytes += json.size();
    benchmark::DoNotOptimize(json);
  }
  return bytes;
}

// Writes `bags` once with the allocations counted and reports them against `records`.
void CountOneWrite(benchmark::State& state, const Bags& bags, size_t records) {
  const ParametersRegistry& registry = BenchRegistry();
  bench::CountAllocations counting;
  const size_t bytes = WriteAll(bags, registry);
  const bench::AllocationCount count = counting.Stop();
  state.counters["allocs/record"] = static_cast<double>(count.allocations) / static_cast<double>(records);
  state.counters["heap/out"] = static_cast<double>(count.bytes) / static_cast<double>(bytes);
  state.counters["peak/out"] = static_cast<double>(count.peak) / static_cast<double>(bytes);
}

Bags CatalogBags() {
  Bags bags;
  for (const FullRecordSample& sample : FullRecordSamples()) bags.push_back(sample.makeBag());
  return bags;
}

void BM_WriteCatalog(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Bags bags = CatalogBags();
    state.ResumeTiming();
    bytes += WriteAll(bags, registry);
    state.PauseTiming();
    bags.clear();  // the records go with their caches, outside the timing
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  CountOneWrite(state, CatalogBags(), FullRecordSamples().size());
}
BENCHMARK(BM_WriteCatalog)->Unit(benchmark::kMicrosecond);

void BM_ReplayCatalog(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  const Bags bags = CatalogBags();
  WriteAll(bags, registry);
  size_t bytes = 0;
  for (auto _ : state) bytes += WriteAll(bags, registry);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  CountOneWrite(state, bags, bags.size());
}
BENCHMARK(BM_ReplayCatalog)->Unit(benchmark::kMicrosecond);

// A table picker's record of `count` tables, as its builder fills it.
Bags TableBags(int count) {
  RefCntPtr<TableEnumerationPresModel> tables = MakeRefCnt<TableEnumerationPresModel>();
  for (int i = 0; i < count; ++i) {
    RefCntPtr<ConnectionTableInfoPresModel> table = MakeRefCnt<ConnectionTableInfoPresModel>();
    const TString name = QStringLiteral("table_%1").arg(i);
    table->SetName(QualifiedName({QStringLiteral("public"), name}));
    table->SetCaption(name);
    table->SetTooltip(QStringLiteral("public.%1 \"sales\" by region").arg(name));
    table->SetSortKey(name);
    table->SetIconEnum(TablePillIcon::Sheet);
    table->SetIsEnabled(i % 7 != 0);
    table->SetRanking(QString::number(i % 100));
    tables->AddTableInfo(std::move(table));
  }
  tables->SetAllowPreviewData(true);
  return Bags{tables->AsIParameters()};
}

void BM_WriteTables(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  const int count = static_cast<int>(state.range(0));
  size_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Bags bags = TableBags(count);
    state.ResumeTiming();
    bytes += WriteAll(bags, registry);
    state.PauseTiming();
    bags.clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetItemsProcessed(state.iterations() * count);
  CountOneWrite(state, TableBags(count), static_cast<size_t>(count));
}
BENCHMARK(BM_WriteTables)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMicrosecond);

void BM_ReplayTables(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  const int count = static_cast<int>(state.range(0));
  const Bags bags = TableBags(count);
  WriteAll(bags, registry);
  size_t bytes = 0;
  for (auto _ : state) bytes += WriteAll(bags, registry);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetItemsProcessed(state.iterations() * count);
  CountOneWrite(state, bags, static_cast<size_t>(count));
}
BENCHMARK(BM_ReplayTables)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMicrosecond);

}  // namespace
