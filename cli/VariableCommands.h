// The hlvpres command that builds the database-variable prompt dialog of a connection described
// by a JSON file (docs/variables.md), through the variable service
// (services/VariableServices.h).
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

int Variables(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kVariablesHelp[];

}  // namespace hlvpres
