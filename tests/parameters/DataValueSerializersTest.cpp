#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataValueText.h"
#include "parameters/DataValueSerializers.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"
#include "presentation-model/StringCollationPresModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using ColumnSerializer = StructSerializer<RefCntPtr<const DataColumn>, RefCntPtr<DataColumn>>;
using TableSerializer = StructSerializer<RefCntPtr<const DataTable>, RefCntPtr<const DataTable>>;
using NamedColumn = std::pair<QualifiedName, RefCntPtr<DataColumn>>;
using AliasedSerializer = StructSerializer<AliasedDataValue, AliasedDataValue>;
using VerboseSerializer =
    StructSerializer<VerboselySerializableAliasedDataValue, VerboselySerializableAliasedDataValue>;

namespace ids = DataParameters;

// The library makes its aliased value serializer with a factory of its own, which it does not
// export; the class itself is exported.
RefCntPtr<IStructureSerializer> CreateAliasedSerializer() { return MakeRefCnt<AliasedSerializer>(); }

constexpr unsigned int kVerboseValue = 0x21;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

DataValue Null(DataType type) { return DataValue::MakeSpecial(DataValue::kSpecialNull, type); }

RefCntPtr<DataColumn> Column(DataType type, std::vector<DataValue> values, const Collation& collation = Collation()) {
  if (type == DataType::String)
    return MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::StringType>(collation), std::move(values));
  return MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(type), std::move(values));
}

// One column of every type, each with values that stress its text forms.
std::vector<RefCntPtr<DataColumn>> SampleColumns() {
  std::vector<DataValue> strings;
  for (const char* text : {"", "100%", "#1", R"(\%\#)", R"(a"b\)", "null", "%null%", R"(\%null\%)", "é漢字😀"})
    strings.push_back(DataValue::MakeString(Text(text)));
  strings.push_back(Null(DataType::String));
  return {
      Column(DataType::String, strings),
      Column(DataType::Integer, {DataValue::MakeInteger(-3), Null(DataType::Integer), DataValue::MakeInteger(0)}),
      Column(DataType::Real, {DataValue::MakeReal(0.1), DataValue::MakeReal(std::nan("")), Null(DataType::Real)}),
      Column(DataType::Boolean, {DataValue::MakeBoolean(true), Null(DataType::Boolean)}),
      Column(DataType::Date, {DataValue::MakeDate(QDate(2024, 2, 29)), Null(DataType::Date)}),
      Column(DataType::DateTime, {DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 0, 7), Qt::UTC)),
                                  Null(DataType::DateTime)}),
      Column(DataType::Binary,
             {DataValue::MakeBinary(QByteArray()), DataValue::MakeBinary("\x01"), Null(DataType::Binary)}),
      Column(DataType::Spatial, {DataValue::MakeSpatial(Text("POINT (1 2)")), Null(DataType::Spatial)}),
  };
}

void ExpectSameColumn(const IColumn& actual, const IColumn& expected) {
  EXPECT_EQ(actual.GetDataType(), expected.GetDataType());
  EXPECT_EQ(actual.GetCollation(), expected.GetCollation());
  EXPECT_EQ(actual.GetValues(), expected.GetValues());
}

// A private registry with the library's vocabulary and a test-only parameter for verbose values,
// which the data namespace has none of.
class DataValueSerializersTest : public ::testing::Test {
 protected:
  DataValueSerializersTest() {
    RegisterDataNamespaceParameters(m_registry);
    const ParameterNamespaceName ns(L"verbose-test");
    m_registry.RegisterNamespace(ns, 0x20, 0x2f);
    m_registry.AddParametersToNamespace(ns, [](AbstractParamAdder& adder) {
      adder.AddStructure(kVerboseValue, L"verbose-value", CreateStructureSerializer<VerboseSerializer>().Get());
    });
  }

  RefCntPtr<IParameters> Bag() const { return m_registry.CreateParameters(); }

  template <typename T>
  std::string Write(unsigned int id, T value) const {
    RefCntPtr<IParameters> bag = Bag();
    bag->SetParameter(id, MakeValParameter(std::move(value)));
    return WriteParametersJson(*bag, m_registry);
  }

