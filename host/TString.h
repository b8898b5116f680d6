// TString: the host's wide (UTF-16) string.
//
// TString is Qt's QString under the host's name: parameter names, enum strings, attribute
// names and serialized values are all TStrings. The helpers below make every crossing to and
// from UTF-8 `char` text explicit.
#pragma once

#include "host/HostExport.h"

#include <QString>
#include <QtCore/qhashfunctions.h>  // std::hash<QString>, for unordered containers of TStrings

#include <cstddef>
#include <string>
#include <string_view>

using TString = QString;

/// The QLatin1String of a string literal, usable in constant expressions with every compiler:
/// QLatin1String's constructor from a C string counts with strlen, which g++ evaluates at
/// compile time and clang does not.
template <std::size_t N>
constexpr QLatin1String Latin1Literal(const char (&text)[N]) noexcept {
  return QLatin1String(text, static_cast<int>(N - 1));
}

/// The UTF-8 encoding of `text`. An unpaired surrogate becomes "?", as Qt encodes it (the JSON
/// writer has its own encoder, which writes U+FFFD).
HLVHOST_API std::string ToUtf8(const TString& text);

/// The TString of UTF-8 `text`. Invalid sequences become U+FFFD.
HLVHOST_API TString TStringFromUtf8(std::string_view text);

/// The TString of a wide C string, as registered parameter names are given.
HLVHOST_API TString TStringFromWide(const wchar_t* text);
