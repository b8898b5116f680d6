// Saved connections as services: a connection kept under a name in the store (host/store/Store.h)
// with its secrets, listed, shown, renamed, deleted, written as a connection URL and read from
// one, exported for a team and imported; the saved connection a command opens by name, and its
// dialog as an existing connection; the settings cache a new dialog starts from. No answer holds
// a secret: a saved connection names its secrets by "credential-id".
#pragma once

#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "services/ServicesExport.h"

#include <optional>
#include <string>

namespace Services {

/// Creates or updates the connection saved as `name` (a name without tab or line break) of
/// `connectionClass` with `attributes` (a "class" or "credential-id" among them is ignored).
/// The other attributes replace the saved ones, except the secrets of the class: one absent
/// keeps its saved value, as does one given as ******** (the value a dialog shows for a kept
/// secret); one non-empty replaces it, one empty removes it. Returns ShowConnectionJson of the
/// saved connection. Raises InputError for a bad name, and the store's StoreException.
HLVSERVICES_API std::string SaveConnection(const TString& name, const TString& connectionClass,
                                           const ConnectionAttributeMap& attributes);

/// One line per saved connection, sorted by name: NAME, a tab, CLASS.
HLVSERVICES_API std::string ListConnectionsText();
/// The saved connections, sorted by name: [{"name":N,"class":C}...].
HLVSERVICES_API std::string ListConnectionsJson();

/// The attributes of the connection saved as `name`, its class under "class", as a JSON object
/// with sorted keys; its secrets only as "credential-id". Raises InputError when none is saved so.
HLVSERVICES_API std::string ShowConnectionJson(const TString& name);

/// Renames a saved connection. Raises InputError for a bad new name, and StoreException when
/// `from` is not saved or `to` is.
HLVSERVICES_API void RenameConnection(const TString& from, const TString& to);
/// Deletes a saved connection and its secrets. Raises InputError when none is saved so.
HLVSERVICES_API void DeleteConnection(const TString& name);

/// The connection URL of the connection saved as `name`, without its password:
/// `postgresql://USER@HOST:PORT/DB?sslmode=MODE`, `mysql://USER@HOST:PORT/DB` or `sqlite:///PATH`, its
/// other attributes (secrets aside) as query parameters; every special character
/// percent-encoded. Raises InputError when none is saved so or its class has no URL.
HLVSERVICES_API std::string ExportUrl(const TString& name);
/// Saves the connection of the URL `url` (postgresql: or postgres:, mysql: or mariadb:, sqlite:,
/// as ExportUrl writes them) as `name`, a password in it among its secrets, as SaveConnection
/// does; returns what SaveConnection returns. Raises InputError for a URL that cannot be read.
HLVSERVICES_API std::string ImportUrl(const TString& name, const std::string& url);

/// Every saved connection without its secrets, as a file a team shares:
/// {"connections":[{"name":N,"class":C,"attributes":{...}}...]}.
HLVSERVICES_API std::string ExportJson();
/// Saves every connection of `json` (as ExportJson writes it) as SaveConnection does, a saved
/// one's secrets kept; returns how many. Raises InputError for a file that is not such JSON.
HLVSERVICES_API int ImportJson(const std::string& json);

/// A connection to open: its class and attributes.
struct OpenedConnection {
  TString connectionClass;
  ConnectionAttributeMap attributes;
};

/// The connection saved as `name`, to connect with: its class and attributes, its secrets named
/// by "credential-id" (the credential service finds them in the store). Raises InputError when
/// none is saved so.
HLVSERVICES_API OpenedConnection SavedConnection(const TString& name);

/// The JSON of the connection settings record of the connection saved as `name`, built as an
/// existing connection: each secret it keeps shows as ********. Raises what SavedConnection
/// raises.
HLVSERVICES_API std::string SavedDialogJson(const TString& name);

/// Converts the field record in the bag `bag` (from `source`) of the dialog of the connection
/// saved as `name` and saves the result as SaveConnection does: a secret field left at ********
/// keeps the saved secret, one typed replaces it, one cleared removes it. Returns what
/// SaveConnection returns.
HLVSERVICES_API std::string ConvertSavedJson(const TString& name, const std::string& bag, const char* source);

/// The attributes `connectionClass` last connected with, as a JSON object of strings for
/// DialogJson, or nullopt when the store remembers none.
HLVSERVICES_API std::optional<std::string> LastAttributesJson(const TString& connectionClass);
/// Remembers `attributes` as those `connectionClass` last connected with, without its secrets
/// and their "credential-id".
HLVSERVICES_API void RememberAttributes(const TString& connectionClass, const ConnectionAttributeMap& attributes);

}  // namespace Services