  RefCntPtr<IParameters> Read(const std::string& json, const IParameters* context = nullptr) const {
    return ReadParametersJson(json, m_registry, context);
  }

  // A context that reads aliased values against `column`.
  RefCntPtr<IParameters> ColumnContext(RefCntPtr<IColumn> column) const {
    RefCntPtr<IParameters> context = Bag();
    context->SetParameter(ids::ColumnContext, MakeValParameter(std::move(column)));
    return context;
  }

  ParametersRegistry m_registry;
};

// The id of the TypeMismatchCommandException that `read` raises; 0 when it raises none.
unsigned int MismatchedId(const std::function<void()>& read) {
  try {
    read();
  } catch (const TypeMismatchCommandException& e) {
    return e.GetParameterId();
  }
  return 0;
}

// The id of the ParameterParseException that `read` raises: ~0u when it names no parameter,
// 0 when it raises none.
unsigned int UnparsableId(const std::function<void()>& read) {
  try {
    read();
  } catch (const ParameterParseException& e) {
    return e.GetParameterId() == 0 ? ~0u : e.GetParameterId();
  }
  return 0;
}

// --- Reading against a column -----------------------------------------------------------------

TEST_F(DataValueSerializersTest, ContextualTextsReadAgainstTheColumnsType) {
  const auto read = [](const char* text, DataType type) {
    return ContextualDataValueSerializer::FromString(Text(text), *Column(type, {}));
  };
  EXPECT_EQ(read("100%", DataType::String), DataValue::MakeString(Text("100%")));
  EXPECT_EQ(read(R"(a#b\%\#)", DataType::String), DataValue::MakeString(Text(R"(a#b\%\#)")));
  EXPECT_EQ(read("null", DataType::String), DataValue::MakeString(Text("null")));
  EXPECT_EQ(read("%null%", DataType::String), Null(DataType::String));
  EXPECT_EQ(read("", DataType::String), DataValue::MakeString(QString()));
  EXPECT_EQ(read("null", DataType::Integer), Null(DataType::Integer));
  EXPECT_EQ(read("null", DataType::Date), Null(DataType::Date));
  EXPECT_EQ(read("-12", DataType::Integer), DataValue::MakeInteger(-12));
  EXPECT_EQ(read("2024-02-29", DataType::Date), DataValue::MakeDate(QDate(2024, 2, 29)));
  EXPECT_EQ(read("2024-02-29T13:05:00", DataType::DateTime),
            DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5), Qt::UTC)));
  EXPECT_EQ(read("", DataType::Integer), DataValue());
  for (auto [text, type] : std::vector<std::pair<const char*, DataType>>{{"NULL", DataType::Integer},
                                                                         {"#2024-02-29#", DataType::Date},
                                                                         {"1.5", DataType::Integer},
                                                                         {"x", DataType::Boolean}})
    EXPECT_THROW(read(text, type), ParameterParseException) << text;

  // Every value reads back from its plain text; only the string "%null%" is ambiguous.
  for (const RefCntPtr<DataColumn>& column : SampleColumns())
    for (const DataValue& value : column->GetValues()) {
      const QString text = ContextualDataValueSerializerCore::ToString(value);
      if (text == DataValueFormatter::valueNull && !value.IsNull()) continue;
      EXPECT_EQ(ContextualDataValueSerializer::FromString(text, *column), value) << text.toStdString();
    }
}

