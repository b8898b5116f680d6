#include "host/Exceptions.h"
#include "host/parameters/SerializeStructure.h"
#include "host/values/DataColumn.h"
#include "host/values/DataNamespace.h"
#include "host/values/DataValue.h"
#include "host/values/DataValueText.h"
#include "tests/host/TestVocabulary.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDomDocument>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using Serializer = ParameterTypeSerializer<DataValue>;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

DataValue Null(DataType type) { return DataValue::MakeSpecial(DataValue::kSpecialNull, type); }

// Strings that stress every text form: delimiters, escapes, the null keyword, non-ASCII.
std::vector<QString> HardStrings() {
  return {Text(""),       Text("plain"),   Text("100%"),  Text("#1"),     Text("\\%"),        Text("\\#\\\\%"),
          Text("a\"b\"\""), Text("\\"),      Text("null"),  Text("%null%"), Text("\\%null\\%"), Text("%null"),
          Text("é漢字😀"),   Text("line\nbreak\t")};
}

// One value of every type and its null, plus the empty value.
std::vector<DataValue> SampleValues() {
  std::vector<DataValue> values = {
      DataValue(),
      DataValue::MakeBoolean(true),
      DataValue::MakeBoolean(false),
      DataValue::MakeInteger(0),
      DataValue::MakeInteger(std::numeric_limits<std::int64_t>::min()),
      DataValue::MakeInteger(std::numeric_limits<std::int64_t>::max()),
      DataValue::MakeReal(0.1),
      DataValue::MakeReal(-1e300),
      DataValue::MakeReal(std::nan("")),
      DataValue::MakeReal(-HUGE_VAL),
      DataValue::MakeDate(QDate(1, 1, 1)),
      DataValue::MakeDate(QDate(2024, 2, 29)),
      DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 0, 250), Qt::UTC)),
      DataValue::MakeDateTime(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC)),
      DataValue::MakeSpatial(Text("POINT (1 2)")),
      DataValue::MakeBinary(QByteArray()),
      DataValue::MakeBinary(QByteArray("\x00\xff", 2)),
  };
  for (const QString& text : HardStrings()) values.push_back(DataValue::MakeString(text));
  for (int type = 0; type < static_cast<int>(DataType::Unknown); ++type)
    values.push_back(Null(static_cast<DataType>(type)));
  return values;
}

// --- DataValue ----------------------------------------------------------------------------------

TEST(DataValueTest, EmptyNullAndValuesAreDistinct) {
  const DataValue empty;
  EXPECT_FALSE(empty.HasValue());
  EXPECT_EQ(empty.GetType(), DataType::Unknown);
  EXPECT_EQ(Null(DataType::Unknown), empty);  // the null of no type is the empty value

  const DataValue null = Null(DataType::Integer);
  EXPECT_TRUE(null.HasValue());
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(null.GetSpecial(), 1);
  EXPECT_NE(null, Null(DataType::Real));
  EXPECT_NE(null, DataValue::MakeInteger(0));
  EXPECT_NE(DataValue::MakeString(Text("x")), DataValue::MakeSpatial(Text("x")));
  EXPECT_EQ(DataValue::MakeReal(std::nan("")), DataValue::MakeReal(std::nan("")));

  const std::vector<DataValue> values = SampleValues();
  for (size_t i = 0; i < values.size(); ++i)
    for (size_t j = 0; j < values.size(); ++j) EXPECT_EQ(values[i] == values[j], i == j) << i << " " << j;
}

