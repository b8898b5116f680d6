#include "host/values/QualifiedName.h"

#include "host/Exceptions.h"
#include "host/parameters/JsonText.h"

#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void Fail(const TString& text, int position, const char* what) {
  throw ParameterParseException(
      0, QStringLiteral("\"%1\" is not a qualified name: %2 at %3").arg(text, QLatin1String(what)).arg(position));
}

// A full value as UTF-16 (TString) or UTF-8 code units. The grammar's characters are all ASCII,
// which neither encoding uses inside a longer character, so both are parsed unit by unit; each
// component is made in one step from its range of units.
struct Utf16Text {
  const TString& text;
  int size() const { return text.size(); }
  char16_t operator[](int i) const { return text[i].unicode(); }
  TString Make(int start, int length) const { return text.mid(start, length); }
  [[noreturn]] void Fail(int position, const char* what) const { ::Fail(text, position, what); }
};

struct Utf8Text {
  std::string_view text;
  int size() const { return static_cast<int>(text.size()); }
  char operator[](int i) const { return text[static_cast<size_t>(i)]; }
  TString Make(int start, int length) const {
    return TStringFromUtf8(text.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
  }
  // The message counts UTF-16 units, as the TString parser does.
  [[noreturn]] void Fail(int position, const char* what) const {
    ::Fail(TStringFromUtf8(text), Make(0, position).size(), what);
  }
};

template <typename Text>
QualifiedName Parse(const Text& text) {
  std::vector<TString> components;
  const int size = text.size();
  if (size == 0) return QualifiedName();
  int dots = 0;
  for (int i = 0; i < size; ++i) dots += text[i] == '.';
  components.reserve(static_cast<size_t>(dots) + 1);

  int i = 0;
  while (true) {
    if (text[i] == '[') {
      const int start = ++i;
      bool doubled = false;
      while (true) {
        if (i >= size) text.Fail(i, "unterminated '['");
        if (text[i] == ']') {
          if (i + 1 < size && text[i + 1] == ']') {
            doubled = true;
            i += 2;
            continue;
          }
          break;
        }
        ++i;
      }
      TString component = text.Make(start, i - start);
      if (doubled) component.replace(QStringLiteral("]]"), QStringLiteral("]"));
      components.push_back(std::move(component));
      ++i;
    } else {
      const int start = i;
      while (i < size && text[i] != '.') {
        if (text[i] == '[' || text[i] == ']') text.Fail(i, "bracket inside a bare component");
        ++i;
      }
      TString component = text.Make(start, i - start);
      if (component.isEmpty() || component.front().isSpace() || component.back().isSpace())
        text.Fail(start, "empty or padded component");
      components.push_back(std::move(component));
    }
    if (i == size) return QualifiedName(std::move(components));
    if (text[i] != '.') text.Fail(i, "expected '.'");
    if (++i == size) text.Fail(i, "missing component after '.'");
  }
}

}  // namespace

QualifiedName QualifiedName::ParseGlobal(const TString& text) { return Parse(Utf16Text{text}); }

QualifiedName QualifiedName::ParseGlobalUtf8(std::string_view text) {
  if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw ParameterParseException(0, QStringLiteral("A qualified name of %1 bytes is too long").arg(text.size()));
  return Parse(Utf8Text{text});
}

TString QualifiedName::GetFullValue() const {
  // Sized first: a table's name is written once per table of a data source page.
  int size = 0;
  for (const TString& component : m_components) size += component.size() + component.count(QLatin1Char(']')) + 3;
  TString value;
  value.reserve(size);
  for (const TString& component : m_components) {
    if (!value.isEmpty()) value += QLatin1Char('.');
    value += QLatin1Char('[');
    int from = 0;  // a closing bracket inside a component is written twice
    for (int at = component.indexOf(QLatin1Char(']')); at != -1; at = component.indexOf(QLatin1Char(']'), from)) {
      value.append(component.constData() + from, at + 1 - from).append(QLatin1Char(']'));
      from = at + 1;
    }
    value.append(component.constData() + from, component.size() - from);
    value += QLatin1Char(']');
  }
  return value;
}

void ParameterTypeSerializer<QualifiedName>::AppendJson(std::string& out, const QualifiedName& name) {
  out.push_back('"');
  bool first = true;
  for (const TString& component : name.GetComponents()) {
    if (!first) out.push_back('.');
    first = false;
    out.push_back('[');
    const auto* text = reinterpret_cast<const char16_t*>(component.constData());
    const std::size_t size = static_cast<std::size_t>(component.size());
    std::size_t from = 0;  // a closing bracket inside a component is written twice
    for (std::size_t at = 0; at < size; ++at) {
      if (text[at] != u']') continue;
      AppendJsonStringContent(out, text + from, at + 1 - from);
      out.push_back(']');
      from = at + 1;
    }
    AppendJsonStringContent(out, text + from, size - from);
    out.push_back(']');
  }
  out.push_back('"');
}

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QualifiedName>>() {
  return MakeRefCnt<ParameterTypeSerializer<QualifiedName>>();
}
