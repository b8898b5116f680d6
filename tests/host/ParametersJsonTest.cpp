#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "tests/host/TestVocabulary.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace testvocabulary;
using InitialSQLSerializer = StructSerializer<RefCntPtr<const InitialSQLPresModel>, RefCntPtr<InitialSQLPresModel>>;

// The test namespace, whose structures are initial SQL records, beside the data namespace that
// names the records' fields.
class ParametersJsonTest : public ::testing::Test {
 protected:
  ParametersJsonTest() {
    RegisterDataNamespaceParameters(m_registry);
    Register(m_registry, CreateStructureSerializer<InitialSQLSerializer>().Get());
  }

  RefCntPtr<IParameters> Read(const std::string& json) const { return ReadParametersJson(json, m_registry); }
  std::string Write(const IParameters& bag) const { return WriteParametersJson(bag, m_registry); }
  std::string RoundTrip(const std::string& json) const { return Write(*Read(json)); }

  // The message of the ParameterParseException that reading `json` raises.
  std::string ReadError(const std::string& json) const {
    try {
      Read(json);
    } catch (const ParameterParseException& e) {
      return e.what();
    }
    return "no error";
  }

  ParametersRegistry m_registry;
};

TEST_F(ParametersJsonTest, ReadsEveryKindBackToTheSameText) {
  const std::string json =
      R"({"text":"t","list":["a","","a"],"map":{"b":"2","a":"1"},"flag":"true","number":"-7",)"
      R"("sub":{"is-supported":"true","initial-sql":"x"},"items":[{"learn-more-uri":"u"},{}],"verbatim-map":{}})";
  const RefCntPtr<IParameters> bag = Read(json);
  EXPECT_EQ(*FindParameterValue<TString>(*bag, kText), QStringLiteral("t"));
  EXPECT_EQ(FindParameterValue<std::vector<TString>>(*bag, kList)->size(), 3u);  // order and duplicates kept
  EXPECT_EQ(*FindParameterValue<int>(*bag, kCount), -7);
  const auto& sub = *FindParameterValue<RefCntPtr<const InitialSQLPresModel>>(*bag, kSub);
  EXPECT_TRUE(sub->GetIsSupported());
  EXPECT_EQ(sub->GetInitialSQL(), QStringLiteral("x"));
  EXPECT_EQ(FindParameterValue<std::vector<RefCntPtr<const InitialSQLPresModel>>>(*bag, kItems)->size(), 2u);

  // Maps come back in key order. How a record is written is its serializer's business.
  const std::string written = Write(*bag);
  EXPECT_EQ(written.rfind(R"({"text":"t","list":["a","","a"],"map":{"a":"1","b":"2"},"flag":"true","number":"-7",)"
                          R"("sub":{"is-supported":"true",)",
                          0),
            0u)
      << written;
  EXPECT_EQ(RoundTrip(written), written);
}

TEST_F(ParametersJsonTest, WritingThenReadingIsStable) {
  // Whatever the reader accepts, writing it, reading that and writing again changes nothing.
  for (const std::string json : {
           R"({})",
           R"({"text":"\u00e9\ud83d\ude00\"\\\/\b\f\n\r\t\u0001","unknown":[1,{"a":null}]})",
           R"({"map":{"k":"1","k":"2"},"list":[],"text":"a","text":"b"})",
           R"({"sub":{"initial-sql-parameters":["p","q"],"is-supported":"no-such"}})",
       }) {
    SCOPED_TRACE(json);
    std::string first;
    try {
      first = RoundTrip(json);
    } catch (const ParameterParseException&) {
      continue;  // rejected input has nothing to compare
    }
    EXPECT_EQ(RoundTrip(first), first);
  }
  EXPECT_EQ(RoundTrip(R"({"map":{"k":"1","k":"2"},"text":"a","text":"b"})"), R"({"map":{"k":"2"},"text":"b"})");
}

TEST_F(ParametersJsonTest, SkipsMembersThatDoNotFitTheirParameter) {
  const RefCntPtr<IParameters> bag = Read(
      R"({"unknown":"x","text":1,"list":["a",2],"map":{"k":[]},"flag":true,"sub":"not a record",)"
      R"("items":[{},"not a record"],"hidden":"x","number":null,"list":{},"map":[]})");
  EXPECT_TRUE(bag->GetParameterIds().empty());

  // Inside a record, a member of the wrong kind leaves that field at its default.
  const RefCntPtr<IParameters> record = Read(R"({"sub":{"is-supported":true,"initial-sql":"kept"}})");
  const auto& sub = *FindParameterValue<RefCntPtr<const InitialSQLPresModel>>(*record, kSub);
  EXPECT_FALSE(sub->GetIsSupported());
  EXPECT_EQ(sub->GetInitialSQL(), QStringLiteral("kept"));
}

// The reason after the offset is the JSON parser's own wording.
TEST_F(ParametersJsonTest, RejectsTextThatIsNotAJsonObjectSayingWhere) {
  for (const auto& [text, start] : std::vector<std::pair<std::string, const char*>>{
           {"", "invalid JSON at offset 0: "},
           {R"({"text":"a",})", "invalid JSON at offset 12: "},
           {R"({"text":"a"} x)", "invalid JSON at offset 13: "},
           // Text that is not UTF-8 is refused where the reader finds it, inside a string or not.
           {"{\"text\":\"ok\", \"n\":\"\xc3\xa9\xff\"}", "invalid JSON at offset 21: "},
           {"{\"text\":\xff}", "invalid JSON at offset 8: "},
           {"{\"text\":\"a\nb\"}", "invalid JSON at offset 10: "},
           // Control characters in a string long enough to be scanned in blocks.
           {"{\"text\":\"0123456789abcdefghij\x1f\"}", "invalid JSON at offset 29: "},
           {"{\"text\":\"0123456789abcdefghij\x1a\"}", "invalid JSON at offset 29: "},
           {R"({"text":1,"n":99e307})", "invalid JSON at offset 14: "},
           {R"(["text"])", "the JSON text is not an object"},
           {std::string("{\"text\":\"a\"}\0{}", 15), "invalid JSON at offset 12: unexpected NUL byte"}}) {
    const std::string error = ReadError(text);
    EXPECT_EQ(error.rfind(std::string("Cannot parse parameter text: ") + start, 0), 0u) << error;
  }
}

