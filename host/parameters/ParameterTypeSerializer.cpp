#include "host/parameters/ParameterTypeSerializer.h"

#include "host/Exceptions.h"

#include <charconv>

namespace {

[[noreturn]] void FailToParse(const TString& text, const char* what) {
  throw ParameterParseException(0, QStringLiteral("\"%1\" is not %2").arg(text, QLatin1String(what)));
}

// Plain decimal digits only: no sign, no white space, no leading '+'.
bool IsDecimal(const TString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

// A decimal number as a JSON string: the same digits QString::number writes.
template <typename N>
std::string QuotedDecimal(N value) {
  char buffer[16];
  buffer[0] = '"';
  char* end = std::to_chars(buffer + 1, buffer + sizeof buffer - 1, value).ptr;
  *end++ = '"';
  return std::string(buffer, end);
}

}  // namespace

TString ParameterTypeSerializer<bool>::TypeToString(const bool& value) {
  return value ? QStringLiteral("true") : QStringLiteral("false");
}

bool ParameterTypeSerializer<bool>::TypeFromString(const TString& text) {
  if (text == QLatin1String("true")) return true;
  if (text == QLatin1String("false")) return false;
  FailToParse(text, "a bool (\"true\" or \"false\")");
}

bool ParameterTypeSerializer<bool>::TypeFromUtf8(std::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  return TypeFromString(TStringFromUtf8(text));  // refuses it with the text in the message
}

TString ParameterTypeSerializer<int>::TypeToString(const int& value) { return QString::number(value); }

std::string ParameterTypeSerializer<int>::TypeToJson(const int& value) { return QuotedDecimal(value); }

int ParameterTypeSerializer<int>::TypeFromString(const TString& text) {
  const bool negative = text.startsWith(QLatin1Char('-'));
  bool ok = IsDecimal(negative ? text.mid(1) : text);
  const int value = ok ? text.toInt(&ok, 10) : 0;
  if (!ok) FailToParse(text, "a 32-bit integer");
  return value;
}

TString ParameterTypeSerializer<unsigned int>::TypeToString(const unsigned int& value) {
  return QString::number(value);
}

std::string ParameterTypeSerializer<unsigned int>::TypeToJson(const unsigned int& value) {
  return QuotedDecimal(value);
}

unsigned int ParameterTypeSerializer<unsigned int>::TypeFromString(const TString& text) {
  bool ok = IsDecimal(text);
  const unsigned int value = ok ? text.toUInt(&ok, 10) : 0;
  if (!ok) FailToParse(text, "a 32-bit unsigned integer");
  return value;
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<bool>>() {
  return MakeRefCnt<ParameterTypeSerializer<bool>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<int>>() {
  return MakeRefCnt<ParameterTypeSerializer<int>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<unsigned int>>() {
  return MakeRefCnt<ParameterTypeSerializer<unsigned int>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<TStringSerializer>() {
  return MakeRefCnt<TStringSerializer>();
}
