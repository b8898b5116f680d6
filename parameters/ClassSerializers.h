// The value serializers of host classes: connection full names and formatted text.
#pragma once

#include "host/parameters/ParameterTypeSerializer.h"
#include "host/values/ConnectionFullName.h"
#include "host/values/FormattedText.h"
#include "parameters/PresLayerExport.h"

/// Writes a ConnectionFullName as the qualified name of its data source name, connection name
/// and context, such as "[Sales DB].[conn-1].[]", and reads the first three components of a
/// qualified name back. Components past the third are ignored; text with fewer than three raises
/// std::out_of_range, and text that is no qualified name ParameterParseException.
template <>
class HLVPRES_API ParameterTypeSerializer<ConnectionFullName> final
    : public TypedParameterSerializer<ConnectionFullName, ParameterTypeSerializer<ConnectionFullName>> {
 public:
  static TString TypeToString(const ConnectionFullName& name);
  static ConnectionFullName TypeFromString(const TString& text);
};

/// Writes a FormattedText as an XML document whose root holds one <formatted-text> element (the
/// form is described in host/values/FormattedText.h), indented by two spaces and without an XML
/// declaration; text that XML cannot carry raises HalvaneException. Reading takes the root's
/// <formatted-text> child, whatever the root is called; text that is not XML, or a root without
/// that child, raises ParameterParseException(0).
template <>
class HLVPRES_API ParameterTypeSerializer<FormattedText> final
    : public TypedParameterSerializer<FormattedText, ParameterTypeSerializer<FormattedText>> {
 public:
  static TString TypeToString(const FormattedText& text);
  static FormattedText TypeFromString(const TString& text);
};

template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<ConnectionFullName>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<FormattedText>>();