// A surrogate escape must be a high one followed by a low one; either half alone is refused,
// in a value or in a member name, while the pair reads as one character.
TEST_F(ParametersJsonTest, RefusesEitherHalfOfASurrogatePairAlone) {
  for (const char* text : {R"({"text":"\ud800"})", R"({"text":"\ud800\u0041"})", R"({"text":"a\udc00"})",
                           R"({"text":"\udfff\ud800"})", R"({"\udc00":"a"})"})
    EXPECT_NE(ReadError(text).find("surrogate"), std::string::npos) << text;
  EXPECT_EQ(ReadError(R"({"text":"ab\udc00"})"),
            "Cannot parse parameter text: invalid JSON at offset 18: a low surrogate escape without a high "
            "surrogate before it");
  EXPECT_EQ(RoundTrip(R"({"text":"\ud83d\ude00\u00e9"})"), "{\"text\":\"\U0001F600\u00e9\"}");
}

TEST_F(ParametersJsonTest, BoundsNestingWithoutRecursingOnTheStack) {
  const auto nested = [](int depth) {
    return "{\"unknown\":" + std::string(static_cast<size_t>(depth - 1), '[') +
           std::string(static_cast<size_t>(depth - 1), ']') + "}";
  };
  EXPECT_EQ(RoundTrip(nested(kMaxJsonNesting)), "{}");
  EXPECT_EQ(ReadError(nested(kMaxJsonNesting + 1)),
            "Cannot parse parameter text: JSON nests deeper than 256 levels at offset 265");
  // Far deeper than any stack would take, and never closed.
  EXPECT_NE(ReadError(std::string(1000000, '[')).find("nests deeper"), std::string::npos);
}

TEST_F(ParametersJsonTest, PassesOnTheSerializersErrors) {
  try {
    Read(R"({"number":"12x"})");
    FAIL() << "no exception";
  } catch (const ParameterParseException& e) {
    EXPECT_STREQ(e.what(), "Cannot parse parameter text: \"12x\" is not a 32-bit integer");
  }
  EXPECT_THROW(Read(R"({"sub":{"is-supported":"yes"}})"), ParameterParseException);
}

TEST_F(ParametersJsonTest, StartsEveryBagFromTheContext) {
  RefCntPtr<IParameters> context = m_registry.CreateParameters();
  context->SetParameter(kText, MakeValParameter(QStringLiteral("from context")));
  context->SetParameter(kFlag, MakeValParameter(true));
  const RefCntPtr<IParameters> bag = ReadParametersJson(R"({"flag":"false"})", m_registry, context.Get());
  EXPECT_EQ(*FindParameterValue<TString>(*bag, kText), QStringLiteral("from context"));
  EXPECT_FALSE(*FindParameterValue<bool>(*bag, kFlag));  // the text's own member wins
}

TEST_F(ParametersJsonTest, WriterLeavesOutUnserializableValuesAndRejectsUnknownIds) {
  RefCntPtr<IParameters> bag = m_registry.CreateParameters();
  bag->SetParameter(kHidden, MakeValParameter(42));
  bag->SetParameter(kFlag, MakeValParameter(true));
  EXPECT_EQ(Write(*bag), R"({"flag":"true"})");

  bag->SetParameter(kCount, MakeValParameter(QStringLiteral("not an int")));
  EXPECT_THROW(Write(*bag), TypeMismatchCommandException);

  RefCntPtr<IParameters> unknown = m_registry.CreateParameters();
  unknown->SetParameter(0x1e, MakeValParameter(1));
  EXPECT_THROW(Write(*unknown), LogicException);

  // Appending keeps what the buffer held, and a write that fails leaves it as it was.
  std::string out = "kept";
  AppendParametersJson(*Read(R"({"flag":"true"})"), m_registry, out);
  EXPECT_EQ(out, R"(kept{"flag":"true"})");
  EXPECT_THROW(AppendParametersJson(*bag, m_registry, out), TypeMismatchCommandException);
  EXPECT_EQ(out, R"(kept{"flag":"true"})");
}

TEST_F(ParametersJsonTest, TellsEscapedStringsFromTheTextsOwnBytes) {
  // Strings without an escape are taken from the text as they stand, whatever white space
  // surrounds them; the others are decoded.
  const RefCntPtr<IParameters> bag = Read(" {\n \"text\" : \"a\\\"b\\u00e9\" ,\"list\":[ \"\" , \"x\\\\\" ,\t\"plain\" ] } ");
  EXPECT_EQ(*FindParameterValue<TString>(*bag, kText), QStringLiteral("a\"b\u00e9"));
  EXPECT_EQ(*FindParameterValue<std::vector<TString>>(*bag, kList),
            (std::vector<TString>{QString(), QStringLiteral("x\\"), QStringLiteral("plain")}));
}

}  // namespace
