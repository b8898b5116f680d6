#include "host/Exceptions.h"

#include "host/parameters/ParametersRegistry.h"

#include <utility>

namespace {

// "0xd953b54e", and the registered name when the process registry knows the id.
QString DescribeParameter(unsigned int id) {
  QString text = QStringLiteral("0x%1").arg(id, 8, 16, QLatin1Char('0'));
  if (const ParameterInfo* info = ParametersRegistry::Get().FindParameter(id))
    text = QStringLiteral("\"%1\" (%2)").arg(info->GetName(), text);
  return text;
}

}  // namespace

HalvaneException::HalvaneException(TString message)
    : m_message(std::move(message)), m_what(ToUtf8(m_message)) {}
HalvaneException::~HalvaneException() = default;

LogicException::LogicException(const char* file, int line, TString expression)
    : HalvaneException(std::move(expression)), m_file(file), m_line(line) {}
LogicException::~LogicException() = default;

void ThrowLogicException(const char* file, int line, const char* expression) {
  throw LogicException(file, line, QString::fromUtf8(expression));
}

void ThrowLogicException(const char* file, int line, const TString& text) { throw LogicException(file, line, text); }

CommandException::~CommandException() = default;

TypeMismatchCommandException::TypeMismatchCommandException(unsigned int parameterId)
    : CommandException(parameterId == 0
                           ? QStringLiteral("Parameter value of another type than expected")
                           : QStringLiteral("Parameter %1 is missing or holds a value of another type")
                                 .arg(DescribeParameter(parameterId))),
      m_parameterId(parameterId) {}
TypeMismatchCommandException::~TypeMismatchCommandException() = default;

void ThrowTypeMismatchCommandException(unsigned int parameterId) {
  throw TypeMismatchCommandException(parameterId);
}

ParameterParseException::ParameterParseException(unsigned int parameterId)
    : ParameterParseException(parameterId, TString()) {}

ParameterParseException::ParameterParseException(unsigned int parameterId, const TString& detail)
    : HalvaneException(
          (parameterId == 0 ? QStringLiteral("Cannot parse parameter text")
                            : QStringLiteral("Cannot parse parameter %1").arg(DescribeParameter(parameterId))) +
          (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail)),
      m_parameterId(parameterId) {}
ParameterParseException::~ParameterParseException() = default;

XMLEnumEncodingException::~XMLEnumEncodingException() = default;
XMLEnumDecodingException::~XMLEnumDecodingException() = default;

namespace Implementation {

void ThrowXMLEnumEncodingException() {
  throw XMLEnumEncodingException(QStringLiteral("Enum value has no string"));
}

void ThrowXMLEnumEncodingException(const char* enumName, long long value) {
  throw XMLEnumEncodingException(
      QStringLiteral("%1 value %2 has no string").arg(QString::fromUtf8(enumName)).arg(value));
}

void ThrowXMLEnumDecodingException() {
  throw XMLEnumDecodingException(QStringLiteral("Text names no enum value"));
}

void ThrowXMLEnumDecodingException(const char* enumName, const TString& text) {
  throw XMLEnumDecodingException(
      QStringLiteral("\"%1\" names no %2 value").arg(text, QString::fromUtf8(enumName)));
}

}  // namespace Implementation
