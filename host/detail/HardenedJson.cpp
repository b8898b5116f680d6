#include "host/detail/HardenedJson.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

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
  bool RawNumber(const char* text, SizeType length, bool) { return AddNumber(std::string_view(text, length)); }
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

  /// Adds the number `text`, which the reader has checked, as the reader itself would: an integer
  /// as the smallest of int, unsigned, int64 and uint64 that holds it, anything else as the
  /// nearest double. The reader's own conversion to the nearest double is not used: it computes
  /// clz(0) for a zero with a large exponent ("0e308"), which is undefined behaviour.
  bool AddNumber(std::string_view text) {
    const char* const end = text.data() + text.size();
    if (text.find_first_of(".eE") == std::string_view::npos) {
      if (text.front() == '-') {
        std::int64_t value = 0;
        if (std::from_chars(text.data(), end, value).ec == std::errc()) {
          if (value >= std::numeric_limits<int>::min()) return m_document.Int(static_cast<int>(value));
          return m_document.Int64(value);
        }
      } else {
        std::uint64_t value = 0;
        if (std::from_chars(text.data(), end, value).ec == std::errc()) {
          if (value <= std::numeric_limits<unsigned>::max()) return m_document.Uint(static_cast<unsigned>(value));
          return m_document.Uint64(value);
        }
      }
    }
    double value = 0;
    if (std::from_chars(text.data(), end, value).ec == std::errc::result_out_of_range) {
      // Too large for a double ("99e307", which the reader lets pass) is refused as the reader
      // refuses larger exponents; too small is a zero of its sign.
      long double wide = 0;
      if (std::from_chars(text.data(), end, wide).ec == std::errc() && (wide > 1 || wide < -1)) {
        m_tooBigAt = m_stream.Tell() - text.size();
        return false;
      }
      value = text.front() == '-' ? -0.0 : 0.0;
    }
    return m_document.Double(value);
  }

  /// The offset of a number too large for a double, if there was one.
  std::optional<std::size_t> TooBigAt() const { return m_tooBigAt; }

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
  std::optional<std::size_t> m_tooBigAt;
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
  // Numbers come to the handler as text and are converted there to the nearest double, so that
  // a number written back (in its shortest form) reads as the same double again: the reader's
  // fast conversion may be a unit off in the last place.
  constexpr unsigned kFlags =
      rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag | rapidjson::kParseNumbersAsStringsFlag;
  auto parse = [&](Document&) { return !reader.Parse<kFlags>(stream, handler).IsError(); };
  document.Populate(parse);
  if (const std::optional<std::size_t> offset = handler.TooDeepAt())
    Refuse(QStringLiteral("JSON nests deeper than %1 levels at offset %2").arg(limits.maxNesting).arg(Number(*offset)));
  if (const std::optional<std::size_t> offset = handler.LoneSurrogateAt())
    Refuse(QStringLiteral("invalid JSON at offset %1: a low surrogate escape without a high surrogate before it")
               .arg(Number(*offset)));
  if (const std::optional<std::size_t> offset = handler.TooBigAt())
    Refuse(QStringLiteral("invalid JSON at offset %1: %2")
               .arg(Number(*offset), QString::fromUtf8(rapidjson::GetParseError_En(rapidjson::kParseErrorNumberTooBig))));
  if (reader.HasParseError())
    Refuse(QStringLiteral("invalid JSON at offset %1: %2")
               .arg(Number(reader.GetErrorOffset()),
                    QString::fromUtf8(rapidjson::GetParseError_En(reader.GetParseErrorCode()))));
  // The stream reads a NUL byte as the end of the text; anything after it is an error too.
  if (stream.Tell() != json.size())
    Refuse(QStringLiteral("invalid JSON at offset %1: unexpected NUL byte").arg(Number(stream.Tell())));
}

}  // namespace HardenedJson
