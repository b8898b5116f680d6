// Reading the JSON files of the default connection model (connector descriptions, connection
// fixtures) field by field, so that every fault names the file and the field as a JSON pointer
// ("/authentication/mode"). Internal to the host runtime.
//
// Every fault is a DescriptionFileException of the file's kind.
#pragma once

#include "host/TString.h"
#include "host/connectors/DescriptionFile.h"
#include "host/detail/HardenedJson.h"
#include "host/detail/RapidJson.h"
#include "host/parameters/EncodedEnumSerializer.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace Connect::JsonFields {

inline TString ToTString(const rapidjson::Value& string) {
  return TStringFromUtf8(std::string_view(string.GetString(), string.GetStringLength()));
}

inline QString KindOf(const rapidjson::Value& value) {
  switch (value.GetType()) {
    case rapidjson::kNullType:
      return QStringLiteral("null");
    case rapidjson::kFalseType:
    case rapidjson::kTrueType:
      return QStringLiteral("a boolean");
    case rapidjson::kObjectType:
      return QStringLiteral("an object");
    case rapidjson::kArrayType:
      return QStringLiteral("an array");
    case rapidjson::kStringType:
      return QStringLiteral("a string");
    case rapidjson::kNumberType:
      return QStringLiteral("a number");
  }
  return QStringLiteral("a value");
}

// A JSON pointer reference token: "~" and "/" escaped.
inline QString PointerToken(QString key) {
  return key.replace(QLatin1Char('~'), QLatin1String("~0")).replace(QLatin1Char('/'), QLatin1String("~1"));
}

inline QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

/// The text of the file `path` of kind `kind`: only a regular file is opened, and one larger
/// than `maxBytes` is refused before anything is read.
QByteArray LoadText(DescriptionFileKind kind, const TString& path, std::size_t maxBytes);

/// Parses `json`, the text of `file`, into `document` through the hardened reader.
void ParseText(DescriptionFileKind kind, std::string_view json, const TString& file,
               const HardenedJson::Limits& limits, rapidjson::Document& document);

/// One value of a file and where it is, for messages.
class Node {
 public:
  /// The root `value` of `file`, a file of kind `kind`.
  Node(const rapidjson::Value& value, DescriptionFileKind kind, const TString& file)
      : Node(value, QString(), kind, file) {}

  const rapidjson::Value& Raw() const { return *m_value; }
  const QString& Pointer() const { return m_pointer; }

  [[noreturn]] void Fail(const QString& problem) const {
    throw DescriptionFileException(m_kind, *m_file, m_pointer, problem);
  }

  void Expect(bool fits, const char* kind) const {
    if (!fits) Fail(QStringLiteral("expected %1, found %2").arg(QLatin1String(kind), KindOf(*m_value)));
  }

  TString String() const {
    Expect(m_value->IsString(), "a string");
    return ToTString(*m_value);
  }

  TString NonEmptyString() const {
    TString text = String();
    if (text.isEmpty()) Fail(QStringLiteral("must not be empty"));
    return text;
  }

  bool Bool() const {
    Expect(m_value->IsBool(), "a boolean");
    return m_value->GetBool();
  }

  double Number() const {
    Expect(m_value->IsNumber(), "a number");
    return m_value->GetDouble();
  }

  /// An integer from `min` to `max`; a fraction or a number outside is refused.
  std::int64_t Integer(std::int64_t min, std::int64_t max) const {
    Expect(m_value->IsNumber(), "a number");
    if (!m_value->IsInt64() || m_value->GetInt64() < min || m_value->GetInt64() > max)
      Fail(QStringLiteral("expected a whole number from %1 to %2").arg(min).arg(max));
    return m_value->GetInt64();
  }

  Node At(const QString& key, const rapidjson::Value& value) const {
    return Node(value, m_pointer + QLatin1Char('/') + PointerToken(key), m_kind, *m_file);
  }

  std::vector<Node> Elements() const {
    Expect(m_value->IsArray(), "an array");
    std::vector<Node> elements;
    for (rapidjson::SizeType i = 0; i < m_value->Size(); ++i) elements.push_back(At(QString::number(i), (*m_value)[i]));
    return elements;
  }

  std::vector<TString> Strings() const {
    std::vector<TString> texts;
    for (const Node& element : Elements()) texts.push_back(element.String());
    return texts;
  }

