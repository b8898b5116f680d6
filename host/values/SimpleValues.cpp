#include "host/values/SimpleValues.h"

TString FieldName::GetFullValue() const {
  if (m_name.isEmpty()) return TString();
  return QLatin1Char('[') + TString(m_name).replace(QLatin1Char(']'), QStringLiteral("]]")) + QLatin1Char(']');
}

FieldName FieldName::Parse(const TString& text) {
  if (text.size() >= 2 && text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
    return FieldName(text.mid(1, text.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]")));
  return FieldName(text);
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
