// The value serializer of the enums that have a string table in this library.
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "parameters/PresLayerExport.h"

#include <cstdint>
#include <string>
#include <vector>

/// Writes E as the string its table holds for the value, and reads text back by scanning the
/// table in ascending order of value. Writing a value without a string raises
/// XMLEnumEncodingException; reading never fails, and text that names no value (the empty text
/// and text in another case included) gives the table's default. Values travel as
/// ValParameter<E> (and vectors and maps of E), 32-bit integers underneath.
template <typename E>
class EnumTableSerializer : public TypedParameterSerializer<E, ParameterTypeSerializer<E>> {
  static_assert(sizeof(E) == sizeof(std::int32_t), "enum values are 32-bit integers");

 public:
  static TString TypeToString(const E& value) { return EnumTableOf<E>().Encode(static_cast<std::int32_t>(value)); }
  /// TypeToString as a JSON string, held by the table.
  static const std::string& TypeToJson(const E& value) {
    return EnumTableOf<E>().EncodeJson(static_cast<std::int32_t>(value));
  }
  static E TypeFromString(const TString& text) { return static_cast<E>(EnumTableOf<E>().Decode(text)); }
  /// TypeFromString of UTF-8 text.
  static E TypeFromUtf8(std::string_view text) { return static_cast<E>(EnumTableOf<E>().DecodeUtf8(text)); }
};

/// Every string table of the library, in the order of the schema.
HLVPRES_API const std::vector<const EnumStringTable*>& LibraryEnumTables();
