#include "host/values/QualifiedName.h"

#include "host/Exceptions.h"

namespace {

[[noreturn]] void Fail(const TString& text, int position, const char* what) {
  throw ParameterParseException(
      0, QStringLiteral("\"%1\" is not a qualified name: %2 at %3").arg(text, QLatin1String(what)).arg(position));
}

}  // namespace

QualifiedName QualifiedName::ParseGlobal(const TString& text) {
  QualifiedName name;
  if (text.isEmpty()) return name;
  const int size = text.size();
  int i = 0;
  while (true) {
    TString component;
    if (text[i] == QLatin1Char('[')) {
      ++i;
      while (true) {
        if (i >= size) Fail(text, i, "unterminated '['");
        if (text[i] == QLatin1Char(']')) {
          if (i + 1 < size && text[i + 1] == QLatin1Char(']')) {
            component += QLatin1Char(']');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        component += text[i++];
      }
    } else {
      const int start = i;
      while (i < size && text[i] != QLatin1Char('.')) {
        if (text[i] == QLatin1Char('[') || text[i] == QLatin1Char(']')) Fail(text, i, "bracket inside a bare component");
        ++i;
      }
      component = text.mid(start, i - start);
      if (component.isEmpty() || component.trimmed() != component) Fail(text, start, "empty or padded component");
    }
    name.m_components.push_back(component);
    if (i == size) return name;
    if (text[i] != QLatin1Char('.')) Fail(text, i, "expected '.'");
    if (++i == size) Fail(text, i, "missing component after '.'");
  }
}

TString QualifiedName::GetFullValue() const {
  TString value;
  for (const TString& component : m_components) {
    if (!value.isEmpty()) value += QLatin1Char('.');
    value += QLatin1Char('[');
    value += TString(component).replace(QLatin1Char(']'), QStringLiteral("]]"));
    value += QLatin1Char(']');
  }
  return value;
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QualifiedName>>() {
  return MakeRefCnt<ParameterTypeSerializer<QualifiedName>>();
}
