// The text caches of records written together: a first write fills the caches of the records
// nested in it with their own text, later writes replay those texts, and the caches stay
// valid after the structure that wrote them is gone.

#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/SerializeStructure.h"
#include "parameters/ParameterIds.h"
#include "presentation-model/ConnectionTableInfoPresModel.h"
#include "presentation-model/EditableVariableValuePresModel.h"
#include "presentation-model/ServerVariableValuePresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "presentation-model/VariableValueOperationPresModel.h"
#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

template <typename X>
std::string Write(const RefCntPtr<X>& model) {
  return WriteParametersJson(*model->AsIParameters(), Registry());
}

// The text of a bag holding one record of type X whose fields wrote `fields`.
template <typename X>
std::string BagText(const std::string& fields) {
  return "{" + Registry().FindParameter(X::ID)->GetJsonName() + "{" + fields + "}}";
}

RefCntPtr<ConnectionTableInfoPresModel> Entry(const QString& name) {
  RefCntPtr<ConnectionTableInfoPresModel> entry = MakeRefCnt<ConnectionTableInfoPresModel>();
  entry->SetName(QualifiedName({QStringLiteral("sales"), name}));
  entry->SetCaption(name);
  entry->SetTooltip(QStringLiteral("\"%1\" owned by Zo\u00eb").arg(name));
  return entry;
}

RefCntPtr<TableEnumerationPresModel> Table(const std::vector<RefCntPtr<ConnectionTableInfoPresModel>>& entries) {
  RefCntPtr<TableEnumerationPresModel> table = MakeRefCnt<TableEnumerationPresModel>();
  for (const auto& entry : entries) table->AddTableInfo(entry);
  return table;
}

TEST(TextCacheTest, NestedRecordsKeepTheirOwnTextAfterTheFirstWriteOfTheirContainer) {
  const RefCntPtr<ConnectionTableInfoPresModel> orders = Entry(QStringLiteral("orders"));
  const RefCntPtr<ConnectionTableInfoPresModel> lines = Entry(QStringLiteral("lines"));
  const RefCntPtr<TableEnumerationPresModel> table = Table({orders, lines});
  const std::string first = Write(table);

  // Each entry's cache is its own members, exactly what a fresh copy writes on its own.
  EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(orders->GetSerializedJson()), Write(Entry(QStringLiteral("orders"))));
  EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(lines->GetSerializedJson()), Write(Entry(QStringLiteral("lines"))));
  EXPECT_NE(orders->GetSerializedJson(), lines->GetSerializedJson());
  EXPECT_EQ(BagText<TableEnumerationPresModel>(table->GetSerializedJson()), first);

  // Setters leave the caches alone: the entry, the table and a new table holding the entry all
  // replay the first text.
  const std::string ordersAlone = Write(orders);
  orders->SetCaption(QStringLiteral("changed"));
  EXPECT_EQ(Write(orders), ordersAlone);
  EXPECT_EQ(Write(table), first);
  const std::string again = Write(Table({lines, orders}));
  EXPECT_EQ(again.find("changed"), std::string::npos);
  EXPECT_NE(again.find(orders->GetSerializedJson() + "}]"), std::string::npos);  // the last element
}

TEST(TextCacheTest, ARecordTwiceInOneWriteIsWrittenTheSameBothTimes) {
  const RefCntPtr<ConnectionTableInfoPresModel> orders = Entry(QStringLiteral("orders"));
  const std::string twice = Write(Table({orders, Entry(QStringLiteral("lines")), orders}));
  const std::string fresh =
      Write(Table({Entry(QStringLiteral("orders")), Entry(QStringLiteral("lines")), Entry(QStringLiteral("orders"))}));
  EXPECT_EQ(twice, fresh);
  EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(orders->GetSerializedJson()), Write(Entry(QStringLiteral("orders"))));
}

TEST(TextCacheTest, CachesOutliveTheStructureThatWroteThem) {
  const RefCntPtr<ConnectionTableInfoPresModel> orders = Entry(QStringLiteral("orders"));
  const RefCntPtr<TableEnumerationPresModel> table = Table({orders});
  std::string written;
  {
    SerializeStructure ss(Registry());
    ss.GetVisitor().BeginCapture();  // never ended: the caches are still ranges of the text here
    PresModelSerializer<TableEnumerationPresModel>::SerializeObj(table, ss);
    EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(orders->GetSerializedJson()),
              Write(Entry(QStringLiteral("orders"))));
    written = std::string(ss.GetWrittenJson().substr(1));
  }
  EXPECT_EQ(table->GetSerializedJson(), written);
  EXPECT_EQ(Write(table), Write(Table({Entry(QStringLiteral("orders"))})));
  EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(orders->GetSerializedJson()), Write(Entry(QStringLiteral("orders"))));
}

