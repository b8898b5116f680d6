// Writing parameter bags as JSON text and reading them back.
//
// The JSON text form is the one SerializeStructure writes (docs/json-form.md). A bag is
// written member by member through the serializers registered for its ids; reading turns
// each member back into a value through the same serializers, leniently: members whose names
// the registry does not know, or whose JSON kind does not fit their parameter, are skipped.
// Records whose serializers read JSON themselves are rebuilt straight from the parsed text,
// with the same result as through a bag of their members and without the bag.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/IParameters.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class ParametersRegistry;
class SerializeStructure;

/// The deepest nesting of JSON arrays and objects the reader accepts.
inline constexpr int kMaxJsonNesting = 256;

/// The longest JSON text the reader accepts: 64 MiB, room for a data source page of a quarter
/// of a million tables. A longer text is refused before any of it is read.
inline constexpr std::size_t kMaxJsonBytes = std::size_t{64} << 20;

/// Writes every parameter of `bag`, in the bag's order, into `ss`: simple values as
/// parameters, lists and maps as list and map structures, records through their structure
/// serializers as sub-structures. Parameters flagged unserializable are left out; an id the
/// registry does not know is a logic error.
HLVHOST_API void WriteParameters(const IParameters& bag, SerializeStructure& ss);

/// What a write leaves in the records it writes for the first time: their text as their cache
/// (kKeep, what the other writes do), or no cache (kLeaveEmpty), for records let go once written,
/// such as a data source page answered once: that spares a copy of the text, 20 MB for a page of
/// 100,000 tables, and the memory it takes. Records written before are replayed either way.
enum class FirstWriteCaches { kKeep, kLeaveEmpty };

/// The JSON text of `bag`, with names from `registry`, leaving the caches of records written for
/// the first time as `caches` says.
HLVHOST_API std::string WriteParametersJson(const IParameters& bag, const ParametersRegistry& registry,
                                            FirstWriteCaches caches = FirstWriteCaches::kKeep);

/// WriteParametersJson appending the text to `out`, after what it holds: a caller that writes
/// many texts clears and reuses one buffer, and a record written before costs one copy of its
/// text. When a write fails, `out` is left as it was.
HLVHOST_API void AppendParametersJson(const IParameters& bag, const ParametersRegistry& registry, std::string& out);

/// WriteParametersJson handing the text to `drain` in pieces as it is written (some 256 KiB
/// each), for a caller that sends it on, such as to a file or a socket: a long text never sits
/// in memory whole. The pieces joined are the text WriteParametersJson returns. Records written
/// for the first time keep no cache (kLeaveEmpty). A write that fails part way has handed over
/// the pieces written before the failure.
HLVHOST_API void StreamParametersJson(const IParameters& bag, const ParametersRegistry& registry,
                                      const std::function<void(std::string_view)>& drain);

/// Reads a bag from the JSON text `json` (UTF-8), resolving member names through `registry`.
///
/// `context`, when given, holds values that every bag the reader makes starts with (such as
/// a column context that structure serializers look for); members read from the text replace
/// them. Text that is not JSON, that is not an object, that nests deeper than kMaxJsonNesting
/// or is longer than kMaxJsonBytes raises ParameterParseException saying what and where. Errors raised by a
/// serializer while it rebuilds a value are passed on.
HLVHOST_API RefCntPtr<IParameters> ReadParametersJson(std::string_view json, const ParametersRegistry& registry,
                                                     const IParameters* context = nullptr);

/// ReadParametersJson with every structure rebuilt from a bag of its members, also where its
/// serializer reads JSON itself. Both give the same bag; this one is slower and exists to
/// compare the two.
HLVHOST_API RefCntPtr<IParameters> ReadParametersJsonThroughBags(std::string_view json,
                                                                const ParametersRegistry& registry,
                                                                const IParameters* context = nullptr);
