// FieldName, PasswordString and ImageIdentifier: small host value types written as text.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/values/QualifiedName.h"

#include <utility>

/// The name of a field of a data source, such as "[Profit]".
///
/// Written in square brackets with a "]" inside doubled; read from that form, or from a bare
/// name, which is taken as it is.
class HLVHOST_API FieldName {
 public:
  FieldName() = default;
  explicit FieldName(TString name) : m_name(std::move(name)) {}

  /// The name without brackets.
  const TString& GetName() const noexcept { return m_name; }
  bool IsEmpty() const noexcept { return m_name.isEmpty(); }
  /// The bracketed form, such as "[Profit]"; empty for the empty name.
  TString GetFullValue() const;
  static FieldName Parse(const TString& text);

  /// The name read as a qualified name, such as "[Sales].[Region]" or "Sales.Region" for the
  /// variable Region of the cube Sales. A name that is no qualified name (such as "Unit Price
  /// " with its trailing space) is one component; the empty name has none.
  QualifiedName GetQualifiedName() const;
  /// The last component of GetQualifiedName(): "Region" for "[Sales].[Region]", the name
  /// itself for a simple name, empty for the empty name.
  TString GetLeafValue() const;

  friend bool operator==(const FieldName& a, const FieldName& b) { return a.m_name == b.m_name; }
  friend bool operator!=(const FieldName& a, const FieldName& b) { return !(a == b); }
  friend bool operator<(const FieldName& a, const FieldName& b) { return a.m_name < b.m_name; }

 private:
  TString m_name;
};

/// A secret, such as a password. The library only stores, copies and writes it; parameters that
/// carry one are flagged security-sensitive so that hosts keep them out of logs.
class HLVHOST_API PasswordString {
 public:
  PasswordString() = default;
  explicit PasswordString(TString secret) : m_secret(std::move(secret)) {}

  const TString& GetString() const noexcept { return m_secret; }
  bool IsEmpty() const noexcept { return m_secret.isEmpty(); }

  friend bool operator==(const PasswordString& a, const PasswordString& b) { return a.m_secret == b.m_secret; }
  friend bool operator!=(const PasswordString& a, const PasswordString& b) { return !(a == b); }

 private:
  TString m_secret;
};

/// Names an image the host keeps, such as a connector's icon.
class HLVHOST_API ImageIdentifier {
 public:
  ImageIdentifier() = default;
  explicit ImageIdentifier(TString id) : m_id(std::move(id)) {}

  const TString& GetId() const noexcept { return m_id; }
  bool IsEmpty() const noexcept { return m_id.isEmpty(); }

  friend bool operator==(const ImageIdentifier& a, const ImageIdentifier& b) { return a.m_id == b.m_id; }
  friend bool operator!=(const ImageIdentifier& a, const ImageIdentifier& b) { return !(a == b); }

 private:
  TString m_id;
};

/// Writes a FieldName in its bracketed form.
template <>
class HLVHOST_API ParameterTypeSerializer<FieldName> final
    : public TypedParameterSerializer<FieldName, ParameterTypeSerializer<FieldName>> {
 public:
  static TString TypeToString(const FieldName& name) { return name.GetFullValue(); }
  static FieldName TypeFromString(const TString& text) { return FieldName::Parse(text); }
};

/// Writes a PasswordString as the secret itself.
template <>
class HLVHOST_API ParameterTypeSerializer<PasswordString> final
    : public TypedParameterSerializer<PasswordString, ParameterTypeSerializer<PasswordString>> {
 public:
  static TString TypeToString(const PasswordString& secret) { return secret.GetString(); }
  static PasswordString TypeFromString(const TString& text) { return PasswordString(text); }
};

/// Writes an ImageIdentifier as its id.
template <>
class HLVHOST_API ParameterTypeSerializer<ImageIdentifier> final
    : public TypedParameterSerializer<ImageIdentifier, ParameterTypeSerializer<ImageIdentifier>> {
 public:
  static TString TypeToString(const ImageIdentifier& image) { return image.GetId(); }
  static ImageIdentifier TypeFromString(const TString& text) { return ImageIdentifier(text); }
};

template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<FieldName>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<PasswordString>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<ImageIdentifier>>();