  // The members of an object in their order; a name given twice is refused, since a reader
  // could not tell which of the two counts.
  std::vector<std::pair<TString, Node>> Entries() const {
    Expect(m_value->IsObject(), "an object");
    std::vector<std::pair<TString, Node>> entries;
    std::set<TString> seen;
    for (const auto& member : m_value->GetObject()) {
      const TString name = ToTString(member.name);
      Node node = At(name, member.value);
      if (!seen.insert(name).second) node.Fail(QStringLiteral("appears twice"));
      entries.emplace_back(name, std::move(node));
    }
    return entries;
  }

 private:
  Node(const rapidjson::Value& value, QString pointer, DescriptionFileKind kind, const TString& file)
      : m_value(&value), m_pointer(std::move(pointer)), m_kind(kind), m_file(&file) {}

  const rapidjson::Value* m_value;
  QString m_pointer;
  DescriptionFileKind m_kind;
  const TString* m_file;
};

/// The members of an object with fixed field names, each read at most once; Finish refuses the
/// ones nobody read, so that a misspelt field is an error rather than a silent default.
class Fields {
 public:
  explicit Fields(const Node& object) : m_object(object), m_entries(object.Entries()) {}
  Fields(const Fields&) = delete;
  Fields& operator=(const Fields&) = delete;

  const Node& Self() const { return m_object; }

  std::optional<Node> Take(const char* key) {
    const TString name = QLatin1String(key);
    for (const auto& [entryName, node] : m_entries) {
      if (entryName != name) continue;
      m_taken.insert(name);
      return node;
    }
    return std::nullopt;
  }

  Node Require(const char* key) {
    if (std::optional<Node> node = Take(key)) return *node;
    Missing(key);
  }

  [[noreturn]] void Missing(const char* key) const {
    m_object.At(QLatin1String(key), m_object.Raw()).Fail(QStringLiteral("is missing"));
  }

  bool Has(const char* key) const {
    const TString name = QLatin1String(key);
    return std::any_of(m_entries.begin(), m_entries.end(), [&name](const auto& entry) { return entry.first == name; });
  }

  TString String(const char* key, const TString& fallback = TString()) {
    const std::optional<Node> node = Take(key);
    return node ? node->String() : fallback;
  }

  bool Bool(const char* key, bool fallback) {
    const std::optional<Node> node = Take(key);
    return node ? node->Bool() : fallback;
  }

  std::vector<TString> Strings(const char* key) {
    const std::optional<Node> node = Take(key);
    return node ? node->Strings() : std::vector<TString>();
  }

  void Finish() const {
    for (const auto& [name, node] : m_entries)
      if (m_taken.count(name) == 0) node.Fail(QStringLiteral("is not a field of this object"));
  }

 private:
  Node m_object;
  std::vector<std::pair<TString, Node>> m_entries;
  std::set<TString> m_taken;
};

/// The enum value whose string is `text`, found at `where`. Values in `refused` exist but make
/// no sense in the file.
template <typename E>
E EnumOf(const TString& text, const Node& where, std::initializer_list<E> refused = {}) {
  const EnumStringTable& table = EnumTableOf<E>();
  const std::optional<std::int32_t> value = table.FindValue(text);
  const auto isRefused = [&refused](std::int32_t candidate) {
    return std::find(refused.begin(), refused.end(), static_cast<E>(candidate)) != refused.end();
  };
  if (value && !isRefused(*value)) return static_cast<E>(*value);
  QStringList expected;
  for (const EnumStringTable::Entry& entry : table.GetEntries())
    if (!isRefused(entry.value)) expected << Quoted(entry.text);
  where.Fail(
      QStringLiteral("unknown value %1; expected one of %2").arg(Quoted(text), expected.join(QLatin1String(", "))));
}

template <typename E>
E ReadEnum(const Node& node, std::initializer_list<E> refused = {}) {
  return EnumOf<E>(node.String(), node, refused);
}

/// One of a few fixed words, for a format's own choices.
template <typename T>
T ReadChoice(const Node& node, std::initializer_list<std::pair<const char*, T>> choices) {
  const TString text = node.String();
  QStringList expected;
  for (const auto& [word, value] : choices) {
    if (text == QLatin1String(word)) return value;
    expected << Quoted(QLatin1String(word));
  }
  node.Fail(
      QStringLiteral("unknown value %1; expected one of %2").arg(Quoted(text), expected.join(QLatin1String(", "))));
}

/// An object of strings by name.
inline std::map<TString, TString> ReadStringMap(const Node& node) {
  std::map<TString, TString> map;
  for (const auto& [name, value] : node.Entries()) map.emplace(name, value.String());
  return map;
}

}  // namespace Connect::JsonFields