TEST(TextCacheTest, AFailedWriteKeepsTheCachesOfTheRecordsItFinished) {
  const auto server = [] {
    RefCntPtr<ServerVariableValuePresModel> made = MakeRefCnt<ServerVariableValuePresModel>();
    made->SetFirstValue(QStringLiteral("first"));
    made->SetCurrentOperation(MakeRefCnt<VariableValueOperationPresModel>());
    return made;
  };
  const RefCntPtr<ServerVariableValuePresModel> finished = server();
  RefCntPtr<EditableVariableValuePresModel> value = MakeRefCnt<EditableVariableValuePresModel>();
  value->SetServerVariableValue(finished);  // written before the record's own operation, which is null
  EXPECT_THROW(Write(value), LogicException);
  EXPECT_TRUE(value->GetSerializedVal().isEmpty());
  EXPECT_EQ(BagText<ServerVariableValuePresModel>(finished->GetSerializedJson()), Write(server()));
}

TEST(TextCacheTest, WrittenBagsReplayCachedRecordsInTheirPlace) {
  const RefCntPtr<ConnectionTableInfoPresModel> cached = Entry(QStringLiteral("orders"));
  Write(cached);
  RefCntPtr<IParameters> bag = Registry().CreateParameters();
  bag->SetParameter(TableEnumerationPresModel::ID, MakeValParameter(RefCntPtr<const TableEnumerationPresModel>(
                                                       Table({Entry(QStringLiteral("lines"))}))));
  bag->SetParameter(ConnectionTableInfoPresModel::ID, MakeValParameter(RefCntPtr<const ConnectionTableInfoPresModel>(cached)));
  const std::string table = Write(Table({Entry(QStringLiteral("lines"))}));
  const std::string entry = Write(Entry(QStringLiteral("orders")));
  EXPECT_EQ(WriteParametersJson(*bag, Registry()), table.substr(0, table.size() - 1) + "," + entry.substr(1));

  // Inside a list, a structure is an element without a name, also when it is replayed.
  SerializeStructure ss(Registry());
  {
    ListStructure list(DataParameters::TableInfos, ss, kParameterTypeDefault);
    WriteParameters(*cached->AsIParameters(), ss);
  }
  EXPECT_EQ(ss.TakeJson(), R"({"table-infos":[{)" + cached->GetSerializedJson() + "}]}");
}

// A bag of one written record is its cached text, after what the caller's buffer held; a record
// of another type under a record's id is still refused, cached or not.
TEST(TextCacheTest, ABagOfOneWrittenRecordReplaysOnlyUnderItsOwnType) {
  const RefCntPtr<ConnectionTableInfoPresModel> entry = Entry(QStringLiteral("orders"));
  const std::string first = Write(entry);
  std::string out = "[";
  AppendParametersJson(*entry->AsIParameters(), Registry(), out);
  EXPECT_EQ(out, "[" + first);

  // The first write kept the whole bag, for this registry and this parameter only; a record with
  // records nested in it keeps its bag too, and the nested ones their own text.
  const RefCntPtr<IParameters> bag = entry->AsIParameters();
  const IParameter& held = *bag->GetParameter(ConnectionTableInfoPresModel::ID);
  EXPECT_EQ(entry->GetCachedBagJson(held, ConnectionTableInfoPresModel::ID, Registry()), first);
  EXPECT_TRUE(entry->GetCachedBagJson(held, TableEnumerationPresModel::ID, Registry()).empty());
  EXPECT_TRUE(entry->GetCachedBagJson(held, ConnectionTableInfoPresModel::ID, ParametersRegistry()).empty());
  const RefCntPtr<TableEnumerationPresModel> table = Table({Entry(QStringLiteral("lines")), entry});
  const RefCntPtr<IParameters> tableBag = table->AsIParameters();
  const std::string tableText = WriteParametersJson(*tableBag, Registry());
  EXPECT_EQ(table->GetCachedBagJson(*tableBag->GetParameter(TableEnumerationPresModel::ID),
                                    TableEnumerationPresModel::ID, Registry()),
            tableText);
  EXPECT_EQ(WriteParametersJson(*tableBag, Registry()), tableText);
  EXPECT_EQ(Write(table->GetTableInfos().front()), Write(Entry(QStringLiteral("lines"))));

  RefCntPtr<IParameters> misplaced = Registry().CreateParameters();
  misplaced->SetParameter(TableEnumerationPresModel::ID,
                          MakeValParameter(RefCntPtr<const ConnectionTableInfoPresModel>(entry)));
  out = "[";
  EXPECT_THROW(AppendParametersJson(*misplaced, Registry(), out), TypeMismatchCommandException);
  EXPECT_EQ(out, "[");
}