TEST_F(DataValueSerializersTest, FindsTheColumnOfAFieldInItsNamespace) {
  MemoryNamespace ns;
  const RefCntPtr<DataColumn> region = Column(DataType::Integer, {});
  ns.AddDataSource(Text("sales")).SetColumn(FieldName(Text("Region")), region);
  RefCntPtr<IParameters> bag = Bag();
  bag->SetParameter(ids::ColumnName, MakeValParameter(FieldName(Text("Region"))));
  const RefCntPtr<const IParameters> constBag = bag;

  EXPECT_EQ(ContextualDataValueSerializer::GetColumn(constBag, ns, ids::ColumnName, Text("sales")), region);
  EXPECT_EQ(ContextualDataValueSerializer::GetColumn(constBag, ns, ids::ColumnName, Text("other")), nullptr);
  bag->SetParameter(ids::Alias, MakeValParameter(FieldName(Text("Profit"))));
  EXPECT_EQ(ContextualDataValueSerializer::GetColumn(constBag, ns, ids::Alias, Text("sales")), nullptr);
  bag->SetParameter(ids::Name, MakeValParameter(Text("Region")));
  EXPECT_EQ(MismatchedId([&] { ContextualDataValueSerializer::GetColumn(constBag, ns, ids::Name, Text("sales")); }),
            ids::Name);
  EXPECT_EQ(MismatchedId([&] { ContextualDataValueSerializer::GetColumn(constBag, ns, ids::Count, Text("sales")); }),
            ids::Count);

  const IParameters* seen = nullptr;
  const auto getNamespace = [&](RefCntPtr<const IParameters>& asked) -> const INamespace& {
    seen = asked.Get();
    return ns;
  };
  EXPECT_EQ(ContextualDataValueSerializer::GetColumn(constBag, getNamespace, ids::ColumnName, Text("sales")), region);
  EXPECT_EQ(seen, bag.Get());

  // The host's parameter accessor is created for the call and deleted after it.
  class Accessor : public IParameterAccessor {
   public:
    Accessor(const INamespace& ns, int& live) : m_ns(ns), m_live(live) { ++m_live; }
    ~Accessor() override { --m_live; }
    const INamespace& GetNamespace(RefCntPtr<const IParameters>) const override { return m_ns; }

   private:
    const INamespace& m_ns;
    int& m_live;
  };
  int live = 0;
  ObjectFactoryUtils::RegisterCreator("HlvDoc", "ParameterAccessorID",
                                      [&] { return std::make_unique<Accessor>(ns, live); });
  EXPECT_EQ(ContextualDataValueSerializer::GetColumn(constBag, ids::ColumnName, Text("sales")), region);
  EXPECT_EQ(live, 0);
  ObjectFactoryUtils::UnregisterCreator("HlvDoc", "ParameterAccessorID");
  EXPECT_THROW(ContextualDataValueSerializer::GetColumn(constBag, ids::ColumnName, Text("sales")), LogicException);
}

// --- DataColumn -------------------------------------------------------------------------------

TEST_F(DataValueSerializersTest, WritesAColumnsTypeCollationAndValues) {
  const std::vector<DataValue> values = {DataValue::MakeString(Text("a")), Null(DataType::String)};
  const std::string strings = R"("data-values":["a","%null%"]}})";
  const std::pair<RefCntPtr<const DataColumn>, std::string> cases[] = {
      {Column(DataType::String, values, Collation(Text("LEN_RUS_S2"), 204)),
       R"({"data-column":{"data-type":"string","string-collation":{"name":"LEN_RUS_S2","charset-id":"204"},)" + strings},
      {Column(DataType::String, values, Collation(QString(), 1)),
       R"({"data-column":{"data-type":"string","string-collation":{"charset-id":"1"},)" + strings},
      {Column(DataType::String, values), R"({"data-column":{"data-type":"string",)" + strings},
      // A string column of the simple type has no collation to write either.
      {MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(DataType::String), values),
       R"({"data-column":{"data-type":"string",)" + strings},
      {Column(DataType::Date, {DataValue::MakeDate(QDate(2024, 1, 2)), Null(DataType::Date)}),
       R"({"data-column":{"data-type":"date","data-values":["2024-01-02",""]}})"},
  };
  for (const auto& [column, json] : cases) EXPECT_EQ(Write(ids::DataColumn, column), json);
  EXPECT_THROW(Write(ids::DataColumn, RefCntPtr<const DataColumn>()), LogicException);
}

