// The JSON text form of parameter bags: read a bag, write it (s1), read s1, write it again (s2);
// s2 must equal s1. The reader that rebuilds every structure through a bag of its members must
// agree with the direct one.
#include "fuzz/FuzzSupport.h"

#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataColumn.h"
#include "parameters/ParameterIds.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The column context hlvpres read gives every bag: aliased data values are read against a
// string column.
RefCntPtr<IParameters> MakeContext() {
  RefCntPtr<const VizEngine::UserType> type = MakeRefCnt<VizEngine::StringType>(Collation());
  RefCntPtr<IParameters> context = ParametersRegistry::Get().CreateParameters();
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(type, std::vector<DataValue>()))));
  return context;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SetUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const RefCntPtr<IParameters> context = MakeContext();
  const ParametersRegistry& registry = ParametersRegistry::Get();
  const std::string_view text = fuzz::AsText(data, size);

  RefCntPtr<IParameters> bag;
  if (!fuzz::Completes("reading the JSON form", [&] { bag = ReadParametersJson(text, registry, context.Get()); }))
    return 0;
  std::string first;
  std::string second;
  std::string throughBags;
  fuzz::MustComplete("writing and reading back the JSON form", [&] {
    first = WriteParametersJson(*bag, registry);
    second = WriteParametersJson(*ReadParametersJson(first, registry, context.Get()), registry);
    throughBags = WriteParametersJson(*ReadParametersJsonThroughBags(text, registry, context.Get()), registry);
  });
  fuzz::ExpectSame("the JSON form round trip", first, second);
  fuzz::ExpectSame("the JSON form read through bags", first, throughBags);
  return 0;
}