TEST(DataValueTest, RejectsWhatItCannotHold) {
  EXPECT_THROW(DataValue::MakeSpecial(2, DataType::Integer), LogicException);
  EXPECT_THROW(DataValue::MakeSpecial(0, DataType::Integer), LogicException);
  EXPECT_THROW(DataValue::MakeDate(QDate()), LogicException);
  EXPECT_THROW(DataValue::MakeDate(QDate(10000, 1, 1)), LogicException);
  EXPECT_THROW(DataValue::MakeSpatial(QString()), LogicException);
  EXPECT_THROW(DataValue::MakeInteger(1).GetString(), LogicException);
  EXPECT_THROW(Null(DataType::Integer).GetInteger(), LogicException);
  EXPECT_THROW(DataValue().GetBoolean(), LogicException);
  EXPECT_EQ(DataValue::MakeSpatial(Text("POINT (1 2)")).GetString(), Text("POINT (1 2)"));
}

TEST(DataValueTest, DatetimesKeepTheWallClockAndDropTheZone) {
  const DataValue value = DataValue::MakeDateTime(QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::OffsetFromUTC, 3600));
  EXPECT_EQ(value, DataValue::MakeDateTime(QDateTime(QDate(2024, 3, 31), QTime(2, 30), Qt::UTC)));
}

// --- ParameterTypeSerializer<DataValue> ---------------------------------------------------------

TEST(DataValueSerializerTest, WritesTheTypeThenThePlainText) {
  const std::vector<std::pair<DataValue, const char*>> cases = {
      {DataValue::MakeInteger(-12), "-12"},
      {DataValue::MakeReal(1e21), "1e+21"},
      {DataValue::MakeReal(-HUGE_VAL), "-inf"},
      {DataValue::MakeBoolean(false), "false"},
      {DataValue::MakeString(Text("a\"%#")), "a\"%#"},
      {DataValue::MakeString(Text("%null%")), "%null%"},
      {DataValue::MakeDate(QDate(5, 1, 2)), "0005-01-02"},
      {DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 0, 250), Qt::UTC)), "2024-02-29T13:05:00.250"},
      {DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(7, 0), Qt::UTC)), "2024-02-29T07:00:00"},
      {DataValue::MakeBinary(QByteArray("\x00\xff", 2)), "0x00ff"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(ContextualDataValueSerializerCore::ToString(value), Text(text));
    EXPECT_EQ(Serializer::TypeToString(value),
              DataEnumEncodings::DataTypes().Encode(value.GetType()) + QLatin1Char(':') + Text(text));
  }
  EXPECT_EQ(ContextualDataValueSerializerCore::ToString(DataValue()), QString());
  EXPECT_EQ(Serializer::TypeToString(DataValue()), QString());
  EXPECT_EQ(ContextualDataValueSerializerCore::ToString(Null(DataType::Integer)), Text("null"));
  EXPECT_EQ(ContextualDataValueSerializerCore::ToString(Null(DataType::String)), DataValueFormatter::valueNull);
  EXPECT_EQ(Serializer::TypeToString(Null(DataType::String)), Text("string%null%"));
  EXPECT_EQ(Serializer::TypeToString(Null(DataType::Date)), Text("date%null%"));
}

TEST(DataValueSerializerTest, EveryValueRoundTrips) {
  RefCntPtr<IParameterSerializer> serializer = CreateParameterSerializer<Serializer>();
  for (const DataValue& value : SampleValues()) {
    const QString text = Serializer::TypeToString(value);
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(Serializer::TypeFromString(text), value);
    EXPECT_EQ(GetValueOf<DataValue>(serializer->ValueFromString(serializer->ValueToString(MakeValParameter(value)))),
              value);
  }
}

TEST(DataValueSerializerTest, RejectsTextOfAnotherForm) {
  for (const char* text : {"integer", "integer:", "integer:1.5", "integer:99999999999999999999", "Integer:1", ":1",
                           "unknown:", "unknown%null%", "nosuch:1", "integer%nul%", "integer %null%", "boolean:TRUE",
                           "date:2024-02-30", "date:#2024-01-01#", "date:24-01-01", "datetime:2024-01-01T25:00",
                           "binary:0x0", "binary:00ff", "spatial:", "real:1,5", "real:0x10"})
    EXPECT_THROW(Serializer::TypeFromString(Text(text)), ParameterParseException) << text;
}