TEST_F(DataValueSerializersTest, ColumnsOfEveryTypeRoundTrip) {
  for (const RefCntPtr<DataColumn>& column : SampleColumns()) {
    const std::string json = Write(ids::DataColumn, RefCntPtr<const DataColumn>(column));
    SCOPED_TRACE(json);
    const RefCntPtr<IParameters> bag = Read(json);
    const RefCntPtr<const DataColumn>* read = FindParameterValue<RefCntPtr<const DataColumn>>(*bag, ids::DataColumn);
    ASSERT_NE(read, nullptr);
    ExpectSameColumn(**read, *column);
    EXPECT_EQ(WriteParametersJson(*bag, m_registry), json);
  }
}

TEST_F(DataValueSerializersTest, ReadsAColumnFromItsTexts) {
  const auto read = [this](DataType type, std::vector<QString> texts) {
    RefCntPtr<IParameters> bag = Bag();
    bag->SetParameter(ids::DataType, MakeValParameter(type));
    bag->SetParameter(ids::DataValues, MakeValParameter(std::move(texts)));
    return ColumnSerializer::ToObject(*bag, ids::DataColumn);
  };
  // Strings are read as quoted literals: "%" and "#" stay, "\%" is an escape.
  EXPECT_EQ(read(DataType::String, {Text(""), Text("50% #1"), Text(R"(\%)")})->GetValues(),
            (std::vector<DataValue>{DataValue::MakeString(QString()), DataValue::MakeString(Text("50% #1")),
                                    DataValue::MakeString(Text("%"))}));
  EXPECT_EQ(read(DataType::Real, {Text(""), Text("2.5")})->GetValues(),
            (std::vector<DataValue>{Null(DataType::Real), DataValue::MakeReal(2.5)}));
  EXPECT_EQ(dynamic_cast<const VizEngine::StringType*>(&read(DataType::String, {})->GetUserType())->GetCollation(),
            Collation::GetUnknownCollation());
  EXPECT_EQ(dynamic_cast<const VizEngine::SimpleType*>(&read(DataType::Date, {})->GetUserType())->GetKind(), 3);
  EXPECT_THROW(read(DataType::Integer, {Text("null")}), ParameterParseException);
  EXPECT_THROW(read(DataType::Date, {Text("29/02/2024")}), ParameterParseException);

  RefCntPtr<StringCollationPresModel> record = MakeRefCnt<StringCollationPresModel>();
  record->SetCollationName(Text("LEN_RUS_S2"));
  record->SetCharSetID(204);
  RefCntPtr<IParameters> collated = Bag();
  collated->SetParameter(ids::DataType, MakeValParameter(DataType::String));
  collated->SetParameter(ids::StringCollation, MakeValParameter(RefCntPtr<const StringCollationPresModel>(record)));
  collated->SetParameter(ids::DataValues, MakeValParameter(std::vector<QString>{Text("a")}));
  EXPECT_EQ(ColumnSerializer::ToObject(*collated, ids::DataColumn)->GetCollation(), Collation(Text("LEN_RUS_S2"), 204));
}

TEST_F(DataValueSerializersTest, ColumnsAndTablesRequireTheirFields) {
  // Each JSON text and the id of the field it lacks or mistypes.
  const std::pair<std::string, unsigned int> faults[] = {
      {R"({"data-column":{"data-values":[]}})", ids::DataType},
      {R"({"data-column":{"data-type":"integer"}})", ids::DataValues},
      {R"({"data-column":{"data-type":"integer","data-values":"1"}})", ids::DataValues},
      {R"({"data-table":{"named-data-columns":[]}})", ids::Count},
      {R"({"data-table":{"count":"0"}})", ids::NamedDataColumns},
      {R"({"data-table":{"count":"0","named-data-columns":{}}})", ids::NamedDataColumns},
      {R"({"data-table":{"count":"1","named-data-columns":[{"data-type":"integer","data-values":[]}]}})",
       ids::DataColumnName},
      {R"({"data-table":{"count":"1","named-data-columns":[{"data-column-name":"[a]"}]}})", ids::DataType},
  };
  for (const auto& fault : faults)
    EXPECT_EQ(MismatchedId([&] { Read(fault.first); }), fault.second) << fault.first;

  RefCntPtr<IParameters> bag = Bag();
  bag->SetParameter(ids::DataType, MakeValParameter(Text("integer")));
  bag->SetParameter(ids::DataValues, MakeValParameter(std::vector<QString>()));
  EXPECT_EQ(MismatchedId([&] { ColumnSerializer::ToObject(*bag, ids::DataColumn); }), ids::DataType);

  RefCntPtr<IParameters> table = Bag();
  table->SetParameter(ids::Count, MakeValParameter(1));  // an int, not an unsigned int
  table->SetParameter(ids::NamedDataColumns, MakeValParameter(std::vector<NamedColumn>()));
  EXPECT_EQ(MismatchedId([&] { TableSerializer::ToObject(*table, ids::DataTable); }), ids::Count);
}

