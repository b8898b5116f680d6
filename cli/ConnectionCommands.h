// The commands of hlvpres that walk the connection dialog: the connector list, the dialog of a
// class, the conversion of an edited field record, the whole road in one command, the data
// source page of a connection, the preview of its tables and queries, and the connection test.
// Each parses its arguments, calls the connection services (services/ConnectionServices.h,
// services/LiveServices.h) and prints their answer.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

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
