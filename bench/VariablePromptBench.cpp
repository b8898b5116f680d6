// The variable prompt dialog on many variables, built from a described connection:
//
//   VariablePromptBuild/N        N variables in the desktop application, each with a selection
//                                list of 8 items and 2 current values, every fourth without
//                                values (it gets the placeholder entry);
//   VariablePromptBuildServer/N  the same on the server: metadata, server values and
//                                attributes for each variable, one value in three not among
//                                the selection items;
//   CopyVariables/N              the baseline: copying the N variables once, as server builds
//                                do before anything else.
//
// Items are variables, so items per second stays flat where a build is linear in them.

#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include "host/app/AppConfig.h"
#include "host/connectors/DescribedDataConnection.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kSmall = 1000;
constexpr int kLarge = 100000;
constexpr int kItems = 8;

RefCntPtr<IDataConnection> Connection(int count) {
  auto collection = MakeRefCnt<Database_VariablesCollection_DataModel>();
  std::vector<AliasedDataValue> items;
  for (int i = 0; i < kItems; ++i)
    items.emplace_back(DataValue::MakeString(QStringLiteral("K%1").arg(i)), QStringLiteral("Item %1").arg(i));
  const auto value = [](const TString& op, const TString& key) {
    auto data = MakeRefCnt<DBVariableValueDataModel>();
    data->SetOp(op);
    data->SetValue1(MakeRefCnt<DBVariableLiteralDataModel>(AliasedDataValue(DataValue::MakeString(key), TString())));
    return data;
  };
  for (int i = 0; i < count; ++i) {
    auto variable = MakeRefCnt<Database_Variable_DataModel>();
    variable->SetVariableName(FieldName(QStringLiteral("[CUBE].[VAR_%1]").arg(i)));
    variable->SetVariableGUID(QStringLiteral("guid-%1").arg(i));
    variable->SetDescription(QStringLiteral("Variable %1").arg(i));
    variable->SetOps({QStringLiteral("="), QStringLiteral("<>"), QStringLiteral(">=")});
    variable->SetSelectionItems(items);
    variable->SetAttribute(Database_Variable_DataModel::attrRelationName,
                           DataValue::MakeString(QStringLiteral("Orders")));
    if (i % 4 != 0) {
      variable->AddCurrentValue(value(QStringLiteral("="), QStringLiteral("K%1").arg(i % kItems)));
      // One value in three is not selectable.
      variable->AddCurrentValue(
          value(QStringLiteral("<>"), i % 3 == 0 ? QStringLiteral("OTHER") : QStringLiteral("K1")));
    }
    collection->AddVariable(variable);
  }
  return Connect::DescribedDataConnection::Create(QStringLiteral("sapbw"), collection, {});
}

void RunBuild(benchmark::State& state, ApplicationMode mode) {
  const int count = static_cast<int>(state.range(0));
  const RefCntPtr<IDataConnection> connection = Connection(count);
  AppConfig::SetApplicationMode(mode);
  for (auto _ : state)
    benchmark::DoNotOptimize(VariablePromptDialogPresModelBuilder::BuildFromDBVariables(
        QStringLiteral("bench"), connection, QStringLiteral("[CUBE].[VAR_1]"), 0, TString()));
  AppConfig::SetApplicationMode(ApplicationMode::kDesktop);
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_VariablePromptBuild(benchmark::State& state) { RunBuild(state, ApplicationMode::kDesktop); }
BENCHMARK(BM_VariablePromptBuild)
    ->Name("VariablePromptBuild")
    ->RangeMultiplier(10)
    ->Range(kSmall, kLarge)
    ->Unit(benchmark::kMillisecond);

void BM_VariablePromptBuildServer(benchmark::State& state) { RunBuild(state, ApplicationMode::kServer); }
BENCHMARK(BM_VariablePromptBuildServer)
    ->Name("VariablePromptBuildServer")
    ->RangeMultiplier(10)
    ->Range(kSmall, kLarge)
    ->Unit(benchmark::kMillisecond);

void BM_CopyVariables(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const RefCntPtr<IDataConnection> connection = Connection(count);
  const auto& variables = connection->GetDatabaseVariables()->GetVariables();
  for (auto _ : state)
    for (const auto& variable : variables)
      benchmark::DoNotOptimize(DBVariablesDataModelBuilder::CopyVariableDataModel(variable));
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CopyVariables)
    ->Name("CopyVariables")
    ->RangeMultiplier(10)
    ->Range(kSmall, kLarge)
    ->Unit(benchmark::kMillisecond);

}  // namespace
