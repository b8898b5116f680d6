// The hlvpres command that builds the database-variable prompt dialog of a connection described
// by a JSON file (docs/variables.md).
#pragma once

#include "cli/Commands.h"

#include "host/TString.h"

#include <string>

namespace hlvpres {

/// The JSON of the variable prompt dialog record of the connection whose database variables the
/// description file `file` holds, named after the file. `select` (a qualified name, or empty)
/// is edited at its value `index`; `relation`, when not empty, keeps only its variables. Raises
/// the loader's or the builder's exception (a LogicException for an index past the values).
std::string VariablePromptJson(const TString& file, const TString& select, int index, const TString& relation);

int Variables(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kVariablesHelp[];

}  // namespace hlvpres
