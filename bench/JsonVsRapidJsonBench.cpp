// The JSON text form side by side with what the best JSON code does with the same data.
//
// Two inputs: the whole catalogue (every record, full) and table enumerations of 100 to 100,000
// entries. For each, four pairs:
//   write:  the project's first write      vs RapidJSON's Writer fed with the same values
//   replay: the project's replay           vs a copy of the same bytes into a new std::string, and
//           (catalogue) the replay appended to the caller's buffer vs memcpy into a reused one
//   read:   the project's read into records vs RapidJSON's Document::Parse alone, and (tables)
//                                             a RapidJSON reader that sets the records' fields
// The anchor writers must produce the project's bytes exactly; the benchmarks refuse to run
// otherwise. tools/bench-ratios.py turns the results into the table of ratios.
//
// The project's benchmarks also count, in one untimed run after the timed ones, what the heap
// was asked for (the malloc hook of this binary, bench/AllocationCounter.h): allocations per
// record ("allocs/record": per record of the catalogue, nested ones in theirs; per entry of a
// table enumeration), bytes requested per byte of text ("heap/byte") and the most bytes live at
// once per byte of text ("peak/byte": for a write, the output and the text caches a first write
// fills; for a read, the parsed document and the records). A first write makes its records
// outside the timing and lets them go outside it too, and a table's read lets its records (or
// its document) go outside the timing: only the write and the read are timed.

#include "bench/AllocationCounter.h"
#include "bench/BenchRegistry.h"
#include "host/detail/RapidJson.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/ParametersJson.h"
#include "host/values/DataColumn.h"
#include "parameters/ParameterIds.h"
#include "presentation-model/ConnectionTableInfoPresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "tests/RecordFixtures.h"
#include "tests/support/StringColumnContext.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using rapidjson::SizeType;

[[noreturn]] void Abort(const std::string& what) {
  std::fprintf(stderr, "JsonVsRapidJsonBench: %s\n", what.c_str());
  std::abort();
}

// Runs `body` once with the heap counted and reports it against `records` records and `bytes`
// bytes of text.
template <typename F>
void CountHeap(benchmark::State& state, size_t records, size_t bytes, F&& body) {
  bench::CountAllocations counting;
  body();
  const bench::AllocationCount count = counting.Stop();
  state.counters["allocs/record"] = static_cast<double>(count.allocations) / static_cast<double>(records);
  state.counters["heap/byte"] = static_cast<double>(count.bytes) / static_cast<double>(bytes);
  state.counters["peak/byte"] = static_cast<double>(count.peak) / static_cast<double>(bytes);
}

// --- The inputs ------------------------------------------------------------------------------

const ParametersRegistry& Registry() { return BenchRegistry(); }

std::vector<RefCntPtr<IParameters>> CatalogBags() {
  std::vector<RefCntPtr<IParameters>> bags;
  for (const FullRecordSample& sample : FullRecordSamples()) bags.push_back(sample.MakeBag());
  return bags;
}

// A table of `count` entries, as a connection that lists its tables would fill it.
RefCntPtr<const TableEnumerationPresModel> MakeTable(int count) {
  RefCntPtr<TableEnumerationPresModel> table = MakeRefCnt<TableEnumerationPresModel>();
  std::vector<RefCntPtr<const ConnectionTableInfoPresModel>> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const TString name = QStringLiteral("orders_%1").arg(i, 6, 10, QLatin1Char('0'));
    RefCntPtr<ConnectionTableInfoPresModel> entry = MakeRefCnt<ConnectionTableInfoPresModel>();
    entry->SetName(QualifiedName({QStringLiteral("warehouse"), QStringLiteral("sales"), name}));
    entry->SetCaption(name);
    entry->SetTooltip(QStringLiteral("Table %1 in \"sales\", owned by Zoë").arg(name));
    entry->SetSortKey(name.toUpper());
    entry->SetIconEnum(i % 7 == 0 ? TablePillIcon::StoredProcedure : TablePillIcon::Sheet);
    entry->SetIsEnabled(i % 5 != 0);
    entry->SetRanking(QString::number(count - i));
    entries.push_back(std::move(entry));
  }
  table->SetTableInfos(std::move(entries));
  table->SetAllowPreviewData(false);
  return table;
}

// --- The anchor writers ----------------------------------------------------------------------

using Utf16Writer = rapidjson::Writer<rapidjson::StringBuffer, rapidjson::UTF16<char16_t>, rapidjson::UTF8<>>;

