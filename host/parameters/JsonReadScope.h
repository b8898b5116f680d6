// JsonReadScope: what a serializer that reads JSON itself gets from the reader around it.
#pragma once

#include "host/HostExport.h"
#include "host/parameters/IParameters.h"

#include <string_view>

struct JsonValue;

/// The reader of one JSON text, as seen by a structure serializer that rebuilds its values
/// straight from the parsed JSON (IStructureSerializer::ReadJson). It reads members through the
/// registry exactly as the bag reader does, so a serializer can hand over what it does not
/// read itself and still behave as if it had read a bag.
class HLVHOST_API JsonReadScope {
 public:
  /// The values every bag of this read starts with, or null when there are none.
  virtual const IParameters* GetContext() const = 0;

  /// `value` read as parameter `id` would be read from a member of a bag: the value, or null
  /// when the JSON does not fit the parameter or the parameter is unknown or unserializable.
  /// Errors raised by the parameter's serializer are passed on.
  virtual RefCntPtr<IParameter> ReadParameter(unsigned int id, const JsonValue& value) const = 0;

  /// Reads a member that the serializer does not know, as the bag reader would, and drops the
  /// result: a member of another registered parameter still goes through that parameter's
  /// serializer, whose errors are passed on.
  virtual void ReadOtherMember(std::string_view utf8Name, const JsonValue& value) const = 0;

 protected:
  ~JsonReadScope();
};
