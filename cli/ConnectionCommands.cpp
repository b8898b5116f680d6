#include "cli/ConnectionCommands.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/Log.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/CredentialsService.h"
#include "host/store/StoreCredentialsService.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/detail/HardenedJson.h"
#include "services/ConnectionServices.h"
#include "services/InputError.h"
#include "services/LiveServices.h"
#include "services/SavedConnections.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <istream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace hlvpres {

using Services::InputError;

const char kConnectorsHelp[] =
    "usage: hlvpres connectors\n\n"
    "Prints one line per connection class the connector registry holds, sorted by class: the\n"
    "class, 'file' or 'server' (the gallery list it is in; 'none' for a class in neither), its\n"
    "configuration, 'relational', 'hierarchical' or 'other', and the English caption, separated\n"
    "by tabs.\n";

const char kDialogHelp[] =
    "usage: hlvpres dialog CLASS [--attributes JSON] [--app-mode MODE]\n"
    "       hlvpres dialog --saved NAME [--app-mode MODE]\n\n"
    "Builds the connection dialog of a new connection of CLASS and prints one line: the JSON of\n"
    "its connection settings record. --attributes gives the attributes the user last connected\n"
    "with (a JSON object of strings), which seed the settings cache the dialog starts from;\n"
    "without it the dialog starts from the attributes the store remembers for CLASS (those of\n"
    "the last describe, test or save of the class, never a secret). With --saved, the dialog of\n"
    "the connection saved as NAME, as an existing connection: a secret it keeps shows as\n"
    "********, which convert --saved reads as \"keep\".\n"
    "--app-mode runs as desktop, server, prep, prep-desktop, flow-processor,\n"
    "flow-processor-service or flow-editor.\n";

const char kConvertHelp[] =
    "usage: hlvpres convert CLASS < BAG\n"
    "       hlvpres convert --saved NAME < BAG\n\n"
    "Reads one JSON bag holding a connection params record\n"
    "({\"gen-connection-params-pres-model\":{...}}, as the dialog's field record is written) on\n"
    "standard input, turns it into the attributes a connection of CLASS connects with (loading\n"
    "a chosen certificate file and moving secrets to the credential service), and prints one\n"
    "line: the attributes as a JSON object of strings with sorted keys. The file name of a file\n"
    "connection is printed under \"filename\". Secrets never appear: \"credential-id\" stands in\n"
    "their place, and a secret still held is printed as ********.\n\n"
    "With --saved, BAG is the edited field record of dialog --saved NAME: the attributes are\n"
    "saved as NAME again (as connections save does) and printed as connections show prints\n"
    "them. A secret field left at ******** keeps the saved secret, one typed replaces it and one\n"
    "cleared removes it.\n";

const char kDemoHelp[] =
    "usage: hlvpres demo [CLASS]\n\n"
    "Walks the connection dialog of CLASS (default: sqlite, the embedded database) the way a\n"
    "host does: builds the initial SQL record and the dialog, reads the dialog's field record\n"
    "back, fills it as a user would, and turns it into connection attributes. For sqlite it\n"
    "goes on to the data source page: it makes a small SQLite database (three tables and a\n"
    "view) in a temporary folder, which the dialog is filled with and which is removed at the\n"
    "end, connects with the attributes the dialog produced and describes the connection.\n"
    "Prints one line per step: its name (class, initial-sql, dialog, edited, attributes, then\n"
    "page for sqlite), a tab, and its record or attributes as JSON.\n";

const char kDescribeHelp[] =
    "usage: hlvpres describe CLASS --attributes JSON [--olap] [--simple]\n"
    "       hlvpres describe --saved NAME [--olap] [--simple]\n"
    "       hlvpres describe --fixture FILE [--olap] [--simple]\n\n"
    "Connects a relational connection of CLASS live with the attributes JSON (an object of\n"
    "strings, such as {\"filename\":\"/data/sales.sqlite\"} for sqlite, or \"server\", \"port\",\n"
    "\"dbname\", \"username\", \"password\" and \"sslmode\" for postgres) and prints one line: the\n"
    "JSON of the data source page's connection description record, with its pickers. With\n"
    "--fixture, the cube or Google Analytics connection that the fixture FILE describes instead\n"
    "(docs/fixtures.md). With --saved, the connection saved as NAME (hlvpres connections), with\n"
    "its stored secrets. A connection described is remembered for the next dialog of its class.\n\n"
    "--olap describes the connection for OLAP use, in which custom SQL is allowed whatever the\n"
    "connection says of custom SQL with OLAP off. --simple prints the simple connection\n"
    "description record (kind, recommendations and attributes) instead.\n\n"
    "Secrets are never printed: the class's secrets go to the credential service before\n"
    "connecting (a \"credential-id\" then stands in their place), and a secret still among the\n"
    "attributes is printed as ********. A connection that fails prints one \"error: \" line on\n"
    "standard error and exits with 1.\n";