// --- Plain texts and literals -------------------------------------------------------------------

TEST(DataValueTextTest, EveryLiteralReadsBackForItsType) {
  for (const DataValue& value : SampleValues()) {
    const QString literal = DataValueFormatter::Format(value);
    SCOPED_TRACE(literal.toStdString());
    EXPECT_EQ(DataValueParser::ParseGeneric(value.GetType(), Collation(), -1, -1, literal, false), value);
  }
}

TEST(DataValueTextTest, StringLiteralsEscapeOnlyPercentAndHash) {
  const auto parse = [](const char* literal) {
    return DataValueParser::ParseGeneric(DataType::String, Collation(), -1, -1, Text(literal), false);
  };
  EXPECT_EQ(parse(R"("a\%b\#c\d\\")"), DataValue::MakeString(Text(R"(a%b#c\d\\)")));
  EXPECT_EQ(parse(R"("100%")"), DataValue::MakeString(Text("100%")));
  EXPECT_EQ(parse(R"("say "hi"")"), DataValue::MakeString(Text(R"(say "hi")")));
  EXPECT_EQ(parse(R"("%null%")"), Null(DataType::String));
  EXPECT_EQ(parse(R"("\%null\%")"), DataValue::MakeString(Text("%null%")));
  EXPECT_EQ(parse("%null%"), Null(DataType::String));
  EXPECT_EQ(parse(""), DataValue());
  EXPECT_THROW(parse("unquoted"), ParameterParseException);
  EXPECT_THROW(parse("\""), ParameterParseException);
}

TEST(DataValueTextTest, OtherLiteralsAndTheirFailures) {
  const auto parse = [](DataType type, const char* literal, bool lenient = false) {
    return DataValueParser::ParseGeneric(type, Collation(), -1, -1, Text(literal), lenient);
  };
  EXPECT_EQ(parse(DataType::Date, "#2024-02-29#"), parse(DataType::Date, "2024-02-29"));
  EXPECT_EQ(parse(DataType::DateTime, "#2024-02-29#"),
            DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC)));
  EXPECT_EQ(parse(DataType::DateTime, "2024-02-29 13:05:00.5"),
            DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5, 0, 500), Qt::UTC)));
  EXPECT_EQ(parse(DataType::Integer, "%null%"), Null(DataType::Integer));
  EXPECT_EQ(parse(DataType::Integer, "twelve", true), Null(DataType::Integer));
  for (auto [type, literal] : std::vector<std::pair<DataType, const char*>>{
           {DataType::Integer, "null"}, {DataType::Integer, "1e3"}, {DataType::Boolean, "1"},
           {DataType::Date, "#2024-02-29"}, {DataType::Date, "2024-02-29T00:00"}, {DataType::Binary, "0xz0"},
           {DataType::Unknown, "x"}, {DataType::Real, " 1"}, {DataType::Integer, "%nothing%"}})
    EXPECT_THROW(parse(type, literal), ParameterParseException) << literal;
  try {
    DataValueParser::ParseGeneric(DataType::Integer, Collation(), 3, 7, Text("x"), false);
    FAIL() << "no exception";
  } catch (const ParameterParseException& e) {
    EXPECT_STREQ(e.what(), "Cannot parse parameter text: \"x\" is not a literal of type integer at line 3, column 7");
  }
}

TEST(DataValueTextTest, ColumnParserChecksTheSourceVersion) {
  QDomDocument document;
  QDomElement root = document.createElement(Text("value"));
  document.appendChild(root);
  root.appendChild(document.createTextNode(Text(" 42 ")));
  const RefCntPtr<DataColumn> column =
      MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(DataType::Integer), std::vector<DataValue>());

  EXPECT_THROW(ColumnDataValueParser(root, *column, false, false).Parse(root), ParameterParseException);
  EXPECT_EQ(ColumnDataValueParser(root, *column, true, false).Parse(root), DataValue::MakeInteger(42));
  EXPECT_EQ(ColumnDataValueParser(root, *column, false, true).Parse(root), Null(DataType::Integer));

  root.setAttribute(Text(":source-version"), Text("8.9"));
  EXPECT_NO_THROW(ColumnDataValueParser(root, *column, true, false));
  root.setAttribute(Text(":source-version"), Text("9.0"));
  EXPECT_THROW(ColumnDataValueParser(root, *column, true, false), ParameterParseException);
}

