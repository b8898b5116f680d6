// The commands of hlvpres.
#pragma once

#include "host/Exceptions.h"

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

/// A failure of a command's input (a wrong argument, an unknown class, a body that is not the
/// record asked for), as opposed to a failure of the host while it does the work.
class InputError : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
};

/// Every command, in the order --help lists them.
const std::vector<Command>& Commands();

/// Registers both namespaces with the process-wide registry; every command needs them.
void RegisterVocabulary();

}  // namespace hlvpres