const char kPreviewHelp[] =
    "usage: hlvpres preview CLASS --attributes JSON (--table NAME | --sql TEXT) [--rows N]\n"
    "                       [--timeout SECONDS]\n"
    "       hlvpres preview --saved CONNECTION (--table NAME | --sql TEXT) [--rows N] [--timeout SECONDS]\n\n"
    "Connects a relational connection of CLASS live with the attributes JSON (as describe takes\n"
    "them) and prints one line of JSON: the columns (name, database type, and whether it may\n"
    "hold NULL: true, false or null when the database does not say) and the first N rows of the\n"
    "table NAME or of the custom SQL query TEXT,\n"
    "  {\"columns\":[{\"name\":\"id\",\"type\":\"integer\",\"nullable\":false}],\"rows\":[[1]],\n"
    "   \"more-rows\":true,\"cut-cells\":0}\n"
    "Cells keep their types: numbers, true and false, strings, null for NULL (and for a real\n"
    "number that is not finite), and {\"binary\":BYTES} for binary data. A cell's text is cut at\n"
    "4 KiB (\"cut-cells\" counts them) and the rows stop before 8 MiB of text; \"more-rows\" says\n"
    "whether the source had more rows than were printed.\n\n"
    "NAME is the table's name as the data source page writes it: \"orders\", \"sales.orders\", or\n"
    "\"[sales].[my.orders]\" for a name holding a dot or a bracket (a \"]\" inside doubled). A query\n"
    "is taken only where the class's data source page allows custom SQL; it runs read-only, and\n"
    "one that writes is refused. --rows gives 1 to 1000 rows (default 100). --timeout cancels\n"
    "the query after SECONDS (default 30, at most 3600). A failure prints one \"error: \" line on\n"
    "standard error and exits with 1.\n";

const char kTestHelp[] =
    "usage: hlvpres test CLASS --attributes JSON\n"
    "       hlvpres test --saved NAME\n\n"
    "Connects a relational connection of CLASS live with the attributes JSON (as describe takes\n"
    "them; --saved NAME the connection saved as NAME), closes it again and prints one line:\n"
    "{\"connected\":true} and exit status 0, or, when the connection fails, exit status 1 and\n"
    "  {\"connected\":false,\"reason\":R,\"message\":M,\"details\":D}\n"
    "where R is what failed (host-not-found, refused, timed-out, tls, authentication,\n"
    "database-missing, driver-missing or other), M says it in plain words and D is the driver's\n"
    "own text, left out when there is none or it could hold a secret. Attributes or a class that\n"
    "cannot be used print one \"error: \" line on standard error instead, with exit status 1.\n";

