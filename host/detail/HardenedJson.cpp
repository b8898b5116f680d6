#include "host/detail/HardenedJson.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace HardenedJson {

JsonTextException::~JsonTextException() = default;

namespace {

using rapidjson::Document;
using rapidjson::SizeType;

// Builds the document like Document itself, but refuses to nest deeper than the limit.
class NestingLimitedHandler {
 public:
  NestingLimitedHandler(Document& document, const rapidjson::MemoryStream& stream, int maxNesting)
      : m_document(document), m_stream(stream), m_maxNesting(maxNesting) {}

  bool Null() { return m_document.Null(); }
  bool Bool(bool b) { return m_document.Bool(b); }
  bool Int(int i) { return m_document.Int(i); }
  bool Uint(unsigned u) { return m_document.Uint(u); }
  bool Int64(std::int64_t i) { return m_document.Int64(i); }
  bool Uint64(std::uint64_t u) { return m_document.Uint64(u); }
  bool Double(double d) { return m_document.Double(d); }
  bool RawNumber(const char* text, SizeType length, bool copy) { return m_document.RawNumber(text, length, copy); }
  bool String(const char* text, SizeType length, bool copy) {
    return NoLoneSurrogate(text, length) && m_document.String(text, length, copy);
  }
  bool Key(const char* text, SizeType length, bool copy) {
    return NoLoneSurrogate(text, length) && m_document.Key(text, length, copy);
  }
  bool StartObject() { return Enter() && m_document.StartObject(); }
  bool EndObject(SizeType count) { --m_depth; return m_document.EndObject(count); }
  bool StartArray() { return Enter() && m_document.StartArray(); }
  bool EndArray(SizeType count) { --m_depth; return m_document.EndArray(count); }

  /// The offset of the bracket that went one level too deep, if one did.
  std::optional<std::size_t> TooDeepAt() const { return m_tooDeepAt; }

  /// The offset just after the string that held a lone low surrogate escape, if one did.
  std::optional<std::size_t> LoneSurrogateAt() const { return m_loneSurrogateAt; }

 private:
  // The reader refuses a high surrogate escape not followed by a low one, but encodes a lone
  // low surrogate escape (\udc00) as the three bytes ED B0 80, which are not UTF-8. Such bytes
  // can only come from an escape, since the raw text is validated: refuse them the same way.
  bool NoLoneSurrogate(const char* text, SizeType length) {
    if (length == 0) return true;
    for (const char* at = text; (at = static_cast<const char*>(std::memchr(at, '\xED', text + length - at)));) {
      if (++at < text + length && static_cast<unsigned char>(*at) >= 0xA0) {
        m_loneSurrogateAt = m_stream.Tell();
        return false;
      }
    }
    return true;
  }

  bool Enter() {
    if (++m_depth <= m_maxNesting) return true;
    m_tooDeepAt = m_stream.Tell() - 1;
    return false;
  }

  Document& m_document;
  const rapidjson::MemoryStream& m_stream;
  const int m_maxNesting;
  int m_depth = 0;
  std::optional<std::size_t> m_tooDeepAt;
  std::optional<std::size_t> m_loneSurrogateAt;
};

QString Number(std::size_t value) { return QString::number(static_cast<qulonglong>(value)); }

[[noreturn]] void Refuse(const QString& detail) { throw JsonTextException(detail); }

}  // namespace

void Parse(std::string_view json, Document& document, const Limits& limits) {
  // Checked before anything is read, so an oversized text costs nothing.
  if (json.size() > limits.maxBytes)
    Refuse(QStringLiteral("the JSON text has %1 bytes, more than the limit of %2")
               .arg(Number(json.size()), Number(limits.maxBytes)));
  rapidjson::MemoryStream stream(json.data(), json.size());
  NestingLimitedHandler handler(document, stream, limits.maxNesting);
  rapidjson::Reader reader;
  // Iterative parsing keeps hostile nesting off the call stack; the handler bounds it anyway.
  constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag;
  auto parse = [&](Document&) { return !reader.Parse<kFlags>(stream, handler).IsError(); };
  document.Populate(parse);
  if (const std::optional<std::size_t> offset = handler.TooDeepAt())
    Refuse(QStringLiteral("JSON nests deeper than %1 levels at offset %2").arg(limits.maxNesting).arg(Number(*offset)));
  if (const std::optional<std::size_t> offset = handler.LoneSurrogateAt())
    Refuse(QStringLiteral("invalid JSON at offset %1: a low surrogate escape without a high surrogate before it")
               .arg(Number(*offset)));
  if (reader.HasParseError())
    Refuse(QStringLiteral("invalid JSON at offset %1: %2")
               .arg(Number(reader.GetErrorOffset()),
                    QString::fromUtf8(rapidjson::GetParseError_En(reader.GetParseErrorCode()))));
  // The stream reads a NUL byte as the end of the text; anything after it is an error too.
  if (stream.Tell() != json.size())
    Refuse(QStringLiteral("invalid JSON at offset %1: unexpected NUL byte").arg(Number(stream.Tell())));
}

}  // namespace HardenedJson
