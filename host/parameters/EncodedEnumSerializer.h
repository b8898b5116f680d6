// EncodedEnumSerializer: the value serializer of an enum with an EnumXMLEncoding.
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/parameters/ParameterTypeSerializer.h"

/// Writes E through `Encoding().Encode` (a value without a string raises
/// XMLEnumEncodingException) and reads it through `Encoding().Decode(text, false)` (text that
/// names no value gives the enum's default).
template <typename E, const EnumXMLEncoding<E, TString>& (*Encoding)()>
class EncodedEnumSerializer : public TypedParameterSerializer<E, ParameterTypeSerializer<E>> {
 public:
  static TString TypeToString(const E& value) { return Encoding().Encode(value); }
  /// TypeToString as a JSON string, from the table.
  static const std::string& TypeToJson(const E& value) { return Encoding().EncodeJson(value); }
  static E TypeFromString(const TString& text) { return Encoding().Decode(text, false); }
  /// TypeFromString of UTF-8 text.
  static E TypeFromUtf8(std::string_view text) { return static_cast<E>(Encoding().GetTable().DecodeUtf8(text)); }
};
