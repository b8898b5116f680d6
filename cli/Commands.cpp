#include "cli/Commands.h"

#include "cli/ConnectionCommands.h"
#include "cli/OAuthCommands.h"
#include "cli/ServeCommand.h"
#include "cli/StoreCommands.h"
#include "cli/GalleryCommands.h"
#include "cli/VariableCommands.h"

#include "host/Exceptions.h"
#include "host/TString.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataColumn.h"
#include "host/values/DataEnums.h"
#include "parameters/EnumSerializer.h"
#include "parameters/ParameterCatalog.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

namespace hlvpres {
namespace {

ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

// The JSON text of a default record of the pres-model structure `info`, through its registered
// serializer: a record rebuilt from an empty bag is a default-constructed one.
std::string WriteDefaultRecord(const ParameterInfo& info) {
  const IStructureSerializer* serializer = info.GetStructureSerializer();
  if (serializer == nullptr) throw HalvaneException(QStringLiteral("\"%1\" has no serializer").arg(info.GetName()));
  RefCntPtr<IParameters> bag = Registry().CreateParameters();
  bag->SetParameter(info.GetId(), serializer->DeserializeValue(Registry().CreateParameters(), info.GetId()));
  return WriteParametersJson(*bag, Registry());
}

int New(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  const ParameterNamespaceName& ns = GetDataPresModelParametersNamespaceName();
  std::vector<const ParameterInfo*> structures;
  std::vector<std::string> unknown;
  if (arguments.size() == 1 && arguments[0] == "--all") {
    structures = Registry().GetParameters(ns);
  } else if (arguments.empty()) {
    err << "hlvpres new: name at least one structure, or --all\n";
    return 2;
  } else {
    for (const std::string& name : arguments) structures.push_back(Registry().FindParameter(ns, TStringFromUtf8(name)));
  }

  int status = 0;
  for (size_t i = 0; i < structures.size(); ++i) {
    const ParameterInfo* info = structures[i];
    const std::string name = info ? info->GetUtf8Name() : arguments[i];
    if (info == nullptr) {
      err << "hlvpres new: no pres-model structure is called \"" << name << "\"\n";
      status = 1;
      continue;
    }
    try {
      const std::string json = WriteDefaultRecord(*info);
      out << name << '\t' << json << '\n';
    } catch (const HalvaneException& e) {  // one record that cannot be written does not stop the others
      err << "hlvpres new: " << name << ": " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}

// The bag every read bag starts from: a column context, against which aliased data values are
// read, of the given data type.
RefCntPtr<IParameters> ReadContext(DataType type) {
  RefCntPtr<const VizEngine::UserType> userType =
      type == DataType::String ? RefCntPtr<const VizEngine::UserType>(MakeRefCnt<VizEngine::StringType>(Collation()))
                               : MakeRefCnt<VizEngine::SimpleType>(type);
  RefCntPtr<IParameters> context = Registry().CreateParameters();
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(userType, std::vector<DataValue>()))));
  return context;
}

int Read(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  DataType columnType = DataType::String;
  if (arguments.size() == 2 && arguments[0] == "--column-type") {
    const TString name = TStringFromUtf8(arguments[1]);
    if (!DataEnumEncodings::DataTypes().GetTable().FindValue(name)) {
      err << "hlvpres read: '" << arguments[1] << "' is not a data type\n";
      return 2;
    }
    columnType = ParameterTypeSerializer<DataType>::TypeFromString(name);
  } else if (!arguments.empty()) {
    err << "hlvpres read: takes only --column-type TYPE; the bags come on standard input\n";
    return 2;
  }
  const RefCntPtr<IParameters> context = ReadContext(columnType);
  int status = 0;
  std::string line;
  for (long long number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      const RefCntPtr<IParameters> bag = ReadParametersJson(line, Registry(), context.Get());
      out << WriteParametersJson(*bag, Registry()) << '\n';
    } catch (const HalvaneException& e) {  // one bad line does not stop the others
      // The empty line keeps output line N the bag of input line N.
      out << '\n';
      err << "hlvpres: line " << number << ": " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}

const char* KindName(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::kSimple: return "simple";
    case ParameterKind::kList: return "list";
    case ParameterKind::kMap: return "map";
    case ParameterKind::kStructure: return "structure";
    case ParameterKind::kStructureList: return "structure-list";
  }
  return "?";
}

std::string FlagNames(const ParameterInfo& info) {
  std::string flags;
  const auto add = [&](ParameterFlag flag, const char* name) {
    if (!info.HasFlag(flag)) return;
    if (!flags.empty()) flags += ',';
    flags += name;
  };
  add(kParameterSecuritySensitive, "security-sensitive");
  add(kParameterNeverAdulterateMapKeys, "never-adulterate-map-keys");
  add(kParameterUnserializable, "unserializable");
  return flags.empty() ? "-" : flags;
}

int Catalog(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  if (!arguments.empty()) {
    err << "hlvpres catalog: takes no arguments\n";
    return 2;
  }
  for (const ParameterNamespaceName& ns : Registry().GetNamespaces()) {
    const std::string nsName = ToUtf8(ns.GetValue());
    for (const ParameterInfo* info : Registry().GetParameters(ns)) {
      const ParameterDescriptor* entry = FindCatalogEntry(info->GetId());
      char id[16];
      std::snprintf(id, sizeof id, "0x%08x", info->GetId());
      out << nsName << '\t' << id << '\t' << info->GetUtf8Name() << '\t' << KindName(info->GetKind()) << '\t'
          << (entry && entry->valueType ? entry->valueType : "-") << '\t' << FlagNames(*info) << '\n';
    }
  }
  return 0;
}

int Enums(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  if (!arguments.empty()) {
    err << "hlvpres enums: takes no arguments\n";
    return 2;
  }
  std::vector<const EnumStringTable*> tables = LibraryEnumTables();
  std::sort(tables.begin(), tables.end(), [](const EnumStringTable* a, const EnumStringTable* b) {
    return std::strcmp(a->GetName(), b->GetName()) < 0;
  });
  for (const EnumStringTable* table : tables) {
    out << table->GetName() << '\t' << table->GetDefault();
    for (const EnumStringTable::Entry& entry : table->GetEntries()) out << '\t' << entry.value << '=' << ToUtf8(entry.text);
    out << '\n';
  }
  return 0;
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"new", "write default records as JSON",
       "usage: hlvpres new STRUCTURE-NAME...\n"
       "       hlvpres new --all\n\n"
       "For each pres-model structure (all of them, in registration order, with --all) prints\n"
       "one line: the structure name, a tab, and the compact JSON of a default record's bag. A\n"
       "name that is not a pres-model structure, or a record that cannot be written, prints no\n"
       "line but one error line on standard error, and the exit status is then 1.\n",
       New},
      {"read", "read JSON bags from standard input and write them again",
       "usage: hlvpres read [--column-type TYPE] < BAGS\n\n"
       "Reads one JSON bag per line, rebuilds its values through the registered serializers and\n"
       "prints the bag written again, one line each. A line that cannot be read prints an empty\n"
       "line, so that output line N is always the bag of input line N, and on standard error\n"
       "'hlvpres: line N: ' and the message; the exit status is then 1.\n\n"
       "Aliased data values are read against a column of TYPE (a data type such as string,\n"
       "integer or date; string unless given).\n",
       Read},
      {"catalog", "list every registered parameter",
       "usage: hlvpres catalog\n\n"
       "Prints one line per registered parameter, in registration order, data namespace first:\n"
       "namespace, id (0x and 8 hex digits), name, kind, value type (- for none) and flags\n"
       "(comma-separated, or -), separated by tabs.\n",
       Catalog},
      {"enums", "list every enum string table",
       "usage: hlvpres enums\n\n"
       "Prints one line per enum string table of the library, sorted by enum name: the name, a\n"
       "tab, the default value, then for each entry in ascending order of value a tab and\n"
       "VALUE=STRING. The lines come from the tables the serializers use.\n",
       Enums},
      {"connectors", "list the connection classes the connector registry holds", kConnectorsHelp, Connectors},
      {"dialog", "build the connection dialog of a class", kDialogHelp, Dialog},
      {"convert", "turn an edited field record into connection attributes", kConvertHelp, Convert},
      {"demo", "walk a class's connection dialog from the dialog to its attributes", kDemoHelp, Demo},
      {"describe", "connect and print a connection's data source page", kDescribeHelp, Describe},
      {"preview", "print the columns and first rows of a table or custom SQL query", kPreviewHelp, PreviewCommand},
      {"test", "open and close a connection and say what failed", kTestHelp, TestCommand},
      {"connections", "save, list, show, rename, delete, export and import saved connections", kConnectionsHelp,
       ConnectionsCommand},
      {"store", "re-encrypt the store's secrets under a new key", kStoreHelp, StoreCommand},
      {"oauth-settings", "print the OAuth settings page", kOAuthSettingsHelp, OAuthSettings},
      {"gallery", "build a group of the connection-type gallery", kGalleryHelp, Gallery},
      {"variables", "build the database-variable prompt dialog of a described connection", kVariablesHelp, Variables},
      {"serve", "serve the connection dialogs to a browser on this machine", kServeHelp, Serve},
  };
  return commands;
}

}  // namespace hlvpres
