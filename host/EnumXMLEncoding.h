// EnumStringTable and EnumXMLEncoding: enums written as fixed strings and read back.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/TString.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

/// The strings of one enum: each value (a 32-bit signed integer) has exactly one string, and
/// one value is the default that text naming no value decodes to.
///
/// A table is built once and only read afterwards, so it may be read from several threads at
/// once.
class HLVHOST_API EnumStringTable {
 public:
  struct Entry {
    std::int32_t value;
    TString text;
  };

  /// A table of `entries`. When two entries name the same value, the later string replaces
  /// the earlier. `name` names the enum in error messages and listings.
  EnumStringTable(const char* name, std::int32_t defaultValue, std::vector<Entry> entries);

  const char* GetName() const noexcept { return m_name; }
  std::int32_t GetDefault() const noexcept { return m_default; }
  /// The entries in ascending order of value.
  const std::vector<Entry>& GetEntries() const noexcept { return m_entries; }

  /// The string of `value`, or null when it has none.
  const TString* FindText(std::int32_t value) const noexcept;
  /// The value of the first entry, in ascending order of value, whose string is `text`
  /// (compared exactly, case included).
  std::optional<std::int32_t> FindValue(const TString& text) const noexcept;
  /// FindValue of the UTF-8 text `text`, compared with the entries' JSON strings so that
  /// reading needs no TString.
  std::optional<std::int32_t> FindValueUtf8(std::string_view text) const;

  /// The string of `value`; a value without one raises XMLEnumEncodingException.
  TString Encode(std::int32_t value) const;
  /// The string of `value` as a JSON string (quoted, escaped, UTF-8), made when the table
  /// was; a value without one raises XMLEnumEncodingException.
  const std::string& EncodeJson(std::int32_t value) const;
  /// The value of `text`, or the default when no entry has it. Never fails.
  std::int32_t Decode(const TString& text) const noexcept;
  /// Decode of the UTF-8 text `text`.
  std::int32_t DecodeUtf8(std::string_view text) const { return FindValueUtf8(text).value_or(m_default); }

 private:
  const Entry* FindEntry(std::int32_t value) const noexcept;

  const char* m_name;
  std::int32_t m_default;
  std::vector<Entry> m_entries;    // ascending values
  std::vector<std::string> m_json;  // the JSON string of each entry, in the same order
};

/// The string table of enum E. Each enum with a generated table specializes it: the host's
/// connection enums in host/HostEnums.h, the library's in parameters/Enums.h.
template <typename E>
const EnumStringTable& EnumTableOf();

/// The strings of enum E, through an EnumStringTable. Hosts keep one instance per enum.
template <typename E, typename S = TString>
class EnumXMLEncoding {
  static_assert(std::is_same_v<S, TString>, "enums are encoded as TStrings");

 public:
  struct Entry {
    E value;
    const char16_t* text;
  };

  EnumXMLEncoding(const char* name, E defaultValue, std::initializer_list<Entry> entries)
      : m_table(name, static_cast<std::int32_t>(defaultValue), ToEntries(entries)) {}

  /// The string of `value`; a value without one raises XMLEnumEncodingException.
  S Encode(E value) const { return m_table.Encode(static_cast<std::int32_t>(value)); }
  /// Encode as a JSON string, quoted and escaped, in UTF-8.
  const std::string& EncodeJson(E value) const { return m_table.EncodeJson(static_cast<std::int32_t>(value)); }

  /// The value of `text`. Text that names no value gives the default, or raises
  /// XMLEnumDecodingException when `throwOnFailure` is set.
  E Decode(const S& text, bool throwOnFailure) const {
    if (const std::optional<std::int32_t> value = m_table.FindValue(text)) return static_cast<E>(*value);
    if (throwOnFailure) Implementation::ThrowXMLEnumDecodingException(m_table.GetName(), text);
    return static_cast<E>(m_table.GetDefault());
  }

  const EnumStringTable& GetTable() const noexcept { return m_table; }

 private:
  static std::vector<EnumStringTable::Entry> ToEntries(std::initializer_list<Entry> entries) {
    std::vector<EnumStringTable::Entry> converted;
    converted.reserve(entries.size());
    for (const Entry& entry : entries)
      converted.push_back({static_cast<std::int32_t>(entry.value), QString::fromUtf16(entry.text)});
    return converted;
  }

  EnumStringTable m_table;
};
