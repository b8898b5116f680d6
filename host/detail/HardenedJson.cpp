#include "host/detail/HardenedJson.h"

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>
#include <type_traits>
#include <vector>

namespace {

// RapidJSON's scan of sixteen bytes at a time stops at control characters up to 0x19 only, and
// takes 0x1A to 0x1F into a string. No JSON text holds them raw, anywhere: a text that does is
// read the careful way, which refuses it.
bool HoldsControlCharacterTheScanMisses(std::string_view text) {
  unsigned char found = 0;
  for (const char c : text) found |= static_cast<unsigned char>(static_cast<unsigned char>(c) - 0x1A) < 6;
  return found != 0;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

// Fills a tape with what the reader reads. A string whose bytes are the text's (no escape made
// it differ) is taken from the text; only the others are copied.
class JsonTapeBuilder {
 public:
  /// Says that a string is not the text's own bytes.
  static constexpr std::size_t kNotInText = static_cast<std::size_t>(-1);

  /// Fills `tape` with `text`; `decodedInPlace` is the copy of the text that the reader decodes
  /// in place, or null when it reads the text as it stands.
  JsonTapeBuilder(JsonTape& tape, std::string_view text, const char* decodedInPlace)
      : m_tape(tape), m_copy(decodedInPlace) {
    tape.m_decoded = decodedInPlace;
    tape.m_text = text;
    tape.m_tokens.clear();
    tape.m_buffer.clear();
    // A table or a record has a value for every 20 to 30 bytes of text; a denser text grows it.
    tape.m_tokens.reserve(text.size() / 16 + 8);
    m_open.reserve(16);
  }

  /// Copies `text` into the tape's scratch buffer, followed by NUL bytes: enough for a scan that
  /// reads whole aligned blocks of sixteen bytes to stop at the first NUL inside the buffer. On
  /// the way it checks that the text is UTF-8 and holds no control character from 0x1A to 0x1F,
  /// which the reader's fast scan takes into a string; false, with the copy of no use, when the
  /// text fails either check. The text is checked and copied a block at a time, so that a long
  /// one is read from memory once rather than once per step. Returns the copy, or null.
  static char* CopyChecked(JsonTape& tape, std::string_view text) {
    constexpr std::size_t kBlock = 64 * 1024;
    constexpr std::size_t kPadding = 32;
    std::string& copy = tape.m_terminated;
    copy.clear();
    copy.reserve(text.size() + kPadding);
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = std::min(text.size(), at + kBlock);
      // A block ends before a character's first byte, so that a valid text is valid block by
      // block. Blocks cut anywhere would still never pass an invalid text: whole valid pieces
      // make a valid whole.
      for (int back = 0; back < 3 && end < text.size() && end > at + 1 && IsContinuationByte(text[end]); ++back) --end;
      const std::string_view block = text.substr(at, end - at);
      if (!simdjson::validate_utf8(block.data(), block.size()) || HoldsControlCharacterTheScanMisses(block))
        return nullptr;
      copy.append(block);
      at = end;
    }
    copy.append(kPadding, '\0');
    return copy.data();
  }

  bool Null() { return Add(JsonTape::Kind::kNull, 0, 0); }
  bool Bool(bool b) { return Add(b ? JsonTape::Kind::kTrue : JsonTape::Kind::kFalse, 0, 0); }
  bool Int(int) { return AddNumber(); }
  bool Uint(unsigned) { return AddNumber(); }
  bool Int64(std::int64_t) { return AddNumber(); }
  bool Uint64(std::uint64_t) { return AddNumber(); }
  bool Double(double) { return AddNumber(); }

  /// Adds a string: the text's own bytes at `inText`, or, when that is kNotInText, `text`, as
  /// decoded in place or else copied.
  bool String(const char* text, rapidjson::SizeType length, std::size_t inText) {
    if (inText != kNotInText) return Add(JsonTape::Kind::kString, length, static_cast<std::uint32_t>(inText));
    if (m_copy != nullptr)
      return Add(JsonTape::Kind::kString, length | JsonTape::kBufferBit, static_cast<std::uint32_t>(text - m_copy));
    const std::size_t offset = m_tape.m_buffer.size();
    m_tape.m_buffer.append(text, length);
    m_tape.m_decoded = m_tape.m_buffer.data();
    return Add(JsonTape::Kind::kString, length | JsonTape::kBufferBit, static_cast<std::uint32_t>(offset));
  }
  bool Key(const char* text, rapidjson::SizeType length, std::size_t inText) { return String(text, length, inText); }

  bool StartObject() { return Open(JsonTape::Kind::kObject); }
  bool EndObject(rapidjson::SizeType count) { return Close(count); }
  bool StartArray() { return Open(JsonTape::Kind::kArray); }
  bool EndArray(rapidjson::SizeType count) { return Close(count); }

 private:
  bool Add(JsonTape::Kind kind, std::uint32_t head, std::uint32_t tail) {
    m_tape.m_tokens.push_back(
        JsonTape::Token{(static_cast<std::uint32_t>(kind) << JsonTape::kKindShift) | head, tail});
    return true;
  }
  bool AddNumber() { return Add(JsonTape::Kind::kNumber, 0, 0); }

  bool Open(JsonTape::Kind kind) {
    m_open.push_back(static_cast<std::uint32_t>(m_tape.m_tokens.size()));
    return Add(kind, 0, 0);
  }

  bool Close(rapidjson::SizeType count) {
    JsonTape::Token& token = m_tape.m_tokens[m_open.back()];
    m_open.pop_back();
    token.head |= count;
    token.tail = static_cast<std::uint32_t>(m_tape.m_tokens.size());
    return true;
  }

  JsonTape& m_tape;
  const char* const m_copy;
  std::vector<std::uint32_t> m_open;  // the containers not yet closed, innermost last
};

namespace HardenedJson {

JsonTextException::~JsonTextException() = default;

namespace {

using rapidjson::Document;
using rapidjson::SizeType;

// Hands what the reader reads on to `Sink` (a Document or a JsonTapeBuilder), but refuses to
// nest deeper than the limit. `Stream` is a MemoryStream over the text, or an InsituStringStream
// over a copy of it that the reader decodes in place.
template <typename Sink, typename Stream>
class NestingLimitedHandler {
 public:
  NestingLimitedHandler(Sink& sink, Stream& stream, std::string_view text, const char* copy, int maxNesting)
      : m_sink(sink), m_stream(stream), m_text(text.data()), m_copy(copy), m_maxNesting(maxNesting) {}