void WriteString(Utf16Writer& writer, const TString& text) {
  writer.String(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<SizeType>(text.size()));
}

void WriteKey(Utf16Writer& writer, const char16_t* key, SizeType length) { writer.Key(key, length); }

template <size_t N>
void WriteKey(Utf16Writer& writer, const char16_t (&key)[N]) {
  WriteKey(writer, key, N - 1);
}

const TString& EnumText(TablePillIcon icon) {
  static const TString kSheet = ParameterTypeSerializer<TablePillIcon>::TypeToString(TablePillIcon::Sheet);
  static const TString kProcedure = ParameterTypeSerializer<TablePillIcon>::TypeToString(TablePillIcon::StoredProcedure);
  return icon == TablePillIcon::Sheet ? kSheet : kProcedure;
}

// The table written with RapidJSON from the records' getters.
void WriteTableWithRapidJson(const TableEnumerationPresModel& table, rapidjson::StringBuffer& out) {
  Utf16Writer writer(out);
  writer.StartObject();
  WriteKey(writer, u"gen-table-enumeration-pres-model");
  writer.StartObject();
  WriteKey(writer, u"table-infos");
  writer.StartArray();
  for (const RefCntPtr<const ConnectionTableInfoPresModel>& entry : table.GetTableInfos()) {
    writer.StartObject();
    WriteKey(writer, u"table-name");
    WriteString(writer, ParameterTypeSerializer<QualifiedName>::TypeToString(entry->GetName()));
    WriteKey(writer, u"table-caption");
    WriteString(writer, entry->GetCaption());
    WriteKey(writer, u"table-tooltip");
    WriteString(writer, entry->GetTooltip());
    WriteKey(writer, u"table-sortkey");
    WriteString(writer, entry->GetSortKey());
    WriteKey(writer, u"table-pill-icon-type");
    WriteString(writer, EnumText(entry->GetIconEnum()));
    WriteKey(writer, u"is-enabled");
    writer.String(entry->GetIsEnabled() ? u"true" : u"false", entry->GetIsEnabled() ? 4 : 5);
    WriteKey(writer, u"table-ranking");
    WriteString(writer, entry->GetRanking());
    writer.EndObject();
  }
  writer.EndArray();
  WriteKey(writer, u"allow-preview-data");
  writer.String(table.GetAllowPreviewData() ? u"true" : u"false", table.GetAllowPreviewData() ? 4 : 5);
  writer.EndObject();
  writer.EndObject();
}

// The catalogue's records have too many shapes to write each by hand: their anchor is fed with
// the same names and value texts, in UTF-16, taken out of the written text beforehand.
struct TextNode {
  enum Kind { kString, kArray, kObject } kind = kString;
  TString text;
  std::vector<std::pair<TString, TextNode>> members;  // the elements of an array have no name
};

TString ToTString(const rapidjson::Value& value) {
  return TStringFromUtf8(std::string_view(value.GetString(), value.GetStringLength()));
}

TextNode ToTextNode(const rapidjson::Value& value) {
  TextNode node;
  if (value.IsString()) {
    node.text = ToTString(value);
  } else if (value.IsArray()) {
    node.kind = TextNode::kArray;
    for (const rapidjson::Value& element : value.GetArray()) node.members.emplace_back(TString(), ToTextNode(element));
  } else if (value.IsObject()) {
    node.kind = TextNode::kObject;
    for (const auto& member : value.GetObject()) node.members.emplace_back(ToTString(member.name), ToTextNode(member.value));
  } else {
    Abort("the written text holds a value that is not a string, an array or an object");
  }
  return node;
}

void WriteTextNode(Utf16Writer& writer, const TextNode& node) {
  switch (node.kind) {
    case TextNode::kString:
      WriteString(writer, node.text);
      return;
    case TextNode::kArray:
      writer.StartArray();
      for (const auto& element : node.members) WriteTextNode(writer, element.second);
      writer.EndArray();
      return;
    case TextNode::kObject:
      writer.StartObject();
      for (const auto& [name, member] : node.members) {
        WriteKey(writer, reinterpret_cast<const char16_t*>(name.utf16()), static_cast<SizeType>(name.size()));
        WriteTextNode(writer, member);
      }
      writer.EndObject();
      return;
  }
}

void RequireSame(const std::string& project, const char* anchor, size_t anchorSize, const char* what) {
  if (project.size() == anchorSize && std::memcmp(project.data(), anchor, anchorSize) == 0) return;
  size_t at = 0;
  while (at < project.size() && at < anchorSize && project[at] == anchor[at]) ++at;
  Abort(std::string(what) + ": RapidJSON writes other bytes than the project from offset " + std::to_string(at) +
        ": project \"" + project.substr(at, 40) + "\", RapidJSON \"" +
        std::string(anchor + at, std::min<size_t>(40, anchorSize - at)) + "\"");
}

