// The string tables as the generator writes them (host/app/StringTables.cpp, from
// schema/strings.def), for the lookups of host/app/StringTable.cpp. Not part of the host's API.
#pragma once

#include "host/app/StringTable.h"

#include <cstddef>

namespace StringTableData {

/// A string's text in one locale: "de", "fr", "ja", or a language with its region ("pt_BR").
struct Translation {
  const char* locale;
  const char16_t* text;
};

/// One string: its id, English text and translations.
struct Entry {
  StringId id;
  const char16_t* english;
  const Translation* translations;  // null when there are none
  std::size_t translationCount;
};

/// Every string, in ascending order of id.
extern const Entry kEntries[];
extern const std::size_t kEntryCount;

}  // namespace StringTableData
