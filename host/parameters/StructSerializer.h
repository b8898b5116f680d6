// StructSerializer: the structure serializer of one record type.
#pragma once

#include "host/RefCntPtr.h"
#include "host/parameters/ParameterSerializers.h"

/// The serializer of records handed out as `ConstHandle` and rebuilt as `Handle`; for a pres
/// model X that is StructSerializer<RefCntPtr<const X>, RefCntPtr<X>>. Each record type
/// specializes it.
template <typename ConstHandle, typename Handle>
class StructSerializer;

/// The structure serializer of the pres model X.
template <typename X>
using PresModelSerializer = StructSerializer<RefCntPtr<const X>, RefCntPtr<X>>;

/// A new structure serializer of type S, with a reference count of one.
template <typename S>
RefCntPtr<IStructureSerializer> CreateStructureSerializer();