// --- The catalogue ---------------------------------------------------------------------------

struct Catalog {
  std::vector<std::string> texts;
  std::vector<TextNode> trees;
  size_t bytes = 0;
};

const Catalog& TheCatalog() {
  static const Catalog catalog = [] {
    Catalog c;
    for (const RefCntPtr<IParameters>& bag : CatalogBags()) {
      c.texts.push_back(WriteParametersJson(*bag, Registry()));
      c.bytes += c.texts.back().size();
      rapidjson::Document document;
      document.Parse(c.texts.back().data(), c.texts.back().size());
      if (document.HasParseError()) Abort("the catalogue's text is not JSON");
      c.trees.push_back(ToTextNode(document));
      rapidjson::StringBuffer out;
      Utf16Writer writer(out);
      WriteTextNode(writer, c.trees.back());
      RequireSame(c.texts.back(), out.GetString(), out.GetSize(), "catalogue");
    }
    return c;
  }();
  return catalog;
}

void SetBytes(benchmark::State& state, size_t bytesPerIteration) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytesPerIteration));
}

// A table's read lets its records go outside the timing, as a first write does: when a host
// lets a page go is its own business, and glibc pays for a let-go heap of small blocks partly
// at the next large request (merging them), which would land in the next read's time. The
// catalogue's small records are let go one by one inside it, on both sides.
template <typename T>
void LetGo(benchmark::State& state, std::vector<T>& read) {
  benchmark::DoNotOptimize(read.data());
  state.PauseTiming();
  read.clear();
  state.ResumeTiming();
}

void WriteAll(const std::vector<RefCntPtr<IParameters>>& bags) {
  for (const RefCntPtr<IParameters>& bag : bags) benchmark::DoNotOptimize(WriteParametersJson(*bag, Registry()));
}

void BM_CatalogWriteProject(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<RefCntPtr<IParameters>> bags = CatalogBags();
    state.ResumeTiming();
    WriteAll(bags);
    state.PauseTiming();
    bags.clear();
    state.ResumeTiming();
  }
  SetBytes(state, catalog.bytes);
  const std::vector<RefCntPtr<IParameters>> bags = CatalogBags();
  CountHeap(state, bags.size(), catalog.bytes, [&] { WriteAll(bags); });
}
BENCHMARK(BM_CatalogWriteProject)->Unit(benchmark::kMicrosecond);

void BM_CatalogWriteRapidJson(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  for (auto _ : state)
    for (const TextNode& tree : catalog.trees) {
      rapidjson::StringBuffer out;
      Utf16Writer writer(out);
      WriteTextNode(writer, tree);
      benchmark::DoNotOptimize(out.GetString());
    }
  SetBytes(state, catalog.bytes);
}
BENCHMARK(BM_CatalogWriteRapidJson)->Unit(benchmark::kMicrosecond);

void BM_CatalogReplayProject(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  const std::vector<RefCntPtr<IParameters>> bags = CatalogBags();
  WriteAll(bags);
  for (auto _ : state) WriteAll(bags);
  SetBytes(state, catalog.bytes);
  CountHeap(state, bags.size(), catalog.bytes, [&] { WriteAll(bags); });
}
BENCHMARK(BM_CatalogReplayProject)->Unit(benchmark::kMicrosecond);

void BM_CatalogReplayStringCopy(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  for (auto _ : state)
    for (const std::string& text : catalog.texts) {
      std::string copy(text);
      benchmark::DoNotOptimize(copy.data());
    }
  SetBytes(state, catalog.bytes);
}
BENCHMARK(BM_CatalogReplayStringCopy)->Unit(benchmark::kMicrosecond);

// A caller that writes one record after another into one buffer of its own.
void BM_CatalogReplayAppendProject(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  const std::vector<RefCntPtr<IParameters>> bags = CatalogBags();
  WriteAll(bags);
  std::string out;
  for (auto _ : state)
    for (const RefCntPtr<IParameters>& bag : bags) {
      out.clear();
      AppendParametersJson(*bag, Registry(), out);
      benchmark::DoNotOptimize(out.data());
    }
  SetBytes(state, catalog.bytes);
}
BENCHMARK(BM_CatalogReplayAppendProject)->Unit(benchmark::kMicrosecond);