namespace {

void ApplyAppMode(const Options& options) {
  if (const std::optional<std::string> mode = Value(options, "--app-mode"))
    AppConfig::SetApplicationMode(SettableAppConfig::ParseApplicationMode(TStringFromUtf8(*mode)));
}

std::string WriteCompact(const rapidjson::Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

/// Makes the demo's SQLite database at `path`: customers, products and orders, and the view
/// order_totals over them.
void MakeDemoDatabase(const QString& path) {
  static const char* const kStatements[] = {
      "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT)",
      "CREATE TABLE products (id INTEGER PRIMARY KEY, name TEXT NOT NULL, price REAL NOT NULL)",
      "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER REFERENCES customers (id), "
      "product_id INTEGER REFERENCES products (id), quantity INTEGER NOT NULL, ordered_on TEXT)",
      "INSERT INTO customers VALUES (1, 'Ada', 'London'), (2, 'Grace', 'Arlington')",
      "INSERT INTO products VALUES (1, 'Notebook', 4.5), (2, 'Pen', 1.25)",
      "INSERT INTO orders VALUES (1, 1, 1, 3, '2026-03-01'), (2, 2, 2, 10, '2026-03-02'), (3, 1, 2, 2, '2026-03-05')",
      "CREATE VIEW order_totals AS SELECT c.name AS customer, SUM(o.quantity * p.price) AS total FROM orders o "
      "JOIN customers c ON c.id = o.customer_id JOIN products p ON p.id = o.product_id GROUP BY c.name",
  };
  const QString connection = QStringLiteral("hlvpres-demo-database");
  QString failure;
  {
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    database.setDatabaseName(path);
    if (!database.open()) failure = database.lastError().text();
    for (const char* statement : kStatements) {
      if (!failure.isEmpty()) break;
      QSqlQuery query(database);
      if (!query.exec(QLatin1String(statement))) failure = query.lastError().text();
    }
    database.close();
  }
  QSqlDatabase::removeDatabase(connection);
  if (!failure.isEmpty())
    throw HalvaneException(QStringLiteral("making the demo database %1 failed: %2").arg(path, failure));
}

/// The host's log lines of one command, kept while it runs so that a failure is reported on one
/// line; the sink that was installed before is put back when it ends.
class CommandLog final : public ILogSink {
 public:
  void Write(TLog severity, const TString& message) override { m_lines.emplace_back(severity, message); }

  /// Hands what was logged to the sink that was installed before.
  void Forward(ILogSink& sink) const {
    for (const auto& [severity, message] : m_lines) sink.Write(severity, message);
  }
  /// The warnings and errors logged, each as "; warning: text", on one line.
  std::string Reasons() const {
    std::string reasons;
    for (const auto& [severity, message] : m_lines)
      if (severity == TLog::Warn || severity == TLog::Error)
        reasons += (severity == TLog::Warn ? "; warning: " : "; error: ") + ToUtf8(message);
    return reasons;
  }

 private:
  std::vector<std::pair<TLog, TString>> m_lines;
};

/// `text` with its line breaks turned into spaces.
std::string OneLine(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return text;
}

/// Runs `command`. A failure gives one "error:" line, with the warnings the host logged on the
/// way (such as the file it could not read), and status 1; on success what the host logged is
/// passed on as usual.
template <typename Command>
int Run(std::ostream& err, Command command) {
  const auto log = std::make_shared<CommandLog>();
  struct Restore {
    std::shared_ptr<ILogSink> previous;
    ~Restore() { LogSink::Install(std::move(previous)); }
  } restore{LogSink::Install(log)};
  try {
    const int status = command();
    log->Forward(*restore.previous);
    return status;
  } catch (const LogicException& e) {  // a builder's failure names the file and line hosts know it by
    std::string file = e.GetFile();
    file.erase(0, file.find_last_of('/') + 1);
    err << "error: " << OneLine(e.what() + log->Reasons()) << " (" << file << ':' << e.GetLine() << ")\n";
    return 1;
  } catch (const std::exception& e) {  // every failure of a command is reported, never fatal
    err << "error: " << OneLine(e.what() + log->Reasons()) << '\n';
    return 1;
  }
}

/// The dialog's field record as the front end sends it back once a user filled the dialog
/// `settings` describes: the written record with a sample value in every empty text field the
/// dialog shows, and in every connection field of a field-driven connector.
std::string FillAsAUser(const DSConnectionConfig& config, const ConnectionSettingsPresModel& settings,
                        const TString& demoFile) {
  rapidjson::Document document;
  HardenedJson::Parse(Services::RecordJson(*settings.GetConnectionParams()), document, {});
  rapidjson::Value& record = document.FindMember("gen-connection-params-pres-model")->value;
  auto& allocator = document.GetAllocator();
  const auto fill = [&](rapidjson::Value& object, const std::string& name, const std::string& sample) {
    const auto member = object.FindMember(name.c_str());
    if (member == object.MemberEnd())
      object.AddMember(rapidjson::Value(name.c_str(), allocator), rapidjson::Value(sample.c_str(), allocator), allocator);
    else if (member->value.IsString() && member->value.GetStringLength() == 0)
      member->value.SetString(sample.c_str(), allocator);
  };

  const std::vector<TString> files =
      Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kFile);
  if (std::find(files.begin(), files.end(), config.ClassName()) != files.end())
    fill(record, "widget-attr-filename", ToUtf8(demoFile));
  if (settings.GetShowServerNamePrompt()) fill(record, "widget-attr-server", "localhost");
  if (settings.GetShowDBNamePrompt()) fill(record, "widget-attr-db", "analytics");
  if (settings.GetShowDBWHNamePrompt()) fill(record, "widget-attr-dbwh", "COMPUTE_WH");
  if (settings.GetShowServiceNamePrompt()) fill(record, "widget-attr-service", "analytics");
  const RefCntPtr<const AuthenticationSettingsPresModel> authentication = settings.GetAuthenticationInfo();
  if (authentication && authentication->GetAuthMode() != AuthenticationEnums::Mode::AuthModeNone) {
    fill(record, "widget-attr-user", "analyst");
    fill(record, "widget-attr-password", "demo-password");
  }

  // A field-driven connector edits its connection fields instead.
  const RefCntPtr<const RelationalDSConnectionConfig> relational = config.AsRelational();
  if (relational && relational->GetConnectionFieldsModel()) {
    if (!record.HasMember("connector-attrs")) record.AddMember("connector-attrs", rapidjson::Value(rapidjson::kObjectType), allocator);
    rapidjson::Value& fields = record["connector-attrs"];
    const Connect::ConnectionFieldsFilter filter =
        Connect::ConnectionFieldsFilterFactory::Instance().CreateFilter(config.GetConnectionAttributes());
    for (const TString& name : relational->GetConnectionFieldsNames(filter)) {
      // A certificate comes from a file the user picks; the demo imports none.
      if (name == DataConnectionAttrs::attrSSLFile || name == DataConnectionAttrs::attrSSLCert) continue;
      const Connect::ConnectionField* field = relational->GetConnectionFieldsModel()->GetField(name);
      fill(fields, ToUtf8(name), field != nullptr && field->IsSecure() ? "demo-password" : "demo-" + ToUtf8(name));
    }
  }
  return WriteCompact(document);
}

}  // namespace

