// The database-variable prompt dialog as a service (docs/variables.md). Call
// RegisterVocabulary (services/Vocabulary.h) first.
#pragma once

#include "host/TString.h"
#include "services/ServicesExport.h"

#include <string>

namespace Services {

/// The JSON of the variable prompt dialog record of the connection whose database variables the
/// description file `file` holds, named after the file (without its folder and extension).
/// `select` (a qualified name, or empty) is edited at its value `index` (a negative index edits
/// nothing); `relation`, when not empty, keeps only its variables. Safe to call from several
/// threads: the builds take turns. Raises the loader's exception for a file that cannot be
/// used, and the builder's (a LogicException for an index past the values).
HLVSERVICES_API std::string VariablePromptJson(const TString& file, const TString& select, int index,
                                               const TString& relation);

}  // namespace Services