void BM_CatalogReplayAppendMemcpy(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  std::string out;
  for (auto _ : state)
    for (const std::string& text : catalog.texts) {
      out.clear();
      out.append(text);
      benchmark::DoNotOptimize(out.data());
    }
  SetBytes(state, catalog.bytes);
}
BENCHMARK(BM_CatalogReplayAppendMemcpy)->Unit(benchmark::kMicrosecond);

void BM_CatalogReadProject(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  const RefCntPtr<IParameters> context = StringColumnContext();
  for (auto _ : state)
    for (const std::string& text : catalog.texts)
      benchmark::DoNotOptimize(ReadParametersJson(text, Registry(), context.Get()));
  SetBytes(state, catalog.bytes);
  CountHeap(state, catalog.texts.size(), catalog.bytes, [&] {
    for (const std::string& text : catalog.texts) ReadParametersJson(text, Registry(), context.Get());
  });
}
BENCHMARK(BM_CatalogReadProject)->Unit(benchmark::kMicrosecond);

constexpr unsigned kProjectParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;

void BM_CatalogReadRapidJsonParse(benchmark::State& state) {
  const Catalog& catalog = TheCatalog();
  for (auto _ : state)
    for (const std::string& text : catalog.texts) {
      rapidjson::Document document;
      document.Parse<kProjectParseFlags>(text.data(), text.size());
      benchmark::DoNotOptimize(document.IsObject());
    }
  SetBytes(state, catalog.bytes);
}
BENCHMARK(BM_CatalogReadRapidJsonParse)->Unit(benchmark::kMicrosecond);

// --- Table enumerations ----------------------------------------------------------------------

struct Table {
  RefCntPtr<const TableEnumerationPresModel> model;
  std::string text;
};

// One table per size, made and checked once.
const Table& TheTable(int count) {
  static std::map<int, Table> tables;
  auto found = tables.find(count);
  if (found != tables.end()) return found->second;
  Table table{MakeTable(count), std::string()};
  table.text = WriteParametersJson(*table.model->AsIParameters(), Registry());
  rapidjson::StringBuffer out;
  WriteTableWithRapidJson(*table.model, out);
  RequireSame(table.text, out.GetString(), out.GetSize(), "table enumeration");
  return tables.emplace(count, std::move(table)).first->second;
}

void TableSizes(benchmark::internal::Benchmark* benchmark) {
  for (int count : {100, 1000, 10000, 100000}) benchmark->Arg(count);
  benchmark->Unit(benchmark::kMicrosecond);
}

void SetTableCounters(benchmark::State& state, const Table& table) {
  SetBytes(state, table.text.size());
  state.counters["entries"] = static_cast<double>(state.range(0));
}

void BM_TableWriteProject(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    RefCntPtr<IParameters> bag = MakeTable(count)->AsIParameters();
    state.ResumeTiming();
    benchmark::DoNotOptimize(WriteParametersJson(*bag, Registry()));
    state.PauseTiming();
    bag = nullptr;
    state.ResumeTiming();
  }
  SetTableCounters(state, table);
  const RefCntPtr<IParameters> bag = MakeTable(count)->AsIParameters();
  CountHeap(state, static_cast<size_t>(count), table.text.size(), [&] { WriteParametersJson(*bag, Registry()); });
}
BENCHMARK(BM_TableWriteProject)->Apply(TableSizes);

void BM_TableWriteRapidJson(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rapidjson::StringBuffer out;
    WriteTableWithRapidJson(*table.model, out);
    benchmark::DoNotOptimize(out.GetString());
  }
  SetTableCounters(state, table);
}
BENCHMARK(BM_TableWriteRapidJson)->Apply(TableSizes);

void BM_TableReplayProject(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  const RefCntPtr<IParameters> bag = table.model->AsIParameters();
  for (auto _ : state) benchmark::DoNotOptimize(WriteParametersJson(*bag, Registry()));
  SetTableCounters(state, table);
  CountHeap(state, static_cast<size_t>(state.range(0)), table.text.size(),
            [&] { WriteParametersJson(*bag, Registry()); });
}
BENCHMARK(BM_TableReplayProject)->Apply(TableSizes);

void BM_TableReplayStringCopy(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string copy(table.text);
    benchmark::DoNotOptimize(copy.data());
  }
  SetTableCounters(state, table);
}
BENCHMARK(BM_TableReplayStringCopy)->Apply(TableSizes);

