// The text form of every value serializer: the first byte picks the serializer, the rest is the
// text (UTF-8). Read, write (s1), read s1, write (s2); s2 must equal s1.
//
// One case is expected to stop at the first write: the serializer of parameter ids reads a text
// that names no parameter of the data namespace as id 0 (its reading never fails), and id 0 has
// no name to be written as. Such a text ends the input quietly.
#include "fuzz/FuzzSupport.h"

#include "host/parameters/ParameterSerializers.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto& serializers = fuzz::ValueSerializers();
  const IParameterSerializer* serializer = serializers[data[0] % serializers.size()];
  const TString text = TStringFromUtf8(fuzz::AsText(data + 1, size - 1));
  const ParametersRegistry& registry = ParametersRegistry::Get();
  static const IParameterSerializer* const parameterIds =
      registry.FindParameter(DataParameters::DataParamType)->GetValueSerializer();
  if (serializer == parameterIds && registry.FindParameterId(GetDataNamespaceName(), LegacyParameterName(text)) == 0)
    return 0;
  fuzz::CheckRoundTrip(
      "a value serializer's text form", text,
      [&](const TString& text) { return serializer->ValueFromString(text); },
      [&](const RefCntPtr<IParameter>& value) { return serializer->ValueToString(value); });
  return 0;
}