// --- DataTable and named columns --------------------------------------------------------------

TEST_F(DataValueSerializersTest, TablesRoundTripWithTheirNamedColumns) {
  const std::vector<NamedColumn> columns = {
      {QualifiedName({Text("Orders"), Text("Region")}),
       Column(DataType::Integer, {DataValue::MakeInteger(3), Null(DataType::Integer)})},
      {QualifiedName({Text("a]b")}),
       Column(DataType::String, {DataValue::MakeString(Text("x")), DataValue::MakeString(Text("%"))})},
  };
  const std::string json = Write(ids::DataTable, RefCntPtr<const DataTable>(MakeRefCnt<DataTable>(columns, 2)));
  EXPECT_EQ(json,
            R"({"data-table":{"count":"2","named-data-columns":[)"
            R"({"data-column-name":"[Orders].[Region]","data-type":"integer","data-values":["3",""]},)"
            R"({"data-column-name":"[a]]b]","data-type":"string","data-values":["x","%"]}]}})");

  const RefCntPtr<IParameters> bag = Read(json);
  const RefCntPtr<const DataTable>& table = *FindParameterValue<RefCntPtr<const DataTable>>(*bag, ids::DataTable);
  EXPECT_EQ(table->GetRowCount(), 2u);
  ASSERT_EQ(table->GetColumns().size(), 2u);
  for (size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(table->GetColumns()[i].first, columns[i].first);
    ExpectSameColumn(*table->GetColumns()[i].second, *columns[i].second);
  }
  EXPECT_EQ(Write(ids::DataTable, RefCntPtr<const DataTable>(MakeRefCnt<DataTable>(std::vector<NamedColumn>(), 0))),
            R"({"data-table":{"count":"0","named-data-columns":[]}})");
}

TEST_F(DataValueSerializersTest, NamedColumnsAreReadButWrittenOnlyByTheirTable) {
  const NamedColumn named(QualifiedName({Text("Region")}), Column(DataType::Boolean, {DataValue::MakeBoolean(false)}));
  EXPECT_EQ(Write(ids::NamedDataColumn, named), R"({"named-data-column":{}})");
  const RefCntPtr<IParameters> bag =
      Read(R"({"named-data-column":{"data-column-name":"[Region]","data-type":"boolean","data-values":["false"]}})");
  const NamedColumn& read = *FindParameterValue<NamedColumn>(*bag, ids::NamedDataColumn);
  EXPECT_EQ(read.first, named.first);
  ExpectSameColumn(*read.second, *named.second);
}

// --- Aliased data values ----------------------------------------------------------------------