Options ParseOptions(const Arguments& arguments, const std::set<std::string>& known,
                     const std::set<std::string>& flags) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0) {
      options.positional.push_back(argument);
      continue;
    }
    if (flags.count(argument) != 0) {
      options.flags.insert(argument);
      continue;
    }
    if (known.count(argument) == 0)
      throw InputError(QStringLiteral("unknown option %1").arg(TStringFromUtf8(argument)));
    if (i + 1 == arguments.size()) throw InputError(QStringLiteral("%1 needs a value").arg(TStringFromUtf8(argument)));
    options.values[argument] = arguments[++i];
  }
  return options;
}

std::optional<std::string> Value(const Options& options, const char* name) {
  const auto found = options.values.find(name);
  return found == options.values.end() ? std::nullopt : std::optional<std::string>(found->second);
}

TString ConnectionClass(const Options& options, size_t maxPositional) {
  if (options.positional.empty()) throw InputError(QStringLiteral("name a connection class"));
  if (options.positional.size() > maxPositional) throw InputError(QStringLiteral("name only one connection class"));
  return Services::KnownConnectionClass(options.positional.front());
}

std::pair<TString, ConnectionAttributeMap> LiveConnection(const Options& options) {
  if (const std::optional<std::string> saved = Value(options, "--saved")) {
    if (!options.positional.empty() || Value(options, "--attributes"))
      throw InputError(QStringLiteral("--saved NAME takes the place of CLASS --attributes JSON: give one or the other"));
    // Its secrets are the store's: the credential service reads them there.
    CredentialsService::Install(std::make_shared<Store::StoreCredentialsService>());
    Services::OpenedConnection connection = Services::SavedConnection(TStringFromUtf8(*saved));
    return {connection.connectionClass, std::move(connection.attributes)};
  }
  const TString connectionClass = ConnectionClass(options);
  const std::optional<std::string> attributes = Value(options, "--attributes");
  if (!attributes) throw InputError(QStringLiteral("--attributes JSON, or --saved NAME, is needed"));
  return {connectionClass, Services::ParseAttributes(*attributes)};
}

int RunCommand(std::ostream& err, const std::function<int()>& command) { return Run(err, command); }

int Connectors(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    if (!arguments.empty()) throw InputError(QStringLiteral("connectors takes no arguments"));
    for (const Services::ConnectorSummary& connector : Services::ListConnectors())
      out << ToUtf8(connector.connectionClass) << '\t' << connector.list << '\t' << connector.model << '\t'
          << ToUtf8(connector.caption) << '\n';
    return 0;
  });
}

int Dialog(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes", "--app-mode", "--saved"});
    ApplyAppMode(options);
    if (const std::optional<std::string> saved = Value(options, "--saved")) {
      if (!options.positional.empty() || Value(options, "--attributes"))
        throw InputError(QStringLiteral("--saved NAME takes the place of CLASS [--attributes JSON]"));
      out << Services::SavedDialogJson(TStringFromUtf8(*saved)) << '\n';
      return 0;
    }
    const TString connectionClass = ConnectionClass(options);
    std::optional<std::string> last = Value(options, "--attributes");
    if (!last) last = Services::LastAttributesJson(connectionClass);
    out << Services::DialogJson(connectionClass, last) << '\n';
    return 0;
  });
}