TEST(DataValueTextTest, VersionNumbers) {
  const VersionNumber version(Text("2024.1.03-beta"), QLatin1Char('.'), QLatin1Char('-'), 0);
  EXPECT_EQ(version.GetComponents(), (std::vector<int>{2024, 1, 3}));
  EXPECT_EQ(version.GetSuffix(), Text("beta"));
  EXPECT_EQ(version.GetAsString(), Text("2024.1.3-beta"));
  EXPECT_EQ(VersionNumber(Text("8.0"), QLatin1Char('.'), QLatin1Char('-'), 0).GetAsString(), Text("8.0"));
  for (const char* text : {"", "8.", ".8", "8..0", "8.0-", "+8", "8.x", " 8", "99999999999"})
    EXPECT_THROW(VersionNumber(Text(text), QLatin1Char('.'), QLatin1Char('-'), 0), ParameterParseException) << text;
}

// --- User input ---------------------------------------------------------------------------------

TEST(DataValueInputTest, ReadsThePlainTextFirstThenTheLocalesForms) {
  constexpr unsigned int kGerman = 0x0407;
  const auto parse = [](DataType type, const char* text, unsigned int lcid = LocaleHelper::kLcidEnglishUS) {
    return DataValueInputParser(type).Parse(Text(text), lcid);
  };
  EXPECT_EQ(parse(DataType::Real, "1,234.5"), DataValue::MakeReal(1234.5));
  EXPECT_EQ(parse(DataType::Real, "1.234,5", kGerman), DataValue::MakeReal(1234.5));
  EXPECT_EQ(parse(DataType::Real, "0.5", kGerman), DataValue::MakeReal(0.5));  // the plain text wins
  EXPECT_EQ(parse(DataType::Integer, " 1,000 "), DataValue::MakeInteger(1000));
  EXPECT_EQ(parse(DataType::Date, "2/29/2024"), DataValue::MakeDate(QDate(2024, 2, 29)));
  EXPECT_EQ(parse(DataType::Date, "29.02.2024", kGerman), DataValue::MakeDate(QDate(2024, 2, 29)));
  EXPECT_EQ(parse(DataType::DateTime, "2024-02-29T13:05:00"),
            DataValue::MakeDateTime(QDateTime(QDate(2024, 2, 29), QTime(13, 5), Qt::UTC)));
  EXPECT_EQ(parse(DataType::Boolean, "TRUE"), DataValue::MakeBoolean(true));
  EXPECT_EQ(parse(DataType::String, " as typed "), DataValue::MakeString(Text(" as typed ")));
  EXPECT_EQ(parse(DataType::String, "null"), DataValue::MakeString(Text("null")));
  EXPECT_EQ(parse(DataType::String, "%null%"), Null(DataType::String));
  for (const char* text : {"", "NULL", "%null%"}) EXPECT_EQ(parse(DataType::Date, text), Null(DataType::Date)) << text;
  for (const char* text : {"12x", "1.2.3", "0x1"})
    EXPECT_THROW(parse(DataType::Integer, text), ParameterParseException);
  EXPECT_THROW(parse(DataType::Date, "2/30/2024"), ParameterParseException);
  EXPECT_THROW(parse(DataType::Unknown, "x"), ParameterParseException);
}

// --- Column value lists -------------------------------------------------------------------------

