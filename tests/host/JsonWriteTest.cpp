// The fast paths of the JSON writer: block escaping and the id table of the registry.

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/ParametersRegistry.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One character at a time, as the form defines it; what the block escaper must match.
std::string EscapeSlowly(const TString& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (int i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'"' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\b' || c == u'\f' || c == u'\n' || c == u'\r' || c == u'\t') {
      out += '\\';
      out += "bfnrt"[c == u'\b' ? 0 : c == u'\f' ? 1 : c == u'\n' ? 2 : c == u'\r' ? 3 : 4];
    } else if (c < 0x20) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out += QString(text.constData() + i, 2).toUtf8().toStdString();
      ++i;
    } else if (QChar::isSurrogate(c)) {
      out += "\xef\xbf\xbd";
    } else {
      out += QString(QChar(c)).toUtf8().toStdString();
    }
  }
  return out + '"';
}

// Strings of every length up to past two blocks, each made of one repeated pattern that puts
// escapes, non-ASCII and surrogates at every offset of an eight-unit group and across block
// ends.
TEST(JsonWriteTest, BlockEscapingMatchesCharacterByCharacterEscaping) {
  const std::vector<TString> patterns = {
      QStringLiteral("plain ascii text"),
      QStringLiteral("quote\" back\\ nl\n") + QChar(0x01) + QChar(0x7f),
      QStringLiteral("caf\u00e9 \u20ac \u00ff\u0100\u07ff\u0800"),
      QStringLiteral("\U0001F600 pair"),
      QStringLiteral("lone ") + QChar(0xD800) + QStringLiteral("high, lone ") + QChar(0xDC00) + QChar(0xFFFF) +
          QChar(0xE000),
      QStringLiteral("abcdefg") + QChar(0xD83D),  // a high surrogate that a pair may follow
  };
  for (const TString& pattern : patterns) {
    TString text;
    for (int length = 0; length <= 530; ++length) {
      while (text.size() < length) text += pattern;
      const TString piece = text.left(length);
      std::string out = "prefix";
      AppendJsonString(out, piece);
      ASSERT_EQ(out, "prefix" + EscapeSlowly(piece)) << "pattern " << pattern.toStdString() << ", length " << length;
    }
  }
}

TEST(JsonWriteTest, RegistryFindsEveryIdOfALargeSparseNamespace) {
  ParametersRegistry registry;
  const ParameterNamespaceName ns(L"large");
  registry.RegisterNamespace(ns, 0x00000001, 0xfffffff0);
  std::vector<unsigned int> ids;
  for (unsigned int i = 0; i < 700; ++i) ids.push_back(i % 2 ? 0xd9000000 + i * 0x10001 : 0x1000 + i);  // both spread and neighbours
  std::vector<std::wstring> names;
  for (unsigned int id : ids) names.push_back(L"p\"" + std::to_wstring(id));
  registry.AddParametersToNamespace(ns, [&](AbstractParamAdder& adder) {
    RefCntPtr<IParameterSerializer> text = CreateParameterSerializer<TStringSerializer>();
    for (size_t i = 0; i < ids.size(); ++i) adder.AddSimple(ids[i], names[i].c_str(), text.Get());
  });
  for (size_t i = 0; i < ids.size(); ++i) {
    const ParameterInfo* info = registry.FindParameter(ids[i]);
    ASSERT_NE(info, nullptr) << ids[i];
    EXPECT_EQ(info->GetId(), ids[i]);
    EXPECT_EQ(info->GetJsonName(), "\"p\\\"" + std::to_string(ids[i]) + "\":");
  }
  EXPECT_EQ(registry.FindParameter(0x1000 + 1), nullptr);
  EXPECT_EQ(registry.FindParameter(0xd9000000), nullptr);
  EXPECT_EQ(ParametersRegistry().FindParameter(0x11), nullptr);  // an empty registry has nothing
  registry.AddUnserializable(ids.back());
  EXPECT_TRUE(registry.FindParameter(ids.back())->HasFlag(kParameterUnserializable));
  EXPECT_THROW(registry.AddUnserializable(0x1000 + 1), LogicException);
}

}  // namespace
