// Connector descriptions: any text either gives a description or is refused with the
// description's own exception, within the size and nesting limits.
#include "fuzz/FuzzSupport.h"

#include "host/connectors/DescriptionLoader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TString file = QStringLiteral("fuzz.json");
  fuzz::Completes("reading a connector description",
                  [&] { Connect::ParseConnectorDescription(fuzz::AsText(data, size), file); });
  return 0;
}
