// Escaping of JSON strings, shared by the writers of the JSON text form.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <cstddef>
#include <map>
#include <string>

/// Appends `text` to `out` as a quoted JSON string in UTF-8: quotes, backslashes and control
/// characters escaped, every other character (non-ASCII included) written as it is, and an
/// unpaired surrogate written as U+FFFD.
HLVHOST_API void AppendJsonString(std::string& out, const TString& text);

/// `members` as a JSON object of strings, its keys in the map's order.
HLVHOST_API std::string JsonObjectOfStrings(const std::map<TString, TString>& members);

/// AppendJsonString for `size` UTF-16 code units at `text`.
HLVHOST_API void AppendJsonString(std::string& out, const char16_t* text, std::size_t size);

/// AppendJsonString without the quotes: the escaped UTF-8 of `size` UTF-16 code units at `text`,
/// for a writer that makes one JSON string of several texts.
HLVHOST_API void AppendJsonStringContent(std::string& out, const char16_t* text, std::size_t size);

/// Makes room in `out` for `extra` more bytes, at least doubling its capacity when it grows, so
/// that appending in many small steps stays linear.
inline void ReserveJson(std::string& out, std::size_t extra) {
  const std::size_t needed = out.size() + extra;
  if (needed <= out.capacity()) return;
  out.reserve(needed > 2 * out.capacity() ? needed : 2 * out.capacity());
}
