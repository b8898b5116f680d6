// Every record with every field set, for tests that must cover the whole catalogue.
#pragma once

#include "host/parameters/IParameters.h"

#include <vector>

/// One record of the catalogue, full: every field set, each to a value of its own.
///
/// Variant 0 sets every scalar off its default, every string to non-ASCII text with characters
/// JSON escapes, every list to two or three elements and every map to two entries, and every
/// nested record. Numbers, strings, enum entries, list lengths and nested records differ from
/// field to field, so a reader or writer that swaps, drops or shifts a field changes the text.
/// The other variants (up to kFullRecordVariants) give the boolean fields patterns of their
/// own, so that any two of one record differ in some variant.
struct FullRecordSample {
  const char* structure;                        ///< the pres-model structure name
  RefCntPtr<IParameters> (*make)(int variant);  ///< a new full record's AsIParameters()
  std::vector<const char*> parameters;          ///< the parameter of every field it writes

  RefCntPtr<IParameters> MakeBag(int variant = 0) const { return make(variant); }
};

/// The number of variants of each full record.
extern const int kFullRecordVariants;

/// One sample per record, in pres-model registration order. Generated from the record schema.
const std::vector<FullRecordSample>& FullRecordSamples();
