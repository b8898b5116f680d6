// Private key import: the first line of the input is the pass phrase, the rest the key text.
// A key that is read is written unencrypted (s1), read back and written again (s2); s2 must
// equal s1.
#include "fuzz/FuzzSupport.h"

#include "host/crypto/Pkcs8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* begin = reinterpret_cast<const char*>(data);
  const char* end = begin + size;
  const char* lineEnd = std::find(begin, end, '\n');
  const TString passPhrase = TStringFromUtf8(std::string_view(begin, static_cast<std::size_t>(lineEnd - begin)));
  const std::vector<char> pem(lineEnd == end ? end : lineEnd + 1, end);

  PrivateKey key;
  if (!fuzz::Completes("reading a private key", [&] { key = ReadPkcs8PrivateKey(pem, passPhrase); })) return 0;
  std::vector<char> first;
  std::vector<char> second;
  fuzz::MustComplete("writing and reading back a private key", [&] {
    first = WritePkcs8PrivateKey(key, TString());
    second = WritePkcs8PrivateKey(ReadPkcs8PrivateKey(first, TString()), TString());
  });
  fuzz::ExpectSame("the private key round trip", std::string(first.begin(), first.end()),
                   std::string(second.begin(), second.end()));
  SecureErase(first);
  SecureErase(second);
  return 0;
}
