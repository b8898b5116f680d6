#include "host/values/DataValueText.h"

#include "host/Exceptions.h"
#include "host/parameters/SerializeStructure.h"

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

const TString DataValueFormatter::delimiterSpecial = QStringLiteral("%");
const TString DataValueFormatter::delimiterString = QStringLiteral("\"");
const TString DataValueFormatter::delimiterDatetime = QStringLiteral("#");
const TString DataValueFormatter::valueNull = QStringLiteral("%null%");

namespace {

const TString kNullWord = QStringLiteral("null");

TString TypeName(DataType type) { return DataEnumEncodings::DataTypes().Encode(type); }

bool InSupportedYears(const QDate& date) { return date.isValid() && date.year() >= 1 && date.year() <= 9999; }

// --- The plain text of a value of each type -------------------------------------------------

TString FormatDate(const QDate& date) {
  return QStringLiteral("%1-%2-%3")
      .arg(date.year(), 4, 10, QLatin1Char('0'))
      .arg(date.month(), 2, 10, QLatin1Char('0'))
      .arg(date.day(), 2, 10, QLatin1Char('0'));
}

TString FormatDateTime(const QDateTime& dateTime) {
  const QTime time = dateTime.time();
  TString text = FormatDate(dateTime.date()) + QLatin1Char('T') + time.toString(QStringLiteral("HH:mm:ss"));
  if (time.msec() != 0) text += QLatin1Char('.') + QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
  return text;
}

TString FormatReal(double value) {
  if (std::isnan(value)) return QStringLiteral("nan");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The text of a value that is neither empty nor null.
TString PlainText(const DataValue& value) {
  switch (value.GetType()) {
    case DataType::Boolean: return value.GetBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case DataType::Integer: return QString::number(value.GetInteger());
    case DataType::Real: return FormatReal(value.GetReal());
    case DataType::String:
    case DataType::Spatial: return value.GetString();
    case DataType::Date: return FormatDate(value.GetDate());
    case DataType::DateTime: return FormatDateTime(value.GetDateTime());
    case DataType::Binary: return QStringLiteral("0x") + QString::fromLatin1(value.GetBinary().toHex());
    case DataType::Unknown: break;
  }
  return TString();
}

// --- Reading plain texts ----------------------------------------------------------------------

std::optional<DataValue> ParseInteger(const TString& text) {
  static const QRegularExpression pattern(QStringLiteral("\\A-?[0-9]+\\z"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const qlonglong value = text.toLongLong(&ok, 10);
  if (!ok) return std::nullopt;
  return DataValue::MakeInteger(value);
}

std::optional<DataValue> ParseReal(const TString& text) {
  if (text == QLatin1String("nan")) return DataValue::MakeReal(std::nan(""));
  if (text == QLatin1String("inf")) return DataValue::MakeReal(HUGE_VAL);
  if (text == QLatin1String("-inf")) return DataValue::MakeReal(-HUGE_VAL);
  static const QRegularExpression pattern(
      QStringLiteral("\\A-?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][-+]?[0-9]+)?\\z"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const double value = QLocale::c().toDouble(text, &ok);
  if (!ok) return std::nullopt;
  return DataValue::MakeReal(value);
}

std::optional<QDate> ReadDate(const QRegularExpressionMatch& match) {
  const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
  if (!InSupportedYears(date)) return std::nullopt;
  return date;
}

std::optional<DataValue> ParseDate(const TString& text) {
  static const QRegularExpression pattern(QStringLiteral("\\A([0-9]{4})-([0-9]{2})-([0-9]{2})\\z"));
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  const std::optional<QDate> date = ReadDate(match);
  if (!date) return std::nullopt;
  return DataValue::MakeDate(*date);
}

std::optional<DataValue> ParseDateTime(const TString& text) {
  static const QRegularExpression pattern(QStringLiteral(
      "\\A([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[T ]([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:\\.([0-9]{1,3}))?)?)?\\z"));
  const QRegularExpressionMatch match = pattern.match(text);
  if (!match.hasMatch()) return std::nullopt;
  const std::optional<QDate> date = ReadDate(match);
  if (!date) return std::nullopt;
  const TString milliseconds = match.captured(7);
  const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt(),
                   milliseconds.leftJustified(3, QLatin1Char('0')).toInt());
  if (!time.isValid()) return std::nullopt;
  return DataValue::MakeDateTime(QDateTime(*date, time, Qt::UTC));
}

std::optional<DataValue> ParseBinary(const TString& text) {
  static const QRegularExpression pattern(QStringLiteral("\\A0x([0-9a-fA-F]{2})*\\z"));
  if (!pattern.match(text).hasMatch()) return std::nullopt;
  return DataValue::MakeBinary(QByteArray::fromHex(text.mid(2).toLatin1()));
}

// The value of `type` whose plain text is `text`, for values that are neither empty nor null.
std::optional<DataValue> ParsePlain(DataType type, const TString& text) {
  switch (type) {
    case DataType::Boolean:
      if (text == QLatin1String("true")) return DataValue::MakeBoolean(true);
      if (text == QLatin1String("false")) return DataValue::MakeBoolean(false);
      return std::nullopt;
    case DataType::Integer: return ParseInteger(text);
    case DataType::Real: return ParseReal(text);
    case DataType::String: return DataValue::MakeString(text);
    case DataType::Date: return ParseDate(text);
    case DataType::DateTime: return ParseDateTime(text);
    case DataType::Spatial:
      if (text.isEmpty()) return std::nullopt;
      return DataValue::MakeSpatial(text);
    case DataType::Binary: return ParseBinary(text);
    case DataType::Unknown: break;
  }
  return std::nullopt;
}

// --- String literals --------------------------------------------------------------------------

bool IsEscaped(QChar c) { return c == QLatin1Char('%') || c == QLatin1Char('#'); }

// Every "%" and "#" preceded by a backslash: the literal of any string.
TString EscapeAll(const TString& text) {
  TString escaped;
  escaped.reserve(text.size());
  for (QChar c : text) {
    if (IsEscaped(c)) escaped += QLatin1Char('\\');
    escaped += c;
  }
  return escaped;
}

// Only the "%" and "#" that follow a backslash escaped, and "%null%" written as "\%null\%":
// the shortest text that reads back as `text` between string delimiters.
TString EscapeWhereNeeded(const TString& text) {
  if (text == DataValueFormatter::valueNull) return EscapeAll(text);
  TString escaped;
  escaped.reserve(text.size());
  for (int i = 0; i < text.size(); ++i) {
    if (i > 0 && IsEscaped(text[i]) && text[i - 1] == QLatin1Char('\\')) escaped += QLatin1Char('\\');
    escaped += text[i];
  }
  return escaped;
}

TString Unescape(const TString& text) {
  TString plain;
  plain.reserve(text.size());
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\\') && i + 1 < text.size() && IsEscaped(text[i + 1])) ++i;
    plain += text[i];
  }
  return plain;
}

bool IsDelimited(const TString& text, const TString& delimiter) {
  return text.size() >= 2 * delimiter.size() && text.startsWith(delimiter) && text.endsWith(delimiter);
}

TString Undelimited(const TString& text, const TString& delimiter) {
  return text.mid(delimiter.size(), text.size() - 2 * delimiter.size());
}

std::optional<DataValue> ParseStringLiteral(const TString& text) {
  if (!IsDelimited(text, DataValueFormatter::delimiterString)) return std::nullopt;
  const TString content = Undelimited(text, DataValueFormatter::delimiterString);
  if (content == DataValueFormatter::valueNull)
    return DataValue::MakeSpecial(DataValue::kSpecialNull, DataType::String);
  return DataValue::MakeString(Unescape(content));
}

TString Where(int line, int column) {
  if (line < 0) return TString();
  if (column < 0) return QStringLiteral(" at line %1").arg(line);
  return QStringLiteral(" at line %1, column %2").arg(line).arg(column);
}

// --- Localized input --------------------------------------------------------------------------

// The locale's short format with a four-digit year, then its long format.
std::vector<TString> InputFormats(TString shortFormat, const TString& longFormat) {
  if (!shortFormat.contains(QLatin1String("yyyy"))) shortFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
  return {shortFormat, longFormat};
}

std::optional<DataValue> ParseLocalized(DataType type, const TString& text, const QLocale& locale) {
  bool ok = false;
  switch (type) {
    case DataType::Boolean:
      if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return DataValue::MakeBoolean(true);
      if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return DataValue::MakeBoolean(false);
      return std::nullopt;
    case DataType::Integer: {
      const qlonglong value = locale.toLongLong(text, &ok);
      if (ok) return DataValue::MakeInteger(value);
      return std::nullopt;
    }
    case DataType::Real: {
      const double value = locale.toDouble(text, &ok);
      if (ok) return DataValue::MakeReal(value);
      return std::nullopt;
    }
    case DataType::Date:
      for (const TString& format :
           InputFormats(locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat))) {
        const QDate date = locale.toDate(text, format);
        if (InSupportedYears(date)) return DataValue::MakeDate(date);
      }
      return std::nullopt;
    case DataType::DateTime:
      for (const TString& format :
           InputFormats(locale.dateTimeFormat(QLocale::ShortFormat), locale.dateTimeFormat(QLocale::LongFormat))) {
        const QDateTime dateTime = locale.toDateTime(text, format);
        if (dateTime.isValid() && InSupportedYears(dateTime.date())) return DataValue::MakeDateTime(dateTime);
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::atomic<unsigned int> gSessionLcid{LocaleHelper::kLcidEnglishUS};

}  // namespace

// --- DataValueFormatter and ContextualDataValueSerializerCore -------------------------------

TString DataValueFormatter::Format(const DataValue& value) {
  if (!value.HasValue()) return TString();
  if (value.IsNull()) return valueNull;
  switch (value.GetType()) {
    case DataType::String: return delimiterString + EscapeAll(value.GetString()) + delimiterString;
    case DataType::Date:
    case DataType::DateTime: return delimiterDatetime + PlainText(value) + delimiterDatetime;
    default: return PlainText(value);
  }
}

TString ContextualDataValueSerializerCore::ToString(const DataValue& value) {
  if (!value.HasValue()) return TString();
  if (value.IsNull()) return value.GetType() == DataType::String ? DataValueFormatter::valueNull : kNullWord;
  return PlainText(value);
}

// --- DataValueParser and ColumnDataValueParser ------------------------------------------------

DataValue DataValueParser::ParseGeneric(DataType type, const Collation& /*collation: same syntax under all*/, int line,
                                        int column, const TString& text, bool lenient) {
  if (text.isEmpty()) return DataValue();
  if (text == DataValueFormatter::valueNull) return DataValue::MakeSpecial(DataValue::kSpecialNull, type);
  std::optional<DataValue> value;
  switch (type) {
    case DataType::String:
      value = ParseStringLiteral(text);
      break;
    case DataType::Date:
    case DataType::DateTime:
      value = ParsePlain(type, IsDelimited(text, DataValueFormatter::delimiterDatetime)
                                   ? Undelimited(text, DataValueFormatter::delimiterDatetime)
                                   : text);
      break;
    default:
      value = ParsePlain(type, text);
      break;
  }
  if (value) return *value;
  if (lenient) return DataValue::MakeSpecial(DataValue::kSpecialNull, type);
  throw ParameterParseException(
      0, QStringLiteral("\"%1\" is not a literal of type %2%3").arg(text, TypeName(type), Where(line, column)));
}

const TString& ColumnDataValueParser::GetSyntaxVersion() {
  static const TString version = QStringLiteral("8.0");
  return version;
}

ColumnDataValueParser::ColumnDataValueParser(const QDomElement& root, const IColumn& column, bool trimWhiteSpace,
                                             bool lenient)
    : m_column(column), m_trimWhiteSpace(trimWhiteSpace), m_lenient(lenient) {
  const TString attribute = QStringLiteral(":source-version");
  if (!root.hasAttribute(attribute)) return;
  const VersionNumber source(root.attribute(attribute), QLatin1Char('.'), QLatin1Char('-'), 0);
  const VersionNumber supported(GetSyntaxVersion(), QLatin1Char('.'), QLatin1Char('-'), 0);
  if (source.GetComponents().front() > supported.GetComponents().front())
    throw ParameterParseException(0, QStringLiteral("Data values written in literal syntax %1 cannot be read; %2 is "
                                                    "the newest this host reads")
                                         .arg(source.GetAsString(), supported.GetAsString()));
}

DataValue ColumnDataValueParser::Parse(const QDomElement& element) const {
  const TString text = m_trimWhiteSpace ? element.text().trimmed() : element.text();
  return DataValueParser::ParseGeneric(m_column.GetDataType(), m_column.GetCollation(), element.lineNumber(),
                                       element.columnNumber(), text, m_lenient);
}

// --- DataValueInputParser and LocaleHelper ----------------------------------------------------

DataValue DataValueInputParser::Parse(const TString& text, unsigned int lcid) const {
  if (text == DataValueFormatter::valueNull) return DataValue::MakeSpecial(DataValue::kSpecialNull, m_type);
  if (m_type == DataType::String) return DataValue::MakeString(text);
  const TString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.compare(kNullWord, Qt::CaseInsensitive) == 0)
    return DataValue::MakeSpecial(DataValue::kSpecialNull, m_type);
  if (std::optional<DataValue> value = ParsePlain(m_type, trimmed)) return *value;
  if (std::optional<DataValue> value = ParseLocalized(m_type, trimmed, LocaleHelper::GetLocale(lcid))) return *value;
  throw ParameterParseException(0, QStringLiteral("\"%1\" is not a value of type %2").arg(text, TypeName(m_type)));
}

unsigned int LocaleHelper::GetSessionLCID() { return gSessionLcid.load(std::memory_order_relaxed); }

void LocaleHelper::SetSessionLCID(unsigned int lcid) { gSessionLcid.store(lcid, std::memory_order_relaxed); }

QLocale LocaleHelper::GetLocale(unsigned int lcid) {
  switch (lcid) {
    case 0x0409: return QLocale(QLocale::English, QLocale::UnitedStates);
    case 0x0809: return QLocale(QLocale::English, QLocale::UnitedKingdom);
    case 0x0407: return QLocale(QLocale::German, QLocale::Germany);
    case 0x040c: return QLocale(QLocale::French, QLocale::France);
    case 0x0410: return QLocale(QLocale::Italian, QLocale::Italy);
    case 0x0c0a: return QLocale(QLocale::Spanish, QLocale::Spain);
    case 0x0416: return QLocale(QLocale::Portuguese, QLocale::Brazil);
    case 0x0411: return QLocale(QLocale::Japanese, QLocale::Japan);
    case 0x0412: return QLocale(QLocale::Korean, QLocale::SouthKorea);
    case 0x0804: return QLocale(QLocale::Chinese, QLocale::China);
    default: return QLocale::c();
  }
}

// --- VersionNumber ----------------------------------------------------------------------------

VersionNumber::VersionNumber(const TString& text, QChar separator, QChar suffixSeparator, unsigned int flags)
    : m_separator(separator), m_suffixSeparator(suffixSeparator) {
  HLV_ASSERT(flags == 0);
  const auto fail = [&text] {
    throw ParameterParseException(0, QStringLiteral("\"%1\" is not a version number").arg(text));
  };
  const int suffixAt = text.indexOf(suffixSeparator);
  if (suffixAt >= 0) {
    m_suffix = text.mid(suffixAt + 1);
    if (m_suffix.isEmpty()) fail();
  }
  for (const TString& part : text.left(suffixAt < 0 ? text.size() : suffixAt).split(separator)) {
    bool ok = !part.isEmpty() &&
              std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; });
    const int number = ok ? part.toInt(&ok, 10) : 0;
    if (!ok) fail();
    m_components.push_back(number);
  }
}

TString VersionNumber::GetAsString() const {
  TString text;
  for (int component : m_components) {
    if (!text.isEmpty()) text += m_separator;
    text += QString::number(component);
  }
  if (!m_suffix.isEmpty()) text += m_suffixSeparator + m_suffix;
  return text;
}

// --- DataSerializerHelpers --------------------------------------------------------------------

void DataSerializerHelpers::SerializeDataValueVector(SerializeStructure& ss, unsigned int id,
                                                     const std::vector<DataValue>& values, DataType type) {
  for (const DataValue& value : values)
    if (value.GetType() != type)
      HLV_THROW_LOGIC(QStringLiteral("A %1 value cannot be written in a %2 column")
                          .arg(TypeName(value.GetType()), TypeName(type)));
  ListStructure list(id, ss, kParameterTypeDefault);
  for (const DataValue& value : values) {
    if (type == DataType::String)
      ss.ListItem(value.IsNull() ? DataValueFormatter::valueNull : EscapeWhereNeeded(value.GetString()));
    else
      ss.ListItem(value.IsNull() || !value.HasValue() ? TString() : PlainText(value));
  }
}

// --- ParameterTypeSerializer<DataValue> -------------------------------------------------------

TString ParameterTypeSerializer<DataValue>::TypeToString(const DataValue& value) {
  if (!value.HasValue()) return TString();
  const TString type = TypeName(value.GetType());
  if (value.IsNull()) return type + DataValueFormatter::valueNull;
  return type + QLatin1Char(':') + PlainText(value);
}

DataValue ParameterTypeSerializer<DataValue>::TypeFromString(const TString& text) {
  if (text.isEmpty()) return DataValue();
  int end = 0;
  while (end < text.size() && text[end] >= QLatin1Char('a') && text[end] <= QLatin1Char('z')) ++end;
  const std::optional<std::int32_t> typeValue = DataEnumEncodings::DataTypes().GetTable().FindValue(text.left(end));
  const DataType type = typeValue ? static_cast<DataType>(*typeValue) : DataType::Unknown;
  const TString rest = text.mid(end);
  if (type != DataType::Unknown) {
    if (rest == DataValueFormatter::valueNull) return DataValue::MakeSpecial(DataValue::kSpecialNull, type);
    if (rest.startsWith(QLatin1Char(':')))
      if (std::optional<DataValue> value = ParsePlain(type, rest.mid(1))) return *value;
  }
  throw ParameterParseException(
      0, QStringLiteral("\"%1\" is not a data value (a type such as \"integer\", then ':' and the value, or %2)")
             .arg(text, DataValueFormatter::valueNull));
}
