// The text form of every value serializer: the first byte picks the serializer, the rest is the
// text (UTF-8). Read, write (s1), read s1, write (s2); s2 must equal s1.
#include "fuzz/FuzzSupport.h"

#include "host/parameters/ParameterSerializers.h"

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
  fuzz::CheckRoundTrip(
      "a value serializer's text form", TStringFromUtf8(fuzz::AsText(data + 1, size - 1)),
      [&](const TString& text) { return serializer->ValueFromString(text); },
      [&](const RefCntPtr<IParameter>& value) { return serializer->ValueToString(value); });
  return 0;
}
