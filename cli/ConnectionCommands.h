// The commands of hlvpres that walk the connection dialog: the connector list, the dialog of a
// class, the conversion of an edited field record, and the whole road in one command.
#pragma once

#include "cli/Commands.h"

namespace hlvpres {

int Connectors(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Dialog(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);
int Demo(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err);

extern const char kConnectorsHelp[];
extern const char kDialogHelp[];
extern const char kConvertHelp[];
extern const char kDemoHelp[];

}  // namespace hlvpres
