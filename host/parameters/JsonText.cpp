#include "host/parameters/JsonText.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// What each code unit below 0x100 becomes inside a JSON string: 0 for ASCII written as it
// is, the letter of a two-character escape (\" \\ \b \f \n \r \t), 'u' for the other control
// characters (\u00XX), and 'x' for the Latin-1 range, written as two UTF-8 bytes.
constexpr std::array<char, 256> MakeEscapes() {
  std::array<char, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = 'u';
  for (int c = 0x80; c < 0x100; ++c) table[c] = 'x';
  table['"'] = '"';
  table['\\'] = '\\';
  table['\b'] = 'b';
  table['\f'] = 'f';
  table['\n'] = 'n';
  table['\r'] = 'r';
  table['\t'] = 't';
  return table;
}
constexpr std::array<char, 256> kEscapes = MakeEscapes();
constexpr char kHex[] = "0123456789abcdef";

// The text is escaped block by block into a buffer on the stack and appended from there, so
// the output grows once per block instead of once per character. A code unit takes at most six
// bytes (\u00XX); a surrogate pair that straddles the end of a block takes four for two units.
constexpr std::size_t kBlockUnits = 256;
constexpr std::size_t kBlockBytes = kBlockUnits * 6 + 4;

// True when the eight code units at `text` are all printable ASCII other than '"' and '\'.
inline bool EightArePlain(const char16_t* text) {
#if defined(__SSE2__)
  const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  // Signed compares: a unit of 0x8000 or more is negative, so "below 0x20" catches it too.
  __m128i special = _mm_or_si128(_mm_cmplt_epi16(units, _mm_set1_epi16(0x20)),
                                 _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F)));
  special = _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('"')));
  special = _mm_or_si128(special, _mm_cmpeq_epi16(units, _mm_set1_epi16('\\')));
  return _mm_movemask_epi8(special) == 0;
#else
  for (int i = 0; i < 8; ++i)
    if (text[i] >= 0x80 || kEscapes[text[i]] != 0) return false;
  return true;
#endif
}

// Writes the eight plain units at `text` as eight bytes at `out`.
inline void CopyEight(const char16_t* text, char* out) {
#if defined(__SSE2__)
  const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
#else
  for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(text[i]);
#endif
}

inline char* PutUtf8(char* out, char32_t c) {
  if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  *out++ = static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Escapes the units from `i` up to `blockEnd` (one further for a pair that straddles it) into
// `out`; returns the index after the last unit written and moves `out` past its bytes.
std::size_t EscapeBlock(const char16_t* text, std::size_t size, std::size_t i, std::size_t blockEnd, char*& out) {
  char* p = out;
  while (i < blockEnd) {
    if (i + 8 <= blockEnd && EightArePlain(text + i)) {
      CopyEight(text + i, p);
      p += 8;
      i += 8;
      continue;
    }
    const char16_t c = text[i++];
    if (c < 0x100) {
      const char escape = kEscapes[c];
      if (escape == 0) {
        *p++ = static_cast<char>(c);
      } else if (escape == 'x') {
        p = PutUtf8(p, c);
      } else if (escape == 'u') {
        std::copy_n("\\u00", 4, p);
        p[4] = kHex[c >> 4];
        p[5] = kHex[c & 0xF];
        p += 6;
      } else {
        p[0] = '\\';
        p[1] = escape;
        p += 2;
      }
    } else if (c < 0xD800 || c > 0xDFFF) {
      p = PutUtf8(p, c);
    } else if (IsHighSurrogate(c) && i < size && IsLowSurrogate(text[i])) {
      p = PutUtf8(p, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i] - 0xDC00));
      ++i;
    } else {
      p = PutUtf8(p, 0xFFFD);
    }
  }
  out = p;
  return i;
}

}  // namespace

void AppendJsonStringContent(std::string& out, const char16_t* text, std::size_t size) {
  char buffer[kBlockBytes];
  std::size_t i = 0;
  while (i < size) {
    char* end = buffer;
    i = EscapeBlock(text, size, i, std::min(size, i + kBlockUnits), end);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
  }
}

void AppendJsonString(std::string& out, const char16_t* text, std::size_t size) {
  ReserveJson(out, size + 2);
  out.push_back('"');
  AppendJsonStringContent(out, text, size);
  out.push_back('"');
}

void AppendJsonString(std::string& out, const TString& text) {
  // constData, not utf16: the latter may copy a string that wraps raw data.
  AppendJsonString(out, reinterpret_cast<const char16_t*>(text.constData()), static_cast<std::size_t>(text.size()));
}

std::string JsonObjectOfStrings(const std::map<TString, TString>& members) {
  std::string json = "{";
  for (const auto& [name, value] : members) {
    if (json.size() > 1) json += ',';
    AppendJsonString(json, name);
    json += ':';
    AppendJsonString(json, value);
  }
  return json + '}';
}
