// Registration of the library's two parameter namespaces with a parameter registry.
#pragma once

#include "host/parameters/ParameterNames.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/PresLayerExport.h"

#include <cstdint>

/// "hlvdata": the namespace of every record field and loose dialog value.
HLVPRES_API const ParameterNamespaceName& GetDataNamespaceName();

/// Registers the data namespace under `ns` with `registry`: the namespace and its id range,
/// every parameter with a serializer of its value type, then the flags.
HLVPRES_API void RegisterDataNamespaceParameters(ParametersRegistry& registry, const ParameterNamespaceName& ns);
/// The same under the name "hlvdata".
HLVPRES_API void RegisterDataNamespaceParameters(ParametersRegistry& registry);
/// The same with the process-wide registry and the name "hlvdata".
HLVPRES_API void RegisterDataNamespaceParameters();

/// Registers the pres-model namespace under `ns` with `registry`: one structure per record.
HLVPRES_API void RegisterDataPresModelParameters(ParametersRegistry& registry, const ParameterNamespaceName& ns);
/// The same with the process-wide registry and the name "hlvdata-presmodels".
HLVPRES_API void RegisterDataPresModelParameters();

/// "hlvdata-presmodels".
HLVPRES_API const ParameterNamespaceName& GetDataPresModelParametersNamespaceName();

// The plug-in entry points by which a host finds the library.
extern "C" {
/// RegisterDataPresModelParameters().
HLVPRES_API void RegisterPresModelParameters();
/// "hlvdata-presmodels", as a narrow C string.
HLVPRES_API const char* GetPresModelParametersNamespace();
/// The capability bits of the library: none are set.
HLVPRES_API std::uint32_t GetPresLayerCapabilities();
}
