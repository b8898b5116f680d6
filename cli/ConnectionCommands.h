// The commands of hlvpres that walk the connection dialog: the connector list, the dialog of a
// class, the conversion of an edited field record, the whole road in one command, the data
// source page of a connection, the preview of its tables and queries, and the connection test.
// Each parses its arguments, calls the connection services (services/ConnectionServices.h,
// services/LiveServices.h) and prints their answer.
#pragma once

#include "cli/Commands.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hlvpres {

/// The options of a command: the positional arguments, the values of --name options and the
/// --name flags given.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
};

/// `arguments` read with the options `known`, which take a value, and the flags `flags`, which
/// do not. Raises InputError for another option or one without its value.
Options ParseOptions(const Arguments& arguments, const std::set<std::string>& known,
                     const std::set<std::string>& flags = {});
/// The value of the option `name`, or nullopt.
std::optional<std::string> Value(const Options& options, const char* name);
/// The connection class named by the only positional argument; an unknown class is an error.
TString ConnectionClass(const Options& options, size_t maxPositional = 1);
/// The class and attributes of a command that connects live: one class and --attributes, or
/// --saved NAME in their place.
std::pair<TString, ConnectionAttributeMap> LiveConnection(const Options& options);
/// Runs `command`. A failure gives one "error: " line on `err` and status 1.
int RunCommand(std::ostream& err, const std::function<int()>& command);

int Connectors(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Dialog(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Demo(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
/// Connects a connection live, or makes one from a fixture, and prints its data source page.
int Describe(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
/// Prints the columns and first rows of a table or custom SQL query of a live connection.
int PreviewCommand(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
/// Opens and closes a live connection and says what failed.
int TestCommand(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kConnectorsHelp[];
extern const char kDialogHelp[];
extern const char kConvertHelp[];
extern const char kDemoHelp[];
extern const char kDescribeHelp[];
extern const char kPreviewHelp[];
extern const char kTestHelp[];

}  // namespace hlvpres
