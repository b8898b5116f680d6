// The pickers of the data source page on long lists, fed by the test doubles:
//
//   TableBuild/N           the table picker of N tables (TableEnumerationPresModelBuilder);
//   CubeBuildByName/N      the cube picker of N cubes in shuffled order, sorted by name, all
//                          three columns shown, the current cube in the middle;
//   CubeBuildByTime/N      the same sorted by last update;
//   CubeSearch/N           the same sorted by name, with a search term that one cube in ten
//                          matches.
//
// Items are entries of the host's list, so items per second stays flat where a build is
// linear and falls slowly (by log N) where it sorts. Each build includes the double's copy of
// its list, as a host's fetch would hand one over.

#include "presentation-model/CubeEnumerationPresModelBuilder.h"
#include "presentation-model/EnumerationPresModelBuilders.h"
#include "tests/support/FakeConnectionModel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int kSmall = 1000;
constexpr int kLarge = 100000;

RefCntPtr<fake::RelationalConfig> TableConfig(int count) {
  auto config = MakeRefCnt<fake::RelationalConfig>();
  config->rel.lists = {QStringLiteral("Tables")};
  config->rel.tables.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TString name = QStringLiteral("table_%1").arg(i);
    config->rel.tables.emplace_back(QualifiedName({QStringLiteral("public"), name}), name,
                                    QStringLiteral("public.%1").arg(name), name, TablePillIcon::Sheet, true);
  }
  return config;
}

void BM_TableBuild(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const RefCntPtr<fake::RelationalConfig> config = TableConfig(count);
  const TableEnumerationPresModelBuilder builder(config);
  builder.Build();  // the connector registry loads on first use
  for (auto _ : state) benchmark::DoNotOptimize(builder.Build());
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_TableBuild)->Name("TableBuild")->RangeMultiplier(10)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);

// N cubes named and described by number, in an order shuffled with a fixed seed, updated over
// the last N minutes; the current cube is the one in the middle of the host's list.
RefCntPtr<fake::HierarchicalConfig> CubeConfig(int count, CubeMetadataCategory sortCategory) {
  auto config = MakeRefCnt<fake::HierarchicalConfig>();
  std::vector<int> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(20260301));
  const QDateTime start(QDate(2026, 3, 1), QTime(0, 0), Qt::UTC);
  config->cubes.reserve(static_cast<size_t>(count));
  for (const int i : order) {
    const TString name = QStringLiteral("Cube %1").arg(i, 6, 10, QLatin1Char('0'));
    config->cubes.emplace_back(QualifiedName({QStringLiteral("Sales"), name}), name,
                               QStringLiteral("Region %1 figures").arg(i), DateTime(start.addSecs(60LL * i)));
  }
  config->currentCube = config->cubes[static_cast<size_t>(count / 2)];
  config->cubeMetadataCategories = {CubeMetadataCategory::Name, CubeMetadataCategory::Description,
                                    CubeMetadataCategory::LastUpdated};
  config->cubeSortCategory = sortCategory;
  return config;
}

void RunCubeBuild(benchmark::State& state, const RefCntPtr<fake::HierarchicalConfig>& config) {
  const int count = static_cast<int>(state.range(0));
  const DateTime now(QDateTime(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC));
  CubeEnumerationPresModelBuilder builder(config);
  builder.SetCurrentDateTime(&now);
  for (auto _ : state) benchmark::DoNotOptimize(builder.Build());
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_CubeBuildByName(benchmark::State& state) {
  RunCubeBuild(state, CubeConfig(static_cast<int>(state.range(0)), CubeMetadataCategory::Name));
}
BENCHMARK(BM_CubeBuildByName)->Name("CubeBuildByName")->RangeMultiplier(10)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);

void BM_CubeBuildByTime(benchmark::State& state) {
  RunCubeBuild(state, CubeConfig(static_cast<int>(state.range(0)), CubeMetadataCategory::LastUpdated));
}
BENCHMARK(BM_CubeBuildByTime)->Name("CubeBuildByTime")->RangeMultiplier(10)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);

void BM_CubeSearch(benchmark::State& state) {
  const RefCntPtr<fake::HierarchicalConfig> config =
      CubeConfig(static_cast<int>(state.range(0)), CubeMetadataCategory::Name);
  config->cubeSearchTerm = QStringLiteral("3 FIGURES");  // regions 3, 13, 23, ...
  RunCubeBuild(state, config);
}
BENCHMARK(BM_CubeSearch)->Name("CubeSearch")->RangeMultiplier(10)->Range(kSmall, kLarge)->Unit(benchmark::kMillisecond);

}  // namespace
