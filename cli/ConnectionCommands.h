// The commands of hlvpres that walk the connection dialog: the connector list, the dialog of a
// class, the conversion of an edited field record, the whole road in one command, and the data
// source page of a connection.
#pragma once

#include "cli/Commands.h"

#include "host/connect/ConnectionAttributes.h"

#include <optional>
#include <string>

namespace hlvpres {

int Connectors(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Dialog(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Demo(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
/// Connects a connection live, or makes one from a fixture, and prints its data source page.
int Describe(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

/// The connection class called `name`. Raises InputError when the connector registry holds no
/// such class.
TString KnownConnectionClass(const std::string& name);

/// The attributes in the JSON text `json`, an object of strings. Raises InputError when it is
/// another JSON value or a value is not a string, and JsonTextException when it is not JSON.
ConnectionAttributeMap ParseAttributes(const std::string& json);

/// The JSON of the connection settings record of a new connection of `connectionClass`: the
/// dialog, started from a settings cache that remembers `lastAttributes` (a JSON object of
/// strings, the attributes last connected with) when given.
std::string DialogJson(const TString& connectionClass, const std::optional<std::string>& lastAttributes);

/// The attributes, as a JSON object of strings with sorted keys, that a connection of
/// `connectionClass` connects with once the user confirmed the field record in the bag `bag`
/// (which came from `source`, named in the error when it holds no such record). A chosen
/// certificate file is loaded and the secrets go to the credential service; a secret still held
/// is written as ********. Raises ParameterParseException for text that is not a bag, and
/// InputError or the host's exception when the record cannot be converted.
std::string ConvertJson(const TString& connectionClass, const std::string& bag, const char* source);

/// Connects a relational connection of `connectionClass` live with `attributes` (its secrets
/// moved to the credential service first) and returns the JSON of its data source page (the
/// simple record when `simple`), secrets masked. Raises DataSourceException, with the
/// database's message, when the connection fails, and InputError for a class that is not
/// connected live.
std::string DescribeJson(const TString& connectionClass, const ConnectionAttributeMap& attributes, bool olap,
                         bool simple);

extern const char kConnectorsHelp[];
extern const char kDialogHelp[];
extern const char kConvertHelp[];
extern const char kDemoHelp[];
extern const char kDescribeHelp[];

}  // namespace hlvpres
