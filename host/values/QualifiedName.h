// QualifiedName: a name of several parts, such as a table's database, schema and name.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterTypeSerializer.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// A name made of components, outermost first: [Sales].[dbo].[Orders].
///
/// Its full value writes every component in square brackets, a "]" inside one doubled, joined
/// by dots. The empty name has no components and the empty full value.
class HLVHOST_API QualifiedName {
 public:
  QualifiedName() = default;
  explicit QualifiedName(std::vector<TString> components) : m_components(std::move(components)) {}

  /// Parses a full value. Components may also be written without brackets ("dbo.Orders"),
  /// as long as they hold no dot, bracket or white space at their ends. Text that is neither
  /// raises ParameterParseException; the empty text is the empty name.
  static QualifiedName ParseGlobal(const TString& text);
  /// ParseGlobal for a full value in UTF-8, read without a TString of the whole text.
  static QualifiedName ParseGlobalUtf8(std::string_view text);

  /// The full value, such as "[dbo].[Orders]".
  TString GetFullValue() const;

  void Push(const TString& component) { m_components.push_back(component); }
  bool IsEmpty() const noexcept { return m_components.empty(); }
  size_t GetComponentCount() const noexcept { return m_components.size(); }
  /// The component at `index`; an index past the count raises std::out_of_range.
  const TString& GetComponent(size_t index) const { return m_components.at(index); }
  const std::vector<TString>& GetComponents() const noexcept { return m_components; }

  friend bool operator==(const QualifiedName& a, const QualifiedName& b) { return a.m_components == b.m_components; }
  friend bool operator!=(const QualifiedName& a, const QualifiedName& b) { return !(a == b); }
  friend bool operator<(const QualifiedName& a, const QualifiedName& b) { return a.m_components < b.m_components; }

 private:
  std::vector<TString> m_components;
};

/// Writes a QualifiedName as its full value and reads one back with ParseGlobal.
template <>
class HLVHOST_API ParameterTypeSerializer<QualifiedName> final
    : public TypedParameterSerializer<QualifiedName, ParameterTypeSerializer<QualifiedName>> {
 public:
  static TString TypeToString(const QualifiedName& name) { return name.GetFullValue(); }
  /// Appends TypeToString as a JSON string to `out`, written without a TString of the full value:
  /// a table's name is written once per table of a data source page.
  static void AppendJson(std::string& out, const QualifiedName& name);
  static QualifiedName TypeFromString(const TString& text) { return QualifiedName::ParseGlobal(text); }
  static QualifiedName TypeFromUtf8(std::string_view text) { return QualifiedName::ParseGlobalUtf8(text); }
};

template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<QualifiedName>>();
