// Formatted text in its XML form: read, write (s1), read s1, write (s2); s2 must equal s1.
#include "fuzz/FuzzSupport.h"

#include "parameters/ClassSerializers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Serializer = ParameterTypeSerializer<FormattedText>;
  fuzz::CheckRoundTrip("formatted text", TStringFromUtf8(fuzz::AsText(data, size)), &Serializer::TypeFromString,
                       &Serializer::TypeToString);
  return 0;
}
