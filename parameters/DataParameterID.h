// DataParameterID: a value that names a parameter of the data namespace.
#pragma once

#include "host/parameters/ParameterTypeSerializer.h"

#include <cstdint>

/// The id of a parameter of the data namespace ("hlvdata"), carried as a value of its own.
enum class DataParameterID : std::uint32_t {};

/// Writes a DataParameterID as the registered name of its parameter and reads a name back to
/// its id, both through the process-wide registry. An id the registry does not know cannot be
/// written (XMLEnumEncodingException); a name it does not know reads as 0.
template <>
class ParameterTypeSerializer<DataParameterID> final
    : public TypedParameterSerializer<DataParameterID, ParameterTypeSerializer<DataParameterID>> {
 public:
  static TString TypeToString(const DataParameterID& id);
  static DataParameterID TypeFromString(const TString& name);
};

/// The serializer of "data-param-type". It is made directly, not through an exported factory.
RefCntPtr<IParameterSerializer> CreateDataParameterIDSerializer();
