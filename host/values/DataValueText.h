// The texts of data values: the plain text of a value, the literal syntax that reads a text
// against a type, user input under a locale, and the list of a column's values.
//
// The literal syntax reads one value of a known type:
//
//   (empty)            the empty value
//   %null%             the null value of the type (DataValueFormatter::valueNull)
//   "text"             a string (type string only, which must be quoted). Inside the quotes
//                      \% stands for %, \# for # and every other character for itself; the
//                      one exception is "%null%", which is the null string
//   #2024-02-29#       a date; datetimes as #2024-02-29T13:05:00.250# (or with a space for
//                      the T). The #s may be left out
//   true, -12, 0.5     booleans, 64-bit integers and reals (C locale; nan, inf, -inf)
//   0x00ff             binary bytes in hexadecimal
//   POINT (1 2)        a spatial value: its well-known text, as it is
//
// The plain text of a value (ContextualDataValueSerializerCore::ToString) is the literal
// without its delimiters: strings as they are, dates as 2024-02-29, the null value as "null"
// (as "%null%" for strings).
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/values/DataColumn.h"
#include "host/values/DataValue.h"

#include <QDomElement>
#include <QLocale>

#include <vector>

class SerializeStructure;

/// The delimiters and keywords of the literal syntax, and the writer of literals.
class HLVHOST_API DataValueFormatter {
 public:
  static const TString delimiterSpecial;   ///< "%", around the name of a special value
  static const TString delimiterString;    ///< "\"", around a string
  static const TString delimiterDatetime;  ///< "#", around a date or a datetime
  static const TString valueNull;          ///< "%null%", the null value of any type

  /// The literal of `value`, which DataValueParser::ParseGeneric reads back for its type.
  static TString Format(const DataValue& value);
};

/// The plain text of data values, which ContextualDataValueSerializer reads back against a
/// column.
class HLVHOST_API ContextualDataValueSerializerCore {
 public:
  /// The text of `value` without delimiters: a string as it is, the null value as "null" for
  /// non-string types and as DataValueFormatter::valueNull for strings, the empty value as the
  /// empty text. Reading it back against a column of the value's type gives the value again,
  /// except for the texts that are also null keywords: the string "%null%" reads back as the
  /// null string, and the spatial texts "null" and "%null%" as the null spatial value.
  static TString ToString(const DataValue& value);
};

/// Reads literals.
class HLVHOST_API DataValueParser {
 public:
  /// Reads the literal `text` as a value of `type`.
  ///
  /// `collation` is that of the column the literal belongs to: the syntax is the same under
  /// every collation, and values do not keep one (their column's user type does). `line` and
  /// `column` locate the literal in its source for error messages; -1 when unknown. Text that
  /// is not a literal of `type` raises ParameterParseException, or gives the null value of
  /// `type` when `lenient` is set.
  static DataValue ParseGeneric(DataType type, const Collation& collation, int line, int column,
                                const TString& text, bool lenient);
};

/// Reads the literal held by an element of a DOM against a column.
class HLVHOST_API ColumnDataValueParser {
 public:
  /// The version of the literal syntax this parser reads.
  static const TString& GetSyntaxVersion();

  /// A parser of the literals of `column`, in a document whose root element is `root`. The
  /// root's ":source-version" attribute, when present, is the syntax version the document was
  /// written in; a major version newer than GetSyntaxVersion()'s raises
  /// ParameterParseException.
  /// With `trimWhiteSpace`, white space around a literal is ignored; with `lenient`, a text
  /// that is not a literal of the column's type gives its null value.
  ColumnDataValueParser(const QDomElement& root, const IColumn& column, bool trimWhiteSpace, bool lenient);

  /// The value of the text of `element`.
  DataValue Parse(const QDomElement& element) const;

 private:
  const IColumn& m_column;
  bool m_trimWhiteSpace;
  bool m_lenient;
};

/// Reads values as a user types them: the plain text of ContextualDataValueSerializerCore
/// first, then numbers, dates and datetimes in the forms of a locale, with four-digit years
/// ("1.234,5" and "29.02.2024" under German). Strings are taken as they are; "%null%", and for other types
/// "null" in any case and the empty text, are the null value. Text that fits none of these
/// raises ParameterParseException.
class HLVHOST_API DataValueInputParser {
 public:
  explicit DataValueInputParser(DataType type) : m_type(type) {}

  /// The value of `text` under the Windows locale id `lcid` (see LocaleHelper).
  DataValue Parse(const TString& text, unsigned int lcid) const;

 private:
  DataType m_type;
};

/// The locale of the session, as a Windows locale id (LCID).
namespace LocaleHelper {

inline constexpr unsigned int kLcidEnglishUS = 0x0409;

/// The session's LCID; kLcidEnglishUS until the host sets another.
HLVHOST_API unsigned int GetSessionLCID();
HLVHOST_API void SetSessionLCID(unsigned int lcid);

/// The locale of `lcid`: English (US, UK), German, French, Italian, Spanish, Portuguese
/// (Brazil), Japanese, Korean and Chinese (PRC) are known; any other id is the C locale.
HLVHOST_API QLocale GetLocale(unsigned int lcid);

}  // namespace LocaleHelper

/// A version such as "8.0" or "2024.1.3-beta": non-negative numbers and an optional suffix.
class HLVHOST_API VersionNumber {
 public:
  /// Reads `text`: numbers separated by `separator`, then optionally `suffixSeparator` and a
  /// suffix. `flags` is reserved and must be 0. Text of another form raises
  /// ParameterParseException.
  VersionNumber(const TString& text, QChar separator, QChar suffixSeparator, unsigned int flags);

  /// The version, such as "8.0", its numbers without leading zeros.
  TString GetAsString() const;
  const std::vector<int>& GetComponents() const noexcept { return m_components; }
  const TString& GetSuffix() const noexcept { return m_suffix; }

 private:
  std::vector<int> m_components;
  TString m_suffix;
  QChar m_separator;
  QChar m_suffixSeparator;
};

namespace DataSerializerHelpers {

/// Writes the values of a column of `type` as a list under `id`, one text per value, which
/// the column reader reads back into the same values:
/// - in a string column, a string as it is, except that a backslash is added before each "%"
///   or "#" that follows a backslash and the string "%null%" is written "\%null\%"; the null
///   value as "%null%";
/// - in other columns, the null value as the empty text and any other value as its plain
///   text (ContextualDataValueSerializerCore::ToString).
/// A value of another type than `type` is a logic error.
HLVHOST_API void SerializeDataValueVector(SerializeStructure& ss, unsigned int id, const std::vector<DataValue>& values,
                                          DataType type);

}  // namespace DataSerializerHelpers