int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--saved"});
    const std::optional<std::string> saved = Value(options, "--saved");
    if (saved && !options.positional.empty()) throw InputError(QStringLiteral("--saved NAME takes the place of CLASS"));
    const TString connectionClass = saved ? TString() : ConnectionClass(options);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out << (saved ? Services::ConvertSavedJson(TStringFromUtf8(*saved), text, "standard input")
                  : Services::ConvertJson(connectionClass, text, "standard input"))
        << '\n';
    return 0;
  });
}

int Demo(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {});
    const TString connectionClass =
        options.positional.empty() ? QStringLiteral("sqlite") : ConnectionClass(options);
    // The embedded database goes on to its data source page, with a database of its own.
    const bool toThePage = connectionClass == QLatin1String("sqlite");
    const QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("hlvpres-demo-XXXXXX")));
    if (!folder.isValid())
      throw HalvaneException(QStringLiteral("no temporary folder for the demo: %1").arg(folder.errorString()));
    const TString demoFile = folder.filePath(QStringLiteral("sales.sqlite"));
    if (toThePage) MakeDemoDatabase(demoFile);

    const Services::DialogRecords dialog = Services::NewDialog(connectionClass, std::nullopt);
    const std::string edited = FillAsAUser(*dialog.config, *dialog.settings, demoFile);
    const std::unique_ptr<DSConnectorParams> params =
        Services::ToConnectorParams(dialog.config, Services::ReadFieldRecord(edited, "standard input"));
    // Described before anything is printed, so that a failure prints only its error line.
    const std::string page =
        toThePage ? Services::DescriptionJson(Services::ConnectWith(connectionClass, *params), false, false) : "";
    out << "class\t" << ToUtf8(connectionClass) << "\ninitial-sql\t" << Services::RecordJson(*dialog.initialSQL)
        << "\ndialog\t" << Services::RecordJson(*dialog.settings) << "\nedited\t"
        << Services::MaskedJson(*dialog.config, edited) << "\nattributes\t"
        << Services::AttributesJson(*dialog.config, *params) << '\n';
    if (toThePage) out << "page\t" << page << '\n';
    return 0;
  });
}

// The command ends the process: the system takes a page's memory back at once, where freeing
// its records one by one (100,000 of them for a large database) would take milliseconds. The
// page stays reachable, so leak checkers have nothing to report; a later page replaces it.
namespace {
void KeepUntilExit(RefCntPtr<const PresentationModel> page) {
  static auto* const kept = new RefCntPtr<const PresentationModel>();
  *kept = std::move(page);
}
}  // namespace

int Describe(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes", "--fixture", "--saved"}, {"--olap", "--simple"});
    const std::optional<std::string> fixture = Value(options, "--fixture");
    const std::optional<std::string> attributes = Value(options, "--attributes");
    const bool olap = options.flags.count("--olap") != 0;
    const bool simple = options.flags.count("--simple") != 0;
    if (fixture) {
      if (!options.positional.empty() || attributes || Value(options, "--saved"))
        throw InputError(QStringLiteral("--fixture takes neither a connection class, --attributes nor --saved"));
      out << Services::DescribeFixtureJson(TStringFromUtf8(*fixture), olap, simple) << '\n';
      return 0;
    }
    if (!attributes && !Value(options, "--saved"))
      throw InputError(QStringLiteral("describe needs CLASS --attributes JSON, --saved NAME or --fixture FILE"));
    const auto [connectionClass, live] = LiveConnection(options);
    const RefCntPtr<const PresentationModel> page = Services::DescribeRecord(connectionClass, live, olap, simple);
    Services::RememberAttributes(connectionClass, live);
    // Written as it is made: a page of many tables is tens of megabytes of text.
    Services::StreamRecordJson(*page, [&out](std::string_view piece) {
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    });
    out << '\n';
    KeepUntilExit(page);
    return 0;
  });
}

int PreviewCommand(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes", "--saved", "--table", "--sql", "--rows", "--timeout"});
    const auto [connectionClass, attributes] = LiveConnection(options);
    const Preview::Request request = Services::PreviewRequest(Value(options, "--table"), Value(options, "--sql"),
                                                              Value(options, "--rows"), Value(options, "--timeout"));
    out << Services::PreviewJson(connectionClass, attributes, request) << '\n';
    return 0;
  });
}

int TestCommand(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const auto [connectionClass, attributes] = LiveConnection(ParseOptions(arguments, {"--attributes", "--saved"}));
    const std::string answer = Services::TestJson(connectionClass, attributes);
    const bool connected = answer == "{\"connected\":true}";
    if (connected) Services::RememberAttributes(connectionClass, attributes);
    out << answer << '\n';
    return connected ? 0 : 1;
  });
}

}  // namespace hlvpres
