#include "host/EnumXMLEncoding.h"

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"

#include <algorithm>
#include <utility>

EnumStringTable::EnumStringTable(const char* name, std::int32_t defaultValue, std::vector<Entry> entries)
    : m_name(name), m_default(defaultValue) {
  // Keep the last string given for a value, then order by value.
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.value < b.value; });
  for (Entry& entry : entries) {
    if (!m_entries.empty() && m_entries.back().value == entry.value)
      m_entries.back().text = std::move(entry.text);
    else
      m_entries.push_back(std::move(entry));
  }
  m_json.reserve(m_entries.size());
  for (const Entry& entry : m_entries) {
    m_json.emplace_back();
    AppendJsonString(m_json.back(), entry.text);
  }
}

const EnumStringTable::Entry* EnumStringTable::FindEntry(std::int32_t value) const noexcept {
  const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), value,
                                      [](const Entry& entry, std::int32_t v) { return entry.value < v; });
  return found != m_entries.end() && found->value == value ? &*found : nullptr;
}

const TString* EnumStringTable::FindText(std::int32_t value) const noexcept {
  const Entry* entry = FindEntry(value);
  return entry != nullptr ? &entry->text : nullptr;
}

std::optional<std::int32_t> EnumStringTable::FindValue(const TString& text) const noexcept {
  for (const Entry& entry : m_entries)
    if (entry.text == text) return entry.value;
  return std::nullopt;
}

std::optional<std::int32_t> EnumStringTable::FindValueUtf8(std::string_view text) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    // The JSON string is the entry's text quoted; where the writer escaped something, the
    // text itself is compared.
    const std::string_view json = std::string_view(m_json[i]).substr(1, m_json[i].size() - 2);
    const bool escaped = json.find('\\') != std::string_view::npos;
    if (escaped ? m_entries[i].text == TStringFromUtf8(text) : json == text) return m_entries[i].value;
  }
  return std::nullopt;
}

TString EnumStringTable::Encode(std::int32_t value) const {
  if (const TString* text = FindText(value)) return *text;
  Implementation::ThrowXMLEnumEncodingException(m_name, value);
}

const std::string& EnumStringTable::EncodeJson(std::int32_t value) const {
  if (const Entry* entry = FindEntry(value)) return m_json[static_cast<std::size_t>(entry - m_entries.data())];
  Implementation::ThrowXMLEnumEncodingException(m_name, value);
}

std::int32_t EnumStringTable::Decode(const TString& text) const noexcept {
  return FindValue(text).value_or(m_default);
}
