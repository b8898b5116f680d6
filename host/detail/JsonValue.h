// JsonValue: a value of parsed JSON text, handed to the serializers that read JSON themselves.
#pragma once

#include "host/detail/RapidJson.h"

/// A parsed JSON value, borrowed from the document being read. Public headers know it only by
/// name, so that RapidJSON stays out of them.
struct JsonValue {
  const rapidjson::Value& value;
};
