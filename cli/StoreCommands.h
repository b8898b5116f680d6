// The commands of hlvpres over the store: the saved connections (hlvpres connections ...) and the
// store's key (hlvpres store rotate-key). Each parses its arguments, calls the saved-connection
// services (services/SavedConnections.h) and prints their answer.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

/// Lists, shows, saves, renames, deletes, exports and imports saved connections.
int ConnectionsCommand(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
/// Re-encrypts the store's secrets under a new key.
int StoreCommand(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kConnectionsHelp[];
extern const char kStoreHelp[];

}  // namespace hlvpres