  bool Null() { return m_sink.Null(); }
  bool Bool(bool b) { return m_sink.Bool(b); }
  bool Int(int i) { return m_sink.Int(i); }
  bool Uint(unsigned u) { return m_sink.Uint(u); }
  bool Int64(std::int64_t i) { return m_sink.Int64(i); }
  bool Uint64(std::uint64_t u) { return m_sink.Uint64(u); }
  bool Double(double d) { return m_sink.Double(d); }
  bool RawNumber(const char* text, SizeType length, bool) { return AddNumber(std::string_view(text, length)); }
  bool String(const char* text, SizeType length, bool copy) {
    const std::size_t inText = InText(text, length);
    if (inText == JsonTapeBuilder::kNotInText && !(NoLoneSurrogate(text, length) && NoNul(text, length))) return false;
    if constexpr (kBuildsTape) return m_sink.String(text, length, inText);
    return m_sink.String(text, length, copy);
  }
  bool Key(const char* text, SizeType length, bool copy) {
    const std::size_t inText = InText(text, length);
    if (inText == JsonTapeBuilder::kNotInText && !(NoLoneSurrogate(text, length) && NoNul(text, length))) return false;
    if constexpr (kBuildsTape) return m_sink.Key(text, length, inText);
    return m_sink.Key(text, length, copy);
  }
  bool StartObject() { return Enter() && m_sink.StartObject(); }
  bool EndObject(SizeType count) { --m_depth; return m_sink.EndObject(count); }
  bool StartArray() { return Enter() && m_sink.StartArray(); }
  bool EndArray(SizeType count) { --m_depth; return m_sink.EndArray(count); }

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
          if (value >= std::numeric_limits<int>::min()) return m_sink.Int(static_cast<int>(value));
          return m_sink.Int64(value);
        }
      } else {
        std::uint64_t value = 0;
        if (std::from_chars(text.data(), end, value).ec == std::errc()) {
          if (value <= std::numeric_limits<unsigned>::max()) return m_sink.Uint(static_cast<unsigned>(value));
          return m_sink.Uint64(value);
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
    return m_sink.Double(value);
  }

  /// The offset just after the string that held a \u0000 escape, if one did.
  std::optional<std::size_t> EscapedNulAt() const { return m_escapedNulAt; }

  /// The offset of a number too large for a double, if there was one.
  std::optional<std::size_t> TooBigAt() const { return m_tooBigAt; }

  /// The offset of the bracket that went one level too deep, if one did.
  std::optional<std::size_t> TooDeepAt() const { return m_tooDeepAt; }

  /// The offset just after the string that held a lone low surrogate escape, if one did.
  std::optional<std::size_t> LoneSurrogateAt() const { return m_loneSurrogateAt; }

 private:
  // The tape builder takes a string that is the text's own bytes from the text; a Document
  // copies every string.
  static constexpr bool kBuildsTape = std::is_same_v<Sink, JsonTapeBuilder>;
  static constexpr bool kInPlace = std::is_same_v<Stream, rapidjson::InsituStringStream>;

  // Where the string the reader hands over stands in the text as it is, or kNotInText when an
  // escape made it differ.
  std::size_t InText(const char* text, SizeType length) const {
    if constexpr (kInPlace) {
      // Decoded in place, the string starts where it is written. Its first `length` bytes are
      // written without a backslash exactly when it holds no escape.
      const std::size_t at = static_cast<std::size_t>(text - m_copy);
      return length == 0 || std::memchr(m_text + at, '\\', length) == nullptr ? at : JsonTapeBuilder::kNotInText;
    } else {
      // The stream stands right after the string's closing quote.
      const std::size_t end = m_stream.Tell() - 1;
      return length <= end && std::memcmp(m_text + end - length, text, length) == 0 ? end - length
                                                                                     : JsonTapeBuilder::kNotInText;
    }
  }

  // The reader refuses a high surrogate escape not followed by a low one, but encodes a lone
  // low surrogate escape (\udc00) as the three bytes ED B0 80, which are not UTF-8. Such bytes
  // can only come from an escape, since the raw text is validated: a string that is not
  // verbatim is searched for them, and refused the same way.
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

  // A \u0000 escape puts a NUL character into the string, which would cut every message and
  // C string that quotes it: it is refused like a NUL byte in the text. Only a string that is
  // not verbatim can hold one.
  bool NoNul(const char* text, SizeType length) {
    if (length == 0 || !std::memchr(text, '\0', length)) return true;
    m_escapedNulAt = m_stream.Tell();
    return false;
  }

  bool Enter() {
    if (++m_depth <= m_maxNesting) return true;
    m_tooDeepAt = m_stream.Tell() - 1;
    return false;
  }

  Sink& m_sink;
  Stream& m_stream;
  const char* const m_text;
  const char* const m_copy;  // the copy an InsituStringStream reads, else null
  const int m_maxNesting;
  int m_depth = 0;
  std::optional<std::size_t> m_tooDeepAt;
  std::optional<std::size_t> m_loneSurrogateAt;
  std::optional<std::size_t> m_escapedNulAt;
  std::optional<std::size_t> m_tooBigAt;
};

QString Number(std::size_t value) { return QString::number(static_cast<qulonglong>(value)); }

[[noreturn]] void Refuse(const QString& detail) { throw JsonTextException(detail); }

void CheckSize(std::string_view json, const Limits& limits) {
  // Checked before anything is read, so an oversized text costs nothing.
  if (json.size() > limits.maxBytes)
    Refuse(QStringLiteral("the JSON text has %1 bytes, more than the limit of %2")
               .arg(Number(json.size()), Number(limits.maxBytes)));
}

// Iterative parsing keeps hostile nesting off the call stack; the handler bounds it anyway.
// Numbers come to the handler as text and are converted there to the nearest double, so that
// a number written back (in its shortest form) reads as the same double again: the reader's
// fast conversion may be a unit off in the last place.
constexpr unsigned kFlags =
    rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag | rapidjson::kParseNumbersAsStringsFlag;

// Raises what went wrong in a parse of `json` that `reader` ran with `handler` over `stream`, if
// anything did.
template <typename Handler, typename Stream>
void RefuseFaults(std::string_view json, const rapidjson::Reader& reader, const Handler& handler,
                  const Stream& stream, const Limits& limits) {
  if (const std::optional<std::size_t> offset = handler.TooDeepAt())
    Refuse(QStringLiteral("JSON nests deeper than %1 levels at offset %2").arg(limits.maxNesting).arg(Number(*offset)));
  if (const std::optional<std::size_t> offset = handler.LoneSurrogateAt())
    Refuse(QStringLiteral("invalid JSON at offset %1: a low surrogate escape without a high surrogate before it")
               .arg(Number(*offset)));
  if (const std::optional<std::size_t> offset = handler.EscapedNulAt())
    Refuse(QStringLiteral("invalid JSON at offset %1: a \\u0000 escape, a NUL character, in a string").arg(Number(*offset)));
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

// Runs reader.Parse<flags>(stream, handler), checking the text's encoding. The whole text is
// checked at once by simdjson's validator, many times faster than the reader's check of every
// character in a string; only a text that fails it is read with the reader's check, which then
// refuses it with the same message and offset as always. On valid UTF-8 the reader's check
// changes nothing, so which way a text is read never changes what it reads as.
template <typename Handler, typename Stream>
bool ReadValidated(std::string_view json, rapidjson::Reader& reader, Stream& stream, Handler& handler) {
  constexpr unsigned kTrusted = kFlags & ~unsigned{rapidjson::kParseValidateEncodingFlag};
  if (simdjson::validate_utf8(json.data(), json.size())) return !reader.Parse<kTrusted>(stream, handler).IsError();
  return !reader.Parse<kFlags>(stream, handler).IsError();
}

}  // namespace

void Parse(std::string_view json, Document& document, const Limits& limits) {
  CheckSize(json, limits);
  rapidjson::MemoryStream stream(json.data(), json.size());
  NestingLimitedHandler<Document, rapidjson::MemoryStream> handler(document, stream, json, nullptr, limits.maxNesting);
  rapidjson::Reader reader;
  auto parse = [&](Document&) { return ReadValidated(json, reader, stream, handler); };
  document.Populate(parse);
  RefuseFaults(json, reader, handler, stream, limits);
}

namespace {

// Parses `json` into `tape` the fast way: the reader decodes a NUL-terminated copy of the text in
// place and scans its strings and white space sixteen bytes at a time. False when the text is
// refused, for whatever reason; the tape is then of no use.
bool ParseInPlace(std::string_view json, JsonTape& tape, const Limits& limits) {
  char* const copy = JsonTapeBuilder::CopyChecked(tape, json);
  if (copy == nullptr) return false;
  rapidjson::InsituStringStream stream(copy);
  JsonTapeBuilder builder(tape, json, copy);
  NestingLimitedHandler<JsonTapeBuilder, rapidjson::InsituStringStream> handler(builder, stream, json, copy,
                                                                                limits.maxNesting);
  rapidjson::Reader reader;
  constexpr unsigned kInPlaceFlags =
      (kFlags & ~unsigned{rapidjson::kParseValidateEncodingFlag}) | rapidjson::kParseInsituFlag;
  // A NUL byte in the text ends the stream early; the text is refused then too.
  return !reader.Parse<kInPlaceFlags>(stream, handler).IsError() && stream.Tell() == json.size();
}

}  // namespace

void Parse(std::string_view json, JsonTape& tape, const Limits& limits) {
  HLV_ASSERT(limits.maxBytes <= JsonTape::kMaxBytes);
  CheckSize(json, limits);
  if (ParseInPlace(json, tape, limits)) return;
  // A text refused the fast way is read again over the text itself, the way that says exactly
  // what is wrong and where.
  rapidjson::MemoryStream stream(json.data(), json.size());
  JsonTapeBuilder builder(tape, json, nullptr);
  NestingLimitedHandler<JsonTapeBuilder, rapidjson::MemoryStream> handler(builder, stream, json, nullptr,
                                                                          limits.maxNesting);
  rapidjson::Reader reader;
  ReadValidated(json, reader, stream, handler);
  RefuseFaults(json, reader, handler, stream, limits);
}

}  // namespace HardenedJson
