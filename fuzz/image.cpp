// Images: the input is the image file itself (PNG, JPEG or anything else), handed to the reader
// in Base64 as a dialog sends it. Read, write (s1), read s1, write (s2); s2 must equal s1.
#include "fuzz/FuzzSupport.h"

#include "parameters/ImageSerializers.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Serializer = ParameterTypeSerializer<QImage>;
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(size));
  fuzz::CheckRoundTrip("an image", QString::fromLatin1(bytes.toBase64()), &Serializer::TypeFromString,
                       &Serializer::TypeToString);
  return 0;
}
