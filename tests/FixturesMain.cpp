// hlvfixtures: prints every variant of every full record as a JSON bag, one per line, in
// registration order.

#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterRegistration.h"
#include "tests/RecordFixtures.h"

#include <iostream>

int main() {
  RegisterDataNamespaceParameters();
  RegisterDataPresModelParameters();
  for (const FullRecordSample& sample : FullRecordSamples())
    for (int variant = 0; variant < kFullRecordVariants; ++variant)
      std::cout << WriteParametersJson(*sample.MakeBag(variant), ParametersRegistry::Get()) << '\n';
  return 0;
}
