// Every record with every field set, for tests that must cover the whole catalogue.
#pragma once

#include "host/parameters/IParameters.h"

#include <vector>

/// One record of the catalogue, full: every scalar off its default, every string non-ASCII with
/// characters JSON escapes, every list and map with two entries, every nested record set.
struct FullRecordSample {
  const char* structure;                  ///< the pres-model structure name
  RefCntPtr<IParameters> (*makeBag)();    ///< a new full record's AsIParameters()
  std::vector<const char*> parameters;    ///< the parameter of every field it writes
};

/// One sample per record, in pres-model registration order. Generated from the record schema.
const std::vector<FullRecordSample>& FullRecordSamples();
