#include "cli/VariableCommands.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "services/InputError.h"
#include "services/VariableServices.h"

#include <QFileInfo>

#include <optional>
#include <ostream>
#include <string>

namespace hlvpres {

using Services::InputError;

const char kVariablesHelp[] =
    "usage: hlvpres variables FILE [--select NAME [--index N]] [--relation NAME] [--app-mode MODE]\n\n"
    "Builds the variable prompt dialog of the connection whose database variables the JSON\n"
    "file FILE describes (docs/variables.md) and prints one line: the JSON of the dialog\n"
    "record. The dialog is named after the file, without its folder and extension.\n\n"
    "--select edits the variable NAME (a qualified name such as [SALES].[REGION]) at its\n"
    "value N (0 unless --index gives another; a negative N edits nothing). --relation lists\n"
    "only the variables of the relation NAME. --app-mode runs as desktop, server, prep,\n"
    "prep-desktop, flow-processor, flow-processor-service or flow-editor; the server, the\n"
    "desktop data preparation application and the flow editor add the server metadata.\n\n"
    "A file that cannot be used, or a dialog that cannot be built (such as an index past the\n"
    "selected variable's values), prints one \"error: \" line on standard error and exits\n"
    "with 1.\n";

namespace {

struct VariablesOptions {
  TString file;
  TString select;
  int index = 0;
  TString relation;
  std::optional<TString> appMode;
};

int ParseIndex(const std::string& text) {
  bool ok = false;
  const int index = TStringFromUtf8(text).toInt(&ok);
  if (!ok) throw InputError(QStringLiteral("--index takes a whole number, not \"%1\"").arg(TStringFromUtf8(text)));
  return index;
}

VariablesOptions ParseVariablesOptions(const Arguments& arguments) {
  VariablesOptions options;
  bool hasFile = false;
  bool hasIndex = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0) {
      if (hasFile) throw InputError(QStringLiteral("name only one description file"));
      options.file = TStringFromUtf8(argument);
      hasFile = true;
      continue;
    }
    if (argument != "--select" && argument != "--index" && argument != "--relation" && argument != "--app-mode")
      throw InputError(QStringLiteral("unknown option %1").arg(TStringFromUtf8(argument)));
    if (i + 1 == arguments.size()) throw InputError(QStringLiteral("%1 needs a value").arg(TStringFromUtf8(argument)));
    const std::string& value = arguments[++i];
    if (argument == "--select") {
      options.select = TStringFromUtf8(value);
    } else if (argument == "--index") {
      options.index = ParseIndex(value);
      hasIndex = true;
    } else if (argument == "--relation") {
      options.relation = TStringFromUtf8(value);
    } else {
      options.appMode = TStringFromUtf8(value);
    }
  }
  if (!hasFile) throw InputError(QStringLiteral("name a variables description file"));
  if (hasIndex && options.select.isEmpty()) throw InputError(QStringLiteral("--index needs --select"));
  return options;
}

}  // namespace

int Variables(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  try {
    const VariablesOptions options = ParseVariablesOptions(arguments);
    if (options.appMode) AppConfig::SetApplicationMode(SettableAppConfig::ParseApplicationMode(*options.appMode));
    out << Services::VariablePromptJson(options.file, options.select, options.index, options.relation) << '\n';
    return 0;
  } catch (const LogicException& e) {  // the builder's failures name the line hosts know them by
    err << "error: " << e.what() << " (" << QFileInfo(QString::fromUtf8(e.GetFile())).fileName().toStdString() << ':'
        << e.GetLine() << ")\n";
    return 1;
  } catch (const std::exception& e) {  // every failure of the command is reported, never fatal
    err << "error: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace hlvpres