TEST(DataValueListTest, WritesEachValueSoThatItsColumnReadsItBack) {
  using namespace testvocabulary;
  ParametersRegistry registry;
  Register(registry);
  const auto write = [&registry](const std::vector<DataValue>& values, DataType type) {
    SerializeStructure ss(registry);
    DataSerializerHelpers::SerializeDataValueVector(ss, kList, values, type);
    return ss.GetJson();
  };
  EXPECT_EQ(write({DataValue::MakeInteger(3), Null(DataType::Integer)}, DataType::Integer), R"({"list":["3",""]})");
  EXPECT_EQ(write({}, DataType::Date), R"({"list":[]})");
  std::vector<DataValue> strings;
  for (const char* text : {"100%", R"(a\%b)", R"(\#\\%)", "%null%", ""})
    strings.push_back(DataValue::MakeString(Text(text)));
  strings.push_back(Null(DataType::String));
  EXPECT_EQ(write(strings, DataType::String), R"({"list":["100%","a\\\\%b","\\\\#\\\\\\%","\\%null\\%","","%null%"]})");

  SerializeStructure ss(registry);
  EXPECT_THROW(DataSerializerHelpers::SerializeDataValueVector(
                   ss, kList, {DataValue::MakeInteger(1), DataValue::MakeReal(1)}, DataType::Integer),
               LogicException);
  EXPECT_EQ(ss.GetJson(), "{}");  // nothing written
}

// --- Columns and where they come from -----------------------------------------------------------

TEST(DataValueColumnTest, HoldsValuesOfItsOwnTypeOnly) {
  const Collation collation(Text("LEN_RUS_S2"), 204);
  const RefCntPtr<DataColumn> strings =
      MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::StringType>(collation),
                             std::vector<DataValue>{DataValue::MakeString(Text("a")), Null(DataType::String)});
  EXPECT_EQ(strings->GetDataTypeCode(), 2);
  EXPECT_EQ(strings->GetCollation(), collation);
  EXPECT_EQ(strings->GetValues().size(), 2u);
  const RefCntPtr<DataColumn> dates =
      MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(DataType::Date), std::vector<DataValue>());
  EXPECT_EQ(dates->GetCollation(), Collation::GetUnknownCollation());
  EXPECT_EQ(dates->GetUserType().GetKind(), 3);

  EXPECT_THROW(MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(DataType::Date),
                                      std::vector<DataValue>{DataValue::MakeString(Text("2024-01-01"))}),
               LogicException);
  EXPECT_THROW(
      MakeRefCnt<DataColumn>(MakeRefCnt<VizEngine::SimpleType>(DataType::Date), std::vector<DataValue>{DataValue()}),
      LogicException);
  EXPECT_THROW(MakeRefCnt<DataColumn>(nullptr, std::vector<DataValue>()), LogicException);
}

class CountingObject : public IHostObject {
 public:
  CountingObject() { ++live; }
  ~CountingObject() override { --live; }
  static inline int live = 0;
};

// The namespaces a column is found in are checked with the data value serializers.
TEST(DataValueColumnTest, HostObjectsComeFromTheirRegisteredCreator) {
  EXPECT_THROW(ObjectFactoryUtils::CreateObject("Test", "Counting"), LogicException);
  ObjectFactoryUtils::RegisterCreator("Test", "Counting", [] { return std::make_unique<CountingObject>(); });
  {
    std::unique_ptr<IHostObject> object = ObjectFactoryUtils::CreateObject("Test", "Counting");
    EXPECT_NE(dynamic_cast<CountingObject*>(object.get()), nullptr);
    EXPECT_EQ(CountingObject::live, 1);
  }
  EXPECT_EQ(CountingObject::live, 0);
  ObjectFactoryUtils::RegisterCreator("Test", "Counting", [] { return std::unique_ptr<IHostObject>(); });
  EXPECT_THROW(ObjectFactoryUtils::CreateObject("Test", "Counting"), LogicException);
  ObjectFactoryUtils::UnregisterCreator("Test", "Counting");
  EXPECT_THROW(ObjectFactoryUtils::CreateObject("Test", "Counting"), LogicException);
}

}  // namespace
