#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataEnums.h"
#include "parameters/DataParameterID.h"
#include "parameters/EnumSerializer.h"
#include "parameters/Enums.h"
#include "parameters/ParameterIds.h"
#include "parameters/StyleEnumSerializers.h"
#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>

namespace {

template <typename E>
TString Write(E value) {
  return ParameterTypeSerializer<E>::TypeToString(value);
}

template <typename E>
E Read(const char* text) {
  return ParameterTypeSerializer<E>::TypeFromString(QString::fromUtf8(text));
}

template <typename E>
std::int32_t ReadNumber(const char* text) {
  return static_cast<std::int32_t>(Read<E>(text));
}

TEST(EnumSerializersTest, AnchorPointIsTheReferenceMember) {
  EXPECT_EQ(Write(AnchorPoint::Begin), QStringLiteral("begin"));
  EXPECT_EQ(Write(AnchorPoint::Size), QStringLiteral("size"));
  EXPECT_EQ(Read<AnchorPoint>("end"), AnchorPoint::End);
  // Decoding is exact and case-sensitive; anything else is the default.
  for (const char* text : {"END", "End", "end ", "", "size\n"}) EXPECT_EQ(Read<AnchorPoint>(text), AnchorPoint::Begin);
  try {
    Write(static_cast<AnchorPoint>(3));
    FAIL() << "no exception";
  } catch (const XMLEnumEncodingException& e) {
    EXPECT_STREQ(e.what(), "AnchorPoint value 3 has no string");
  }
}

// Each table's entries and default are pinned by the CLI's table dump (tests/cli/enums.expected);
// here, a value a table of each shape has no string for cannot be written.
TEST(EnumSerializersTest, AValueWithoutAStringIsNotWrittenInTablesOfEveryShape) {
  EXPECT_THROW(Write(static_cast<TableCalc::RelativeAddress>(0)), XMLEnumEncodingException);  // negatives, no 0
  EXPECT_THROW(Write(static_cast<CredentialTypePropertiesFlag>(3)), XMLEnumEncodingException);  // bit flags
  EXPECT_THROW(Write(static_cast<MarkType>(3)), XMLEnumEncodingException);                     // gaps
  EXPECT_THROW(Write(static_cast<ButtonsOption>(0)), XMLEnumEncodingException);  // a default without an entry
  EXPECT_EQ(ReadNumber<ButtonsOption>("no-such-option"), 0);
  EXPECT_EQ(Write(static_cast<Expression::Op>(50)), QStringLiteral("op-invalid"));  // the long tables
}

// Every string decodes to its value, read as a TString or as UTF-8, and every value encodes to
// its string, as text and as JSON text.
TEST(EnumSerializersTest, EveryEntryOfEveryTableReadsAndWritesBothWays) {
  ASSERT_EQ(LibraryEnumTables().size(), 124u);
  for (const EnumStringTable* table : LibraryEnumTables()) {
    SCOPED_TRACE(table->GetName());
    for (const EnumStringTable::Entry& entry : table->GetEntries()) {
      const QByteArray utf8 = entry.text.toUtf8();
      std::string quoted;
      AppendJsonString(quoted, entry.text);
      EXPECT_EQ(table->Decode(entry.text), entry.value) << entry.text.toStdString();
      EXPECT_EQ(table->FindValueUtf8(std::string_view(utf8.data(), static_cast<std::size_t>(utf8.size()))),
                table->FindValue(entry.text));
      EXPECT_EQ(table->Encode(entry.value), entry.text);
      EXPECT_EQ(table->EncodeJson(entry.value), quoted);
    }
    EXPECT_EQ(table->DecodeUtf8("no such value"), table->GetDefault());
  }
  const EnumStringTable table("Sample", 1, {{1, QStringLiteral("one")}, {1, QStringLiteral("uno")}, {2, QStringLiteral("two")}});
  EXPECT_EQ(table.EncodeJson(1), "\"uno\"");  // the later string of a value wins
  EXPECT_THROW(table.EncodeJson(3), XMLEnumEncodingException);
}

TEST(EnumSerializersTest, TablesAreReadSafelyFromSeveralThreads) {
  // Every thread encodes and decodes every entry of every table many times over.
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &mismatches] {
      for (int round = 0; round < 50; ++round)
        for (const EnumStringTable* table : LibraryEnumTables())
          for (const EnumStringTable::Entry& entry : table->GetEntries())
            if (table->Decode(table->Encode(entry.value)) != entry.value) ++mismatches[t];
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(EnumSerializersTest, RegisteredEnumParametersTravelAsTheirEnum) {
  const RefCntPtr<IParameters> bag = ReadParametersJson(
      R"({"auth-mode":"auth-mode-basic","auth-options":["auth-oauth","nope"],"data-type":"string"})",
      ParametersRegistry::Get());
  EXPECT_EQ(GetParameterValue<AuthenticationEnums::Mode>(*bag, DataParameters::AuthMode),
            AuthenticationEnums::Mode::AuthModeBasic);
  EXPECT_EQ(GetParameterValue<std::vector<AuthenticationEnums::AuthOption>>(*bag, DataParameters::AuthOptions),
            (std::vector<AuthenticationEnums::AuthOption>{AuthenticationEnums::AuthOption::AuthOauth,
                                                          AuthenticationEnums::AuthOption::AuthOptionExplicit}));
  EXPECT_EQ(GetParameterValue<DataType>(*bag, DataParameters::DataType), DataType::String);
  EXPECT_EQ(WriteParametersJson(*bag, ParametersRegistry::Get()),
            R"({"auth-mode":"auth-mode-basic","auth-options":["auth-oauth","auth-option-explicit"],)"
            R"("data-type":"string"})");
}

TEST(EnumSerializersTest, HostEncodingsDecodeLeniently) {
  EXPECT_EQ(Write(AnimationOn::On), QStringLiteral("animation-on"));
  EXPECT_EQ(Read<AnimationStyle>("sequential"), AnimationStyle::Sequential);
  EXPECT_EQ(Read<LinePattern>("Dotted"), LinePattern::Solid);
  EXPECT_EQ(Write(LineVisibility::Off), QStringLiteral("off"));
  EXPECT_EQ(Read<StylesLinePattern>(""), StylesLinePattern::None);
  EXPECT_EQ(Read<StyleTheme>("modern"), StyleTheme::Modern);
  EXPECT_THROW(Write(static_cast<StyleTheme>(9)), XMLEnumEncodingException);
  EXPECT_THROW(StylesheetEncodings::StyleThemeEncodings::Singleton().Decode(QStringLiteral("x"), true),
               XMLEnumDecodingException);

  EXPECT_EQ(Write(DataType::DateTime), QStringLiteral("datetime"));
  EXPECT_EQ(Read<DataType>("no-such-type"), DataType::Unknown);
  EXPECT_EQ(Read<AggType>("countd"), AggType::CountD);
  EXPECT_EQ(Read<DatePeriodType>("fortnights"), DatePeriodType::Invalid);
  EXPECT_EQ(Write(CalendarType::Iso8601), QStringLiteral("iso-8601"));
}

TEST(EnumSerializersTest, DataParameterIdsAreWrittenAsParameterNames) {
  // The serializer is not exported: it is reached through its one parameter, "data-param-type".
  const IParameterSerializer& serializer =
      *ParametersRegistry::Get().FindParameter(DataParameters::DataParamType)->GetValueSerializer();
  const auto id = static_cast<DataParameterID>(DataParameters::InitialSql);
  EXPECT_EQ(serializer.ValueToString(MakeValParameter(id)), QStringLiteral("initial-sql"));
  EXPECT_EQ(GetValueOf<DataParameterID>(serializer.ValueFromString(QStringLiteral("learn-more-uri"))),
            static_cast<DataParameterID>(DataParameters::LearnMoreUri));
  // A name of another namespace, or of none, reads as 0; an unknown id cannot be written.
  EXPECT_EQ(GetValueOf<DataParameterID>(serializer.ValueFromString(QStringLiteral("gen-initial-sqlpres-model"))),
            DataParameterID{});
  EXPECT_THROW(serializer.ValueToString(MakeValParameter(static_cast<DataParameterID>(0xd9000000))),
               XMLEnumEncodingException);
  // Reading never fails, so text that names nothing gives 0, which no parameter has: such a
  // value cannot be written back.
  for (const char* text : {"", "&", "Initial-SQL"}) {
    const RefCntPtr<IParameter> nothing = serializer.ValueFromString(QString::fromUtf8(text));
    EXPECT_EQ(GetValueOf<DataParameterID>(nothing), DataParameterID{}) << text;
    try {
      serializer.ValueToString(nothing);
      ADD_FAILURE() << "written: " << text;
    } catch (const XMLEnumEncodingException& e) {
      EXPECT_STREQ(e.what(), "DataParameterID value 0 has no string");
    }
  }
}

}  // namespace
