// The commands of hlvpres.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace hlvpres {

using Arguments = std::vector<std::string>;

/// One command: its name, a one-line summary, its help text and what it does. A command
/// writes its results to `out` and returns the process's exit status.
struct Command {
  const char* name;
  const char* summary;
  const char* help;
  int (*run)(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
};

/// Every command, in the order --help lists them.
const std::vector<Command>& Commands();

}  // namespace hlvpres