void BM_TableReadProject(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  const RefCntPtr<IParameters> context = StringColumnContext();
  std::vector<RefCntPtr<IParameters>> read;
  for (auto _ : state) {
    read.push_back(ReadParametersJson(table.text, Registry(), context.Get()));
    LetGo(state, read);
  }
  SetTableCounters(state, table);
  CountHeap(state, static_cast<size_t>(state.range(0)), table.text.size(),
            [&] { ReadParametersJson(table.text, Registry(), context.Get()); });
}
BENCHMARK(BM_TableReadProject)->Apply(TableSizes);

void BM_TableReadRapidJsonParse(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  std::vector<rapidjson::Document> read;
  for (auto _ : state) {
    read.emplace_back().Parse<kProjectParseFlags>(table.text.data(), table.text.size());
    LetGo(state, read);
  }
  SetTableCounters(state, table);
  CountHeap(state, static_cast<size_t>(state.range(0)), table.text.size(), [&] {
    rapidjson::Document document;
    document.Parse<kProjectParseFlags>(table.text.data(), table.text.size());
  });
}
BENCHMARK(BM_TableReadRapidJsonParse)->Apply(TableSizes);

bool Is(const rapidjson::Value& name, const char* expected, SizeType length) {
  return name.GetStringLength() == length && std::memcmp(name.GetString(), expected, length) == 0;
}

template <size_t N>
bool Is(const rapidjson::Value& name, const char (&expected)[N]) {
  return Is(name, expected, N - 1);
}

// The table read by hand with RapidJSON: parse, then set the records' fields from the members.
RefCntPtr<TableEnumerationPresModel> ReadTableWithRapidJson(const std::string& text) {
  rapidjson::Document document;
  document.Parse<kProjectParseFlags>(text.data(), text.size());
  if (document.HasParseError() || !document.IsObject()) Abort("the table's text does not parse");
  RefCntPtr<TableEnumerationPresModel> table = MakeRefCnt<TableEnumerationPresModel>();
  const rapidjson::Value& fields = document.MemberBegin()->value;
  for (const auto& member : fields.GetObject()) {
    if (Is(member.name, "allow-preview-data")) {
      table->SetAllowPreviewData(ParameterTypeSerializer<bool>::TypeFromString(ToTString(member.value)));
      continue;
    }
    if (!Is(member.name, "table-infos")) continue;
    std::vector<RefCntPtr<const ConnectionTableInfoPresModel>> entries;
    entries.reserve(member.value.Size());
    for (const rapidjson::Value& element : member.value.GetArray()) {
      RefCntPtr<ConnectionTableInfoPresModel> entry = MakeRefCnt<ConnectionTableInfoPresModel>();
      for (const auto& field : element.GetObject()) {
        const rapidjson::Value& name = field.name;
        if (Is(name, "table-name"))
          entry->SetName(ParameterTypeSerializer<QualifiedName>::TypeFromString(ToTString(field.value)));
        else if (Is(name, "table-caption"))
          entry->SetCaption(ToTString(field.value));
        else if (Is(name, "table-tooltip"))
          entry->SetTooltip(ToTString(field.value));
        else if (Is(name, "table-sortkey"))
          entry->SetSortKey(ToTString(field.value));
        else if (Is(name, "table-pill-icon-type"))
          entry->SetIconEnum(ParameterTypeSerializer<TablePillIcon>::TypeFromString(ToTString(field.value)));
        else if (Is(name, "is-enabled"))
          entry->SetIsEnabled(ParameterTypeSerializer<bool>::TypeFromString(ToTString(field.value)));
        else if (Is(name, "table-ranking"))
          entry->SetRanking(ToTString(field.value));
      }
      entries.push_back(std::move(entry));
    }
    table->SetTableInfos(std::move(entries));
  }
  return table;
}

void BM_TableReadRapidJsonRecords(benchmark::State& state) {
  const Table& table = TheTable(static_cast<int>(state.range(0)));
  if (WriteParametersJson(*ReadTableWithRapidJson(table.text)->AsIParameters(), Registry()) != table.text)
    Abort("the hand-written RapidJSON reader does not read the table back");
  std::vector<RefCntPtr<TableEnumerationPresModel>> read;
  for (auto _ : state) {
    read.push_back(ReadTableWithRapidJson(table.text));
    LetGo(state, read);
  }
  SetTableCounters(state, table);
  CountHeap(state, static_cast<size_t>(state.range(0)), table.text.size(),
            [&] { ReadTableWithRapidJson(table.text); });
}
BENCHMARK(BM_TableReadRapidJsonRecords)->Apply(TableSizes);

}  // namespace
