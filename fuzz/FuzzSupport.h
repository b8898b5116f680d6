// What every fuzz target shares: the process set up as a host sets it up, the rule for which
// failures are findings, and the comparison of the texts of a round trip.
#pragma once

#include "host/TString.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class IParameterSerializer;

namespace fuzz {

/// Registers the library's vocabulary with the process-wide registry, makes the application
/// object the image readers need (offscreen) and silences the log. Called once, from
/// LLVMFuzzerInitialize; later calls do nothing.
void SetUp();

/// The input as text: the bytes taken as UTF-8, as the readers take text from outside.
std::string_view AsText(const std::uint8_t* data, std::size_t size);

/// Runs `step` and tells whether it completed. The failures a reader announces for bad input
/// (the host's HalvaneException and its kinds, and std::out_of_range, which the connection
/// full name reader documents for a name of fewer than three parts) end the step quietly; any
/// other exception, a LogicException above all (a broken internal rule reached from outside
/// input), is a finding and aborts with what it said.
bool Completes(const char* what, const std::function<void()>& step);

/// Runs `step`, which must complete: any exception is a finding (a text the library wrote that
/// it cannot read back, say).
void MustComplete(const char* what, const std::function<void()>& step);

/// Aborts with a finding unless the two texts of a round trip are equal.
void ExpectSame(const char* what, const std::string& first, const std::string& second);
void ExpectSame(const char* what, const TString& first, const TString& second);

/// Reports a finding and aborts, so that libFuzzer saves the input.
[[noreturn]] void Finding(const char* what, const std::string& detail);

/// The round trip of a text form: `read` the text; when that completes, `write` the value as
/// text s1, read s1 and write s2. Reading s1 must complete and s2 must equal s1: a value the
/// library accepted is written in a form it reads back to the same value.
template <typename Read, typename Write>
void CheckRoundTrip(const char* what, const TString& text, const Read& read, const Write& write) {
  decltype(read(text)) value;
  if (!Completes(what, [&] { value = read(text); })) return;
  TString first;
  TString second;
  MustComplete(what, [&] {
    first = write(value);
    second = write(read(first));
  });
  ExpectSame(what, first, second);
}

/// One value serializer of each value type the registry knows, in a fixed order (by type
/// name), so that an input byte picks the same serializer in every run.
const std::vector<const IParameterSerializer*>& ValueSerializers();

}  // namespace fuzz
