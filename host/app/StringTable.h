// The host's string tables: every text users see, by numeric string id, in English and in the
// translations the tables carry (schema/strings.def). The ids the library uses are named in the
// generated host/app/StringIds.h.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

using StringId = std::uint32_t;

/// The text of `id` in the user's language (English). An id the tables do not hold raises
/// LogicException naming it.
HLVHOST_API TString LookupTStr(StringId id);
/// The text of `id` in `locale` (an ISO string such as "de_DE" or "de-DE", or a short alias
/// such as "de"): the translation for the language with its region, else for the language, else
/// English. An id the tables do not hold raises LogicException naming it.
HLVHOST_API TString LookupTStr(StringId id, const TString& locale);
/// The same as LookupTStr(id); the name the product uses for some lookups.
HLVHOST_API TString LookupString(StringId id);

/// A format string with "%1".."%99" placeholders, filled one argument at a time: each arg()
/// replaces every occurrence of the lowest-numbered placeholder left, as QString::arg does. The
/// format is filled from its original text in one pass, so, unlike chained QString::arg calls,
/// text of an argument is never read as a placeholder. An argument beyond the placeholders is
/// dropped.
class HLVHOST_API TFormatString {
 public:
  explicit TFormatString(TString format);

  TFormatString& arg(const TString& value);
  /// `value` right-aligned in `fieldWidth` characters (left-aligned when negative) padded with `fill`.
  TFormatString& arg(const TString& value, int fieldWidth, QChar fill = QLatin1Char(' '));
  TFormatString& arg(long long value);

  const TString& ToString() const noexcept { return m_text; }
  operator TString() const { return m_text; }  // NOLINT: a filled format is text.

 private:
  void Fill();

  TString m_format;
  std::vector<TString> m_arguments;
  TString m_text;
};

/// The format string of `id`, to fill with arg().
HLVHOST_API TFormatString LookupTFmtStr(StringId id);
