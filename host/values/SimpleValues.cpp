#include "host/values/SimpleValues.h"

#include "host/Exceptions.h"

TString FieldName::GetFullValue() const {
  if (m_name.isEmpty()) return TString();
  return QLatin1Char('[') + TString(m_name).replace(QLatin1Char(']'), QStringLiteral("]]")) + QLatin1Char(']');
}

FieldName FieldName::Parse(const TString& text) {
  if (text.size() >= 2 && text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
    return FieldName(text.mid(1, text.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]")));
  return FieldName(text);
}

QualifiedName FieldName::GetQualifiedName() const {
  if (m_name.isEmpty()) return QualifiedName();
  try {
    return QualifiedName::ParseGlobal(m_name);
  } catch (const ParameterParseException&) {  // not a qualified name: a name of one part
    return QualifiedName({m_name});
  }
}

TString FieldName::GetLeafValue() const {
  const QualifiedName name = GetQualifiedName();
  return name.IsEmpty() ? TString() : name.GetComponents().back();
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<FieldName>>() {
  return MakeRefCnt<ParameterTypeSerializer<FieldName>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<PasswordString>>() {
  return MakeRefCnt<ParameterTypeSerializer<PasswordString>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<ImageIdentifier>>() {
  return MakeRefCnt<ParameterTypeSerializer<ImageIdentifier>>();
}
