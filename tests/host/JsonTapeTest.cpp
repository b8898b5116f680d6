#include "host/detail/HardenedJson.h"
#include "host/detail/JsonValue.h"
#include "host/parameters/ParameterTypeSerializer.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

const HardenedJson::Limits kLimits{256, std::size_t{64} << 20};

// Every string of `value`, names included, in document order, with "[" "]" "{" "}" for the
// containers and "#" for anything else: what a reader walking the tape sees.
void Walk(const JsonValue& value, std::vector<std::string>& seen) {
  if (value.IsString()) {
    seen.emplace_back(value.GetString());
  } else if (value.IsArray()) {
    seen.emplace_back("[");
    for (const JsonValue element : value.Elements()) Walk(element, seen);
    seen.emplace_back("]");
  } else if (value.IsObject()) {
    seen.emplace_back("{");
    for (const JsonMember member : value.Members()) {
      seen.emplace_back(member.name);
      Walk(member.value, seen);
    }
    seen.emplace_back("}");
  } else {
    seen.emplace_back("#");
  }
}

// Nested and empty containers must be stepped over as a whole, and escaped strings read
// unescaped, wherever they stand.
TEST(JsonTapeTest, WalksNestedContainersAndUnescapesStrings) {
  const std::string text =
      R"({"a":[1,{"b":[[],{}]},"x\"y",null],"c\u0041":"\u00e9\n","d":{},"e":[true,false,-1.5e3],"f":"plain"})";
  JsonTape tape;
  HardenedJson::Parse(text, tape, kLimits);
  std::vector<std::string> seen;
  const JsonValue root{tape, JsonTape::kRoot};
  Walk(root, seen);
  const std::vector<std::string> expected{"{", "a", "[",     "#", "{", "b", "[", "[", "]", "{", "}", "]", "}",
                                          "x\"y", "#", "]", "cA", "\xC3\xA9\n", "d", "{", "}", "e", "[", "#",
                                          "#", "#", "]", "f", "plain", "}"};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(root.Size(), 5u);
  EXPECT_EQ(tape.After(JsonTape::kRoot), 22u);  // one value for each bracket pair, string and scalar
}

// A string without escapes is read from the text itself; a string that only looks like the text
// before its closing quote (an escape whose unescaped bytes end the same way) is not.
TEST(JsonTapeTest, TakesOnlyUnescapedStringsFromTheText) {
  const std::string text = R"(["abc","\"\n","a\\n","\n"])";
  JsonTape tape;
  HardenedJson::Parse(text, tape, kLimits);
  std::vector<std::string_view> strings;
  for (const JsonValue element : JsonValue{tape, JsonTape::kRoot}.Elements()) strings.push_back(element.GetString());
  ASSERT_EQ(strings.size(), 4u);
  EXPECT_EQ(strings[0], "abc");
  EXPECT_EQ(strings[0].data(), text.data() + 2);
  EXPECT_EQ(strings[1], "\"\n");
  EXPECT_EQ(strings[2], "a\\n");
  EXPECT_EQ(strings[3], "\n");
}

// The tape and the document come from the same reader: every refusal has the same message.
TEST(JsonTapeTest, RefusesWhatTheDocumentRefusesWithTheSameMessage) {
  const std::vector<std::string> texts{
      std::string(257, '[') + std::string(257, ']'), R"({"a":"\udc00"})", R"(["\ud800"])", "{\"a\":\"\xC3\x28\"}",
      std::string("{}\0 ", 4), "99e307", R"({"a" 1})", "[1,]", "", "[\"\xED\xA0\x80\"]", "[1, \xFF]",
      // A NUL escaped in a name or a value would cut every message that quotes it.
      R"({"a\u0000b":1})", R"(["x\u0000"])",
      // A long text is checked in blocks of 64 KiB: a bad character at a block's end, or a
      // control character past the first block.
      "[\"" + std::string(65532, 'a') + "\xE2\x82" + "a\"]", "[\"" + std::string(70000, 'a') + "\x1B\"]"};
  for (const std::string& text : texts) {
    QString fromDocument;
    QString fromTape;
    try {
      rapidjson::Document document;
      HardenedJson::Parse(text, document, kLimits);
    } catch (const HardenedJson::JsonTextException& e) {
      fromDocument = e.GetMessage();
    }
    try {
      JsonTape tape;
      HardenedJson::Parse(text, tape, kLimits);
    } catch (const HardenedJson::JsonTextException& e) {
      fromTape = e.GetMessage();
    }
    EXPECT_FALSE(fromDocument.isEmpty()) << text;
    EXPECT_EQ(fromTape, fromDocument) << text;
  }
  JsonTape tape;
  EXPECT_THROW(HardenedJson::Parse("[]", tape, HardenedJson::Limits{}), LogicException);  // more than a tape indexes
}

// Characters cut by the end of a checked block are whole again in what is read.
TEST(JsonTapeTest, ReadsLongTextsWhoseCharactersStraddleTheCheckedBlocks) {
  for (std::size_t shift = 0; shift < 3; ++shift) {
    std::string value(65534 - shift, 'a');
    for (int i = 0; i < 4; ++i) value += "\xE2\x82\xAC";  // the euro sign, three bytes
    const std::string text = "[\"" + value + "\"]";
    JsonTape tape;
    HardenedJson::Parse(text, tape, kLimits);
    std::vector<std::string> seen;
    Walk(JsonValue{tape, JsonTape::kRoot}, seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"[", value, "]"}));
  }
}

// Reading UTF-8 without a TString in between decides as reading the TString does (the enum tables
// are checked with the enum serializers).
TEST(JsonTapeTest, Utf8ConversionsMatchTheTStringOnes) {
  EXPECT_TRUE(ParameterTypeSerializer<bool>::TypeFromUtf8("true"));
  EXPECT_FALSE(ParameterTypeSerializer<bool>::TypeFromUtf8("false"));
  for (const char* text : {"True", "yes", ""}) {
    QString viaUtf8;
    QString viaTString;
    try {
      ParameterTypeSerializer<bool>::TypeFromUtf8(text);
    } catch (const ParameterParseException& e) {
      viaUtf8 = e.GetMessage();
    }
    try {
      ParameterTypeSerializer<bool>::TypeFromString(QString::fromUtf8(text));
    } catch (const ParameterParseException& e) {
      viaTString = e.GetMessage();
    }
    EXPECT_FALSE(viaUtf8.isEmpty()) << text;
    EXPECT_EQ(viaUtf8, viaTString) << text;
  }
}

}  // namespace
