// The one way the host reads JSON text that comes from outside (parameter text, connector
// descriptions): iteratively, within a size and a nesting limit, with UTF-8 validated and a NUL
// refused (a byte or a \u0000 escape), and with every fault reported by its byte offset.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/detail/JsonTape.h"
#include "host/detail/RapidJson.h"

#include <cstddef>
#include <limits>
#include <string_view>

namespace HardenedJson {

/// What a text may cost the reader.
struct Limits {
  /// The deepest nesting of arrays and objects accepted.
  int maxNesting = 256;
  /// The longest text accepted, in bytes.
  std::size_t maxBytes = std::numeric_limits<std::size_t>::max();
};

/// JSON text that the reader refuses. The message says what is wrong and where, such as
/// "invalid JSON at offset 12: Missing a name for object member."; callers put it into their
/// own exception with what they know (the parameter, the file).
class HLVHOST_API JsonTextException : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
  ~JsonTextException() override;
};

/// Parses the UTF-8 text `json` into `document`. Text longer than `limits.maxBytes`, nested
/// deeper than `limits.maxNesting`, not JSON, not valid UTF-8, holding a NUL byte, a string with
/// a \u0000 escape or a number too large for a double raises JsonTextException. Any JSON value
/// is accepted as the root; callers check its kind. A number is read as the nearest double
/// unless it is an integer that 64 bits hold.
HLVHOST_API void Parse(std::string_view json, rapidjson::Document& document, const Limits& limits);

/// Parse into `tape` instead of a document, with the same limits, refusals and messages; the
/// tape borrows `json`, which must outlive it. `limits.maxBytes` must not exceed
/// JsonTape::kMaxBytes (a LogicException otherwise). Numbers are checked as Parse checks them
/// and kept as their kind only.
HLVHOST_API void Parse(std::string_view json, JsonTape& tape, const Limits& limits);

}  // namespace HardenedJson
