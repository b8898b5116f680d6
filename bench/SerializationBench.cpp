// How fast records are written, replayed from their text cache, and read back.

#include "host/parameters/ParametersJson.h"
#include "bench/BenchRegistry.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"

#include <benchmark/benchmark.h>

namespace {

RefCntPtr<const InitialSQLPresModel> BuildRecord() {
  return InitialSQLPresModelBuilder().Build(QStringLiteral("postgres"), true);
}

// The first write of a record: the field writer runs and its text is captured.
void BM_WriteInitialSQLFirstTime(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  for (auto _ : state) {
    state.PauseTiming();
    RefCntPtr<const InitialSQLPresModel> model = BuildRecord();
    state.ResumeTiming();
    benchmark::DoNotOptimize(WriteParametersJson(*model->AsIParameters(), registry));
  }
}
BENCHMARK(BM_WriteInitialSQLFirstTime);

// Every later write of the same record replays the captured text.
void BM_WriteInitialSQLReplay(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  RefCntPtr<const InitialSQLPresModel> model = BuildRecord();
  const RefCntPtr<IParameters> bag = model->AsIParameters();
  WriteParametersJson(*bag, registry);
  for (auto _ : state) benchmark::DoNotOptimize(WriteParametersJson(*bag, registry));
}
BENCHMARK(BM_WriteInitialSQLReplay);

// JSON text to a bag holding the rebuilt record.
void BM_ReadInitialSQL(benchmark::State& state) {
  const ParametersRegistry& registry = BenchRegistry();
  const std::string json = WriteParametersJson(*BuildRecord()->AsIParameters(), registry);
  for (auto _ : state) benchmark::DoNotOptimize(ReadParametersJson(json, registry));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
}
BENCHMARK(BM_ReadInitialSQL);

}  // namespace
