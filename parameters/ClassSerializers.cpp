#include "parameters/ClassSerializers.h"

#include "host/Exceptions.h"
#include "host/values/QualifiedName.h"

TString ParameterTypeSerializer<ConnectionFullName>::TypeToString(const ConnectionFullName& name) {
  QualifiedName qualified;
  qualified.Push(name.GetDataSourceName());
  qualified.Push(name.GetConnectionName());
  qualified.Push(name.GetContext());
  return qualified.GetFullValue();
}

ConnectionFullName ParameterTypeSerializer<ConnectionFullName>::TypeFromString(const TString& text) {
  const QualifiedName qualified = QualifiedName::ParseGlobal(text);
  return ConnectionFullName::LeafConnection(qualified.GetComponent(0), qualified.GetComponent(1),
                                            qualified.GetComponent(2));
}

TString ParameterTypeSerializer<FormattedText>::TypeToString(const FormattedText& text) {
  XMLStringFormatter output(2, false);
  FormattedTextFormatter(output).Write(text);
  return output.GetOutput();
}

FormattedText ParameterTypeSerializer<FormattedText>::TypeFromString(const TString& text) {
  const DOMDocument document = DOMParser::ParseXmlString(text, TString());
  if (document.HasErrors())
    throw ParameterParseException(0, QStringLiteral("formatted text is not XML: ") + document.GetErrors());
  const QDomElement element = document.GetRoot().firstChildElement(QStringLiteral("formatted-text"));
  if (element.isNull()) throw ParameterParseException(0, QStringLiteral("no <formatted-text> element below the root"));
  return FormattedTextParser(NamespaceFactory()).Parse(element);
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<ConnectionFullName>>() {
  return MakeRefCnt<ParameterTypeSerializer<ConnectionFullName>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<FormattedText>>() {
  return MakeRefCnt<ParameterTypeSerializer<FormattedText>>();
}
