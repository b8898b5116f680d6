#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/QualifiedName.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

// The JSON writer writes the text's digits, quoted, without making the text.
TEST(HostSerializersTest, NumbersAndBooleansRoundTripAtTheirLimitsAndWriteTheirTextAsJson) {
  using Int = ParameterTypeSerializer<int>;
  using UInt = ParameterTypeSerializer<unsigned int>;
  using Bool = ParameterTypeSerializer<bool>;
  for (int value : {0, 7, -1, 10, -10, 123456789, INT_MIN, INT_MAX}) {
    EXPECT_EQ(Int::TypeFromString(Int::TypeToString(value)), value);
    EXPECT_EQ(Int::TypeToJson(value), '"' + Int::TypeToString(value).toStdString() + '"');
  }
  for (unsigned int value : {0u, 9u, 4000000000u, UINT_MAX}) {
    EXPECT_EQ(UInt::TypeFromString(UInt::TypeToString(value)), value);
    EXPECT_EQ(UInt::TypeToJson(value), '"' + UInt::TypeToString(value).toStdString() + '"');
  }
  EXPECT_EQ(Int::TypeToString(-2147483647 - 1), QStringLiteral("-2147483648"));
  EXPECT_EQ(Bool::TypeToString(true), QStringLiteral("true"));
  EXPECT_FALSE(Bool::TypeFromString(QStringLiteral("false")));
  EXPECT_EQ(Bool::TypeToJson(true), "\"true\"");
  EXPECT_EQ(Bool::TypeToJson(false), "\"false\"");
}

TEST(HostSerializersTest, RejectsTextThatIsNotExactlyANumberOrABoolean) {
  for (const char* text : {"", "-", "+1", " 1", "1 ", "1.0", "0x10", "2147483648", "-2147483649", "１"})
    EXPECT_THROW(ParameterTypeSerializer<int>::TypeFromString(QString::fromUtf8(text)), ParameterParseException) << text;
  for (const char* text : {"-1", "4294967296", "-0"})
    EXPECT_THROW(ParameterTypeSerializer<unsigned int>::TypeFromString(QString::fromUtf8(text)),
                 ParameterParseException)
        << text;
  for (const char* text : {"", "TRUE", "1", "yes"})
    EXPECT_THROW(ParameterTypeSerializer<bool>::TypeFromString(QString::fromUtf8(text)), ParameterParseException)
        << text;
}

// A full value written straight as JSON is the full value's TString written as a JSON string.
TEST(HostSerializersTest, QualifiedNamesWriteTheSameJsonWithoutATString) {
  const QString odd = QStringLiteral("q\"\\\n]") + QChar(0xD83D) + QChar(0xDE00) + QChar(0xDC00) + QString(300, QChar(0x44));
  for (const QualifiedName& name : {QualifiedName(), QualifiedName({QString()}), QualifiedName({QStringLiteral("a]]b"), odd}),
                                    QualifiedName({QStringLiteral("Zo\u00eb"), QStringLiteral("\u6771]")})}) {
    std::string expected = "{";
    AppendJsonString(expected, name.GetFullValue());
    std::string written = "{";
    ParameterTypeSerializer<QualifiedName>::AppendJson(written, name);
    EXPECT_EQ(written, expected);
  }
}

// Both readers of a full value, from a TString and from UTF-8, agree on every text: the same
// components, or the same refusal with the same message.
TEST(HostSerializersTest, QualifiedNamesParseAlikeFromUtf16AndUtf8) {
  const std::vector<std::pair<const char*, std::vector<const char*>>> valid = {
      {"", {}},
      {"[Sales].[dbo].[Orders]", {"Sales", "dbo", "Orders"}},
      {"dbo.Orders", {"dbo", "Orders"}},
      {"[a]]b].[x.y].[]", {"a]b", "x.y", ""}},
      {"[Zo\xc3\xab].caf\xc3\xa9", {"Zo\xc3\xab", "caf\xc3\xa9"}},
  };
  for (const auto& [text, parts] : valid) {
    std::vector<TString> components;
    for (const char* part : parts) components.push_back(QString::fromUtf8(part));
    EXPECT_EQ(QualifiedName::ParseGlobal(QString::fromUtf8(text)), QualifiedName(components)) << text;
    EXPECT_EQ(QualifiedName::ParseGlobalUtf8(text), QualifiedName(components)) << text;
    EXPECT_EQ(QualifiedName(components).GetFullValue(), QualifiedName::ParseGlobalUtf8(text).GetFullValue());
  }
  for (const char* text : {"[a", "a..b", "a.", " a.b", "a.b ", "\xc3\xab.[b]x", "\xc3\xab\xc3\xab[b]", "[a][b]"}) {
    TString utf16;
    TString utf8;
    try {
      QualifiedName::ParseGlobal(QString::fromUtf8(text));
    } catch (const ParameterParseException& e) {
      utf16 = e.GetMessage();
    }
    try {
      QualifiedName::ParseGlobalUtf8(text);
    } catch (const ParameterParseException& e) {
      utf8 = e.GetMessage();
    }
    EXPECT_FALSE(utf16.isEmpty()) << text;
    EXPECT_EQ(utf8, utf16) << text;
  }
}

// Lists, maps and values of another type are the shared body of every value serializer (numbers,
// strings, enums, the library's classes, images): they are checked once, here.
TEST(HostSerializersTest, ConvertsListsAndMapsElementByElement) {
  RefCntPtr<IParameterSerializer> serializer = CreateParameterSerializer<ParameterTypeSerializer<int>>();
  EXPECT_EQ(serializer->GetType(), kParameterTypeText);
  const std::vector<TString> texts = {QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("3")};
  RefCntPtr<IParameter> list = serializer->ListFromStrings(texts);
  EXPECT_EQ(GetValueOf<std::vector<int>>(list), (std::vector<int>{3, 1, 3}));
  EXPECT_EQ(serializer->ListToStrings(list), texts);

  const std::map<TString, TString> entries = {{QStringLiteral("Key One"), QStringLiteral("1")},
                                              {QStringLiteral("b"), QStringLiteral("-2")}};
  RefCntPtr<IParameter> map = serializer->MapFromStrings(entries);
  EXPECT_EQ((GetValueOf<std::map<TString, int>>(map).at(QStringLiteral("Key One"))), 1);  // keys unchanged
  EXPECT_EQ(serializer->MapToStrings(map), entries);
}

TEST(HostSerializersTest, ValuesOfAnotherTypeAreTypeMismatches) {
  RefCntPtr<IParameterSerializer> serializer = CreateParameterSerializer<TStringSerializer>();
  SerializeStructure ss(ParametersRegistry::Get());
  const RefCntPtr<IParameter> number = MakeValParameter(1);
  for (const auto& operation : std::vector<std::function<void()>>{
           [&] { serializer->ValueToString(number); },
           [&] { serializer->ListToStrings(number); },
           [&] { serializer->SerializeList(number, ss, 0xd930e08a); },
           [&] { serializer->MapToStrings(number); },
           [&] { serializer->ValueToString(nullptr); },
       }) {
    try {
      operation();
      ADD_FAILURE() << "no exception";
    } catch (const TypeMismatchCommandException& e) {
      EXPECT_EQ(e.GetParameterId(), 0u);
    }
  }
}

}  // namespace