// A write for records let go once written gives the same text and leaves their caches empty,
// nested ones included; a record written before still replays its own.
TEST(TextCacheTest, AWriteThatLeavesCachesEmptyWritesTheSameText) {
  const RefCntPtr<ConnectionTableInfoPresModel> fresh = Entry(QStringLiteral("lines"));
  const RefCntPtr<ConnectionTableInfoPresModel> cached = Entry(QStringLiteral("orders"));
  Write(cached);
  const std::string cachedText = cached->GetSerializedJson();
  const RefCntPtr<TableEnumerationPresModel> table = Table({fresh, cached});
  const std::string once = WriteParametersJson(*table->AsIParameters(), Registry(), FirstWriteCaches::kLeaveEmpty);
  EXPECT_TRUE(table->GetSerializedJson().empty());
  EXPECT_TRUE(fresh->GetSerializedJson().empty());
  EXPECT_EQ(cached->GetSerializedJson(), cachedText);
  EXPECT_EQ(once, Write(table));
  EXPECT_FALSE(fresh->GetSerializedJson().empty());
}

// A long list makes room for its items from the first ones: its text must neither be copied
// into a buffer twice its size as it grows, also when its first item is shorter than the rest,
// nor sit in one much larger than itself (a large margin pushes long texts past the size that
// malloc maps afresh).
// Its caches are the texts of its records.
TEST(TextCacheTest, ALongListIsWrittenIntoOneBufferOfAboutItsSize) {
  std::vector<RefCntPtr<ConnectionTableInfoPresModel>> entries{Entry(QStringLiteral("a"))};
  for (int i = 0; i < 2000; ++i) entries.push_back(Entry(QStringLiteral("orders_%1").arg(i, 4, 10, QLatin1Char('0'))));
  const RefCntPtr<TableEnumerationPresModel> table = Table(entries);
  const std::string text = Write(table);
  EXPECT_LT(text.capacity(), text.size() / 8 * 9);
  EXPECT_EQ(BagText<TableEnumerationPresModel>(table->GetSerializedJson()), text);
  for (const std::size_t i : {std::size_t{0}, std::size_t{1000}, entries.size() - 1})
    EXPECT_EQ(BagText<ConnectionTableInfoPresModel>(entries[i]->GetSerializedJson()),
              Write(Entry(entries[i]->GetCaption())));
}

// A streamed text is the written one, handed over in pieces of bounded size as the list is
// written; its records keep no cache, and one written before is replayed from its own.
TEST(TextCacheTest, AStreamedTextIsTheWrittenOneInBoundedPieces) {
  std::vector<RefCntPtr<ConnectionTableInfoPresModel>> entries;
  for (int i = 0; i < 8000; ++i) entries.push_back(Entry(QStringLiteral("orders_%1").arg(i, 4, 10, QLatin1Char('0'))));
  const std::string whole =
      WriteParametersJson(*Table(entries)->AsIParameters(), Registry(), FirstWriteCaches::kLeaveEmpty);
  Write(entries[5]);
  const std::string replayed = entries[5]->GetSerializedJson();
  const RefCntPtr<TableEnumerationPresModel> table = Table(entries);

  std::vector<std::string> pieces;
  StreamParametersJson(*table->AsIParameters(), Registry(), [&](std::string_view piece) { pieces.emplace_back(piece); });
  std::string joined;
  for (const std::string& piece : pieces) {
    EXPECT_LT(piece.size(), std::size_t{1} << 20);
    joined += piece;
  }
  EXPECT_GT(pieces.size(), 2u);
  EXPECT_EQ(joined, whole);
  EXPECT_TRUE(table->GetSerializedJson().empty());
  EXPECT_TRUE(entries[4]->GetSerializedJson().empty());
  EXPECT_EQ(entries[5]->GetSerializedJson(), replayed);
}

}  // namespace