TEST_F(DataValueSerializersTest, AliasedValuesAreTwoStringsReadAgainstTheColumnContext) {
  const AliasedDataValue west(DataValue::MakeInteger(3), Text("West"));
  const AliasedDataValue none(Null(DataType::Integer), QString());
  EXPECT_EQ(Write(ids::ValueAlias, west), R"({"value-alias":["3","West"]})");
  const std::string list = Write(ids::ValuesAliases, std::vector<AliasedDataValue>{west, none});
  EXPECT_EQ(list, R"({"values-aliases":[["3","West"],["null",""]]})");

  const RefCntPtr<IParameters> context = ColumnContext(Column(DataType::Integer, {}));
  const RefCntPtr<IParameters> bag = Read(list, context.Get());
  EXPECT_EQ(*FindParameterValue<std::vector<AliasedDataValue>>(*bag, ids::ValuesAliases),
            (std::vector<AliasedDataValue>{west, none}));
  EXPECT_EQ(WriteParametersJson(*bag, m_registry), list);  // the context itself is not written

  // A string column reads its texts as they are.
  const RefCntPtr<IParameters> strings = ColumnContext(Column(DataType::String, {}));
  EXPECT_EQ(*FindParameterValue<AliasedDataValue>(*Read(R"({"value-alias":["50% #1","Half"]})", strings.Get()),
                                                  ids::ValueAlias),
            AliasedDataValue(DataValue::MakeString(Text("50% #1")), Text("Half")));
}

TEST_F(DataValueSerializersTest, AliasedValuesNeedTwoStringsAndAColumn) {
  const RefCntPtr<IParameters> context = ColumnContext(Column(DataType::Integer, {}));
  EXPECT_EQ(UnparsableId([&] { Read(R"({"value-alias":["3","West"]})"); }), ids::ValueAlias);
  EXPECT_EQ(UnparsableId([&] { Read(R"({"value-alias":["3"]})", context.Get()); }), ids::ValueAlias);
  EXPECT_EQ(UnparsableId([&] { Read(R"({"value-alias":["3","West","x"]})", context.Get()); }), ids::ValueAlias);
  EXPECT_EQ(UnparsableId([&] { Read(R"({"value-alias":["three","West"]})", context.Get()); }), ~0u);

  RefCntPtr<IParameters> nullColumn = Bag();
  nullColumn->SetParameter(ids::ValueAlias, MakeValParameter(std::vector<QString>{Text("3"), Text("West")}));
  nullColumn->SetParameter(ids::ColumnContext, MakeValParameter(RefCntPtr<IColumn>()));
  EXPECT_EQ(UnparsableId([&] { AliasedSerializer::ToObject(*nullColumn, ids::ValueAlias); }), ids::ValueAlias);
  nullColumn->SetParameter(ids::ValueAlias, MakeValParameter(Text("3")));
  EXPECT_EQ(MismatchedId([&] { AliasedSerializer::ToObject(*nullColumn, ids::ValueAlias); }), ids::ValueAlias);
}

TEST_F(DataValueSerializersTest, AliasedValuesAreStringListsThatLeaveTheContextToTheReader) {
  RefCntPtr<IStructureSerializer> serializer = CreateAliasedSerializer();
  EXPECT_TRUE(serializer->ParsesStringList());
  EXPECT_FALSE(AliasedSerializer::IsComposite());
  // The reader hands the context on; the serializer copies nothing into the inner bag.
  const RefCntPtr<IParameters> source = ColumnContext(Column(DataType::Date, {}));
  RefCntPtr<IParameters> target = Bag();
  serializer->SetContext(source, ids::ValueAlias, target);
  EXPECT_TRUE(target->GetParameterIds().empty());

  // As a nested field of a record: the list scope of IsComposite(), then SerializeObj.
  SerializeStructure ss(m_registry);
  {
    SubStructure field(ids::ValueAlias, ss, AliasedSerializer::IsComposite());
    AliasedSerializer::SerializeObj(AliasedDataValue(DataValue::MakeString(Text("%null%")), Text("a")), ss);
  }
  EXPECT_EQ(ss.GetJson(), R"({"value-alias":["%null%","a"]})");
}

TEST_F(DataValueSerializersTest, VerboseValuesCarryTheirType) {
  const VerboselySerializableAliasedDataValue west(DataValue::MakeInteger(3), Text("West"));
  EXPECT_EQ(Write(kVerboseValue, west),
            R"({"verbose-value":{"alias":"West","value-string":"3","data-type":"integer"}})");
  EXPECT_EQ(Write(kVerboseValue, VerboselySerializableAliasedDataValue()),
            R"({"verbose-value":{"alias":"","value-string":"","data-type":"unknown"}})");

  std::vector<DataValue> values = {DataValue(), DataValue::MakeString(Text("a\"%#")), DataValue::MakeString(QString())};
  for (const RefCntPtr<DataColumn>& column : SampleColumns())
    for (const DataValue& value : column->GetValues())
      if (ContextualDataValueSerializerCore::ToString(value) != DataValueFormatter::valueNull || value.IsNull())
        values.push_back(value);
  for (const DataValue& value : values) {
    const VerboselySerializableAliasedDataValue verbose(value, Text("alias"));
    const std::string json = Write(kVerboseValue, verbose);
    const RefCntPtr<IParameters> bag = Read(json);
    const auto* read = FindParameterValue<VerboselySerializableAliasedDataValue>(*bag, kVerboseValue);
    ASSERT_NE(read, nullptr) << json;
    // The empty value has no type to read a value with: it comes back whole, alias and all.
    EXPECT_EQ(*read, value.HasValue() ? verbose : VerboselySerializableAliasedDataValue()) << json;
  }

  const auto readVerbose = [this](const std::string& fields) { Read(R"({"verbose-value":{)" + fields + "}}"); };
  EXPECT_EQ(MismatchedId([&] { readVerbose(R"("data-type":"unknown")"); }), 0u);  // the empty value needs nothing else
  EXPECT_EQ(MismatchedId([&] { readVerbose(R"("alias":"a","value-string":"1")"); }), ids::DataType);
  EXPECT_EQ(MismatchedId([&] { readVerbose(R"("alias":"a","data-type":"integer")"); }), ids::ValueString);
  EXPECT_EQ(MismatchedId([&] { readVerbose(R"("value-string":"1","data-type":"integer")"); }), ids::Alias);
  EXPECT_THROW(readVerbose(R"("alias":"a","value-string":"one","data-type":"integer")"), ParameterParseException);

  // The value string is user input in the session's locale.
  const unsigned int original = LocaleHelper::GetSessionLCID();
  LocaleHelper::SetSessionLCID(0x0407);
  const RefCntPtr<IParameters> german =
      Read(R"({"verbose-value":{"alias":"","value-string":"1.234,5","data-type":"real"}})");
  LocaleHelper::SetSessionLCID(original);
  EXPECT_EQ(FindParameterValue<VerboselySerializableAliasedDataValue>(*german, kVerboseValue)->GetValue(),
            DataValue::MakeReal(1234.5));
}

// --- What every record serializer shares ------------------------------------------------------

TEST_F(DataValueSerializersTest, ListsAndMapsSplitAndJoinElementByElement) {
  RefCntPtr<IStructureSerializer> serializer = CreateAliasedSerializer();
  const std::vector<AliasedDataValue> values = {AliasedDataValue(DataValue::MakeInteger(1), Text("one")),
                                                AliasedDataValue()};
  RefCntPtr<IParameters> target = Bag();
  serializer->JoinList(serializer->SplitList(MakeValParameter(values)), target, ids::ValuesAliases);
  EXPECT_EQ(*FindParameterValue<std::vector<AliasedDataValue>>(*target, ids::ValuesAliases), values);

  const std::map<QString, AliasedDataValue> map = {{Text("b"), values[0]}, {Text("a"), values[1]}};
  serializer->JoinMap(serializer->SplitMap(MakeValParameter(map)), target, ids::ValueAlias);
  EXPECT_EQ((*FindParameterValue<std::map<QString, AliasedDataValue>>(*target, ids::ValueAlias)), map);

  EXPECT_THROW(serializer->SplitList(MakeValParameter(values[0])), TypeMismatchCommandException);
  EXPECT_EQ(MismatchedId([&] { serializer->JoinList({MakeValParameter(1)}, target, ids::ValuesAliases); }),
            ids::ValuesAliases);
  SerializeStructure ss(m_registry);
  EXPECT_EQ(MismatchedId([&] {
              CreateStructureSerializer<ColumnSerializer>()->SerializeValue(MakeValParameter(values[0]),
                                                                            ids::DataColumn, ss, true);
            }),
            ids::DataColumn);
}

}  // namespace
