// JsonTape: parsed JSON text as one flat run of tokens, for readers that walk it once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// JSON text parsed into its values in document order, eight bytes a value: what a reader that
/// walks the text once needs, without a tree of values. A string whose bytes stand in the text
/// as they read (no escape) points into the text, which must outlive the tape; any other
/// string is kept in the tape's own memory. An array or an object knows its element count and
/// where the value after it starts, so that a reader skips it in one step. An object's members
/// are its name (a string) followed by its value.
///
/// HardenedJson::Parse fills a tape; a reader walks it through JsonValue (host/detail/JsonValue.h).
class JsonTape {
 public:
  enum class Kind : std::uint8_t { kNull, kFalse, kTrue, kNumber, kString, kArray, kObject };

  /// The longest text a tape can index, in bytes.
  static constexpr std::size_t kMaxBytes = (std::size_t{1} << 28) - 1;

  /// The root value's index.
  static constexpr std::uint32_t kRoot = 0;

  Kind KindAt(std::uint32_t index) const { return static_cast<Kind>(m_tokens[index].head >> kKindShift); }

  /// The string at `index`, which must be one.
  std::string_view StringAt(std::uint32_t index) const {
    const Token& token = m_tokens[index];
    const char* base = (token.head & kBufferBit) != 0 ? m_decoded : m_text.data();
    return std::string_view(base + token.tail, token.head & kSizeMask);
  }

  /// The element count of the array, or member count of the object, at `index`.
  std::uint32_t CountAt(std::uint32_t index) const { return m_tokens[index].head & kSizeMask; }

  /// The index of the value after the one at `index` and all it holds.
  std::uint32_t After(std::uint32_t index) const {
    const Kind kind = KindAt(index);
    return kind == Kind::kArray || kind == Kind::kObject ? m_tokens[index].tail : index + 1;
  }

  /// True before anything was parsed into the tape.
  bool IsEmpty() const { return m_tokens.empty(); }

  /// The bytes the tape keeps for the next text parsed into it.
  std::size_t GetReservedBytes() const {
    return m_tokens.capacity() * sizeof(Token) + m_buffer.capacity() + m_terminated.capacity();
  }

 private:
  friend class JsonTapeBuilder;

  struct Token {
    std::uint32_t head;  // kind, whether a string is in m_decoded, and a string's size or a container's count
    std::uint32_t tail;  // a string's offset, or the index of the value after a container
  };
  static constexpr unsigned kKindShift = 29;
  static constexpr std::uint32_t kBufferBit = std::uint32_t{1} << 28;
  static constexpr std::uint32_t kSizeMask = kBufferBit - 1;

  std::string_view m_text;
  std::vector<Token> m_tokens;
  std::string m_buffer;      // the strings with escapes, decoded, when the text is read as it stands
  std::string m_terminated;  // or a copy of the text, ended by NUL bytes, which the reader decodes in place
  const char* m_decoded = nullptr;  // where the strings with escapes are: in one of the two
};
