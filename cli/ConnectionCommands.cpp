#include "cli/ConnectionCommands.h"

#include "connect/ConnectDataUtils.h"
#include "connect/DSConnectorParams.h"
#include "host/Exceptions.h"
#include "host/Secrets.h"
#include "host/app/AppConfig.h"
#include "host/app/Log.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connectors/ConnectionFixture.h"
#include "host/connectors/DataSource.h"
#include "host/connectors/DescribedConfigs.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionDescriptionPresModelBuilder.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"

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

const char kConnectorsHelp[] =
    "usage: hlvpres connectors\n\n"
    "Prints one line per connection class the connector registry holds, sorted by class: the\n"
    "class, 'file' or 'server' (the gallery list it is in; 'none' for a class in neither), its\n"
    "configuration, 'relational', 'hierarchical' or 'other', and the English caption, separated\n"
    "by tabs.\n";

const char kDialogHelp[] =
    "usage: hlvpres dialog CLASS [--attributes JSON] [--app-mode MODE]\n\n"
    "Builds the connection dialog of a new connection of CLASS and prints one line: the JSON of\n"
    "its connection settings record. --attributes gives the attributes the user last connected\n"
    "with (a JSON object of strings), which seed the settings cache the dialog starts from.\n"
    "--app-mode runs as desktop, server, prep, prep-desktop, flow-processor,\n"
    "flow-processor-service or flow-editor.\n";

const char kConvertHelp[] =
    "usage: hlvpres convert CLASS < BAG\n\n"
    "Reads one JSON bag holding a connection params record\n"
    "({\"gen-connection-params-pres-model\":{...}}, as the dialog's field record is written) on\n"
    "standard input, turns it into the attributes a connection of CLASS connects with (loading\n"
    "a chosen certificate file and moving secrets to the credential service), and prints one\n"
    "line: the attributes as a JSON object of strings with sorted keys. The file name of a file\n"
    "connection is printed under \"filename\". Secrets never appear: \"credential-id\" stands in\n"
    "their place, and a secret still held is printed as ********.\n";

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
    "       hlvpres describe --fixture FILE [--olap] [--simple]\n\n"
    "Connects a relational connection of CLASS live with the attributes JSON (an object of\n"
    "strings, such as {\"filename\":\"/data/sales.sqlite\"} for sqlite, or \"server\", \"port\",\n"
    "\"dbname\", \"username\", \"password\" and \"sslmode\" for postgres) and prints one line: the\n"
    "JSON of the data source page's connection description record, with its pickers. With\n"
    "--fixture, the cube or Google Analytics connection that the fixture FILE describes instead\n"
    "(docs/fixtures.md).\n\n"
    "--olap describes the connection for OLAP use, in which custom SQL is allowed whatever the\n"
    "connection says of custom SQL with OLAP off. --simple prints the simple connection\n"
    "description record (kind, recommendations and attributes) instead.\n\n"
    "Secrets are never printed: the class's secrets go to the credential service before\n"
    "connecting (a \"credential-id\" then stands in their place), and a secret still among the\n"
    "attributes is printed as ********. A connection that fails prints one \"error: \" line on\n"
    "standard error and exits with 1.\n";

namespace {

ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

/// The longest --attributes text read.
constexpr std::size_t kMaxAttributesJsonBytes = std::size_t{1} << 20;

/// The options of a command: the positional arguments, the values of --name options and the
/// --name flags given.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
};

/// `arguments` read with the options `known`, which take a value, and the flags `flags`, which
/// do not.
Options ParseOptions(const Arguments& arguments, const std::set<std::string>& known,
                     const std::set<std::string>& flags = {}) {
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

void ApplyAppMode(const Options& options) {
  if (const std::optional<std::string> mode = Value(options, "--app-mode"))
    AppConfig::SetApplicationMode(SettableAppConfig::ParseApplicationMode(TStringFromUtf8(*mode)));
}

/// The connection class named by the only positional argument; an unknown class is an error.
TString ConnectionClass(const Options& options, size_t maxPositional = 1) {
  if (options.positional.empty()) throw InputError(QStringLiteral("name a connection class"));
  if (options.positional.size() > maxPositional) throw InputError(QStringLiteral("name only one connection class"));
  return KnownConnectionClass(options.positional.front());
}

}  // namespace

TString KnownConnectionClass(const std::string& name) {
  const TString connectionClass = TStringFromUtf8(name);
  if (!Connect::Registry::Instance().LookupConnector(connectionClass))
    throw InputError(QStringLiteral("unknown connection class \"%1\"").arg(connectionClass));
  return connectionClass;
}

ConnectionAttributeMap ParseAttributes(const std::string& json) {
  rapidjson::Document document;
  HardenedJson::Limits limits;
  limits.maxBytes = kMaxAttributesJsonBytes;
  HardenedJson::Parse(json, document, limits);
  if (!document.IsObject()) throw InputError(QStringLiteral("--attributes is not a JSON object"));
  ConnectionAttributeMap attributes;
  for (const auto& member : document.GetObject()) {
    const TString name = TStringFromUtf8(std::string_view(member.name.GetString(), member.name.GetStringLength()));
    if (!member.value.IsString())
      throw InputError(QStringLiteral("--attributes: the value of \"%1\" is not a string").arg(name));
    attributes[name] = TStringFromUtf8(std::string_view(member.value.GetString(), member.value.GetStringLength()));
  }
  return attributes;
}

namespace {

RefCntPtr<DSConnectionConfig> NewConnection(const TString& connectionClass) {
  return DSConnectionConfig::CreateInstance(connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(),
                                            true);
}

std::string Write(const PresentationModel& model) { return WriteParametersJson(*model.AsIParameters(), Registry()); }

/// The names whose values are secrets in a connection of `config`'s class: those the set
/// marked secure, the connector's secure fields, the attributes that always hold secrets (the
/// set marks only the password secure; a workgroup password, a client key or a connection
/// string is one too), and every OAuth attribute but the instance address (tokens and the like).
std::set<TString> SecretNames(const DSConnectionConfig& config, const DSConnectorParams& params) {
  std::set<TString> names(params.SecureNames().begin(), params.SecureNames().end());
  for (const auto& [name, value] : params.Attributes())
    if (Secrets::IsSecretAttribute(name)) names.insert(name);
  for (const auto& [name, value] : params.OAuthAttributes())
    if (name != DataConnectionAttrs::attrInstanceUrl) names.insert(name);
  if (const RefCntPtr<const RelationalDSConnectionConfig> relational = config.AsRelational()) {
    if (const RefCntPtr<const Connect::IConnectionFieldsModel> fields = relational->GetConnectionFieldsModel()) {
      for (const auto& [name, value] : params.Attributes()) {
        const Connect::ConnectionField* field = fields->GetField(name);
        if (field != nullptr && field->IsSecure()) names.insert(name);
      }
    }
  }
  return names;
}

/// The attributes of `params` as a JSON object with sorted keys, secrets masked.
std::string WriteAttributes(const DSConnectionConfig& config, const DSConnectorParams& params) {
  std::map<TString, TString> sorted;
  for (const auto& [name, value] : params.Attributes()) sorted.emplace(name, value);
  if (!params.Filename().isEmpty()) sorted[DataConnectionAttrs::attrFilename] = params.Filename();
  const std::set<TString> secrets = SecretNames(config, params);
  std::string json = "{";
  for (const auto& [name, value] : sorted) {
    if (json.size() > 1) json += ',';
    AppendJsonString(json, name);
    json += ':';
    AppendJsonString(json, secrets.count(name) != 0 && !value.isEmpty() ? TString(Secrets::kMask) : value);
  }
  return json + '}';
}

std::string WriteCompact(const rapidjson::Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

/// The connection params record of the bag `text`, which came from `source` (named in the
/// error when it holds none).
RefCntPtr<const ConnectionParamsPresModel> ReadFieldRecord(const std::string& text,
                                                           const char* source = "standard input") {
  const RefCntPtr<IParameters> bag = ReadParametersJson(text, Registry());
  const auto* record = FindParameterValue<RefCntPtr<const ConnectionParamsPresModel>>(*bag, ConnectionParamsPresModel::ID);
  if (record == nullptr || !*record)
    throw InputError(
        QStringLiteral("%1 holds no \"gen-connection-params-pres-model\" record").arg(QLatin1String(source)));
  return *record;
}

/// The attributes a connection of `config` connects with after the user confirmed `record`.
std::unique_ptr<DSConnectorParams> ToConnectorParams(const RefCntPtr<DSConnectionConfig>& config,
                                                     const RefCntPtr<const ConnectionParamsPresModel>& record) {
  std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, record);
  ConnectDataUtils::LoadSSLCert(config, *params, record);
  // The set marks only the password secure; the other secrets of the policy (a client key, a
  // connection string a password may be written into) go to the credential service with it.
  const ConnectionAttributeMap attributes = params->Attributes();
  for (const auto& [name, value] : attributes)
    if (!value.isEmpty() && Secrets::IsSecretAttribute(name)) params->SetSecureValue(name, value);
  params->SaveSecureValues();
  return params;
}

/// Whether the attribute `name` is a secure connection field of `config`'s class.
bool IsSecureField(const DSConnectionConfig& config, const TString& name) {
  const RefCntPtr<const RelationalDSConnectionConfig> relational = config.AsRelational();
  const RefCntPtr<const Connect::IConnectionFieldsModel> fields =
      relational ? relational->GetConnectionFieldsModel() : nullptr;
  const Connect::ConnectionField* field = fields ? fields->GetField(name) : nullptr;
  return field != nullptr && field->IsSecure();
}

/// Whether the attribute `name` of a connection of `config`'s class holds a secret: one the
/// secrets policy names, or a secure connection field of the class.
bool IsSecret(const DSConnectionConfig& config, const TString& name) {
  return Secrets::IsSecretAttribute(name) || IsSecureField(config, name);
}

/// `attributes` with every secret that has a value masked.
std::map<TString, TString> MaskedAttributes(const DSConnectionConfig& config, std::map<TString, TString> attributes) {
  return Secrets::MaskAttributes(std::move(attributes), [&](const TString& name) { return IsSecureField(config, name); });
}

/// The JSON text `json` of a bag of `config`'s records with every secret masked.
std::string MaskedJson(const DSConnectionConfig& config, const std::string& json) {
  return Secrets::MaskParametersJson(json, Registry(),
                                     [&](const TString& name) { return IsSecureField(config, name); });
}

/// The configuration of an existing connection of `connectionClass` with the attributes of
/// `params` (and its file under "filename"), for a data source of those attributes, connected
/// live. A connection that fails raises DataSourceException.
RefCntPtr<DSConnectionConfig> Connected(const TString& connectionClass, const DSConnectorParams& params) {
  ConnectionAttributeMap attributes = params.Attributes();
  if (!params.Filename().isEmpty()) attributes[DataConnectionAttrs::attrFilename] = params.Filename();
  const RefCntPtr<DataSource> dataSource = MakeRefCnt<DataSource>(connectionClass, attributes);
  const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(
      connectionClass, dataSource, nullptr, TString(), DataObjectModel::ObjectId(), false);
  DescribedConfigState* state = DescribedConfigState::Of(*config);
  if (state == nullptr)
    throw InputError(QStringLiteral("the host cannot connect a \"%1\" connection").arg(connectionClass));
  state->Connect();
  return config;
}

/// A connection of `connectionClass` with `attributes`, connected as a host connects once the
/// dialog is confirmed: the class's secrets go to the credential service first.
RefCntPtr<DSConnectionConfig> ConnectLive(const TString& connectionClass, const ConnectionAttributeMap& attributes) {
  const RefCntPtr<DSConnectionConfig> probe = NewConnection(connectionClass);
  if (!probe->IsRelational())
    throw InputError(QStringLiteral("a \"%1\" connection is not relational and is not connected live: describe it "
                                    "from a fixture (--fixture FILE)")
                         .arg(connectionClass));
  DSConnectorParams params(attributes);
  params.SetValue(DataConnectionAttrs::attrClass, connectionClass);
  // An empty secret is none: moving it would give the connection a new credential id, and with
  // it lose the one the attributes already name (as the dialog's converted attributes do).
  for (const auto& [name, value] : attributes)
    if (IsSecret(*probe, name) && !value.isEmpty()) params.SetSecureValue(name, value);
  params.SaveSecureValues();
  return Connected(connectionClass, params);
}

/// The JSON of the data source page of `config` (the simple record when `simple`), its secret
/// attributes masked.
std::string WriteDescription(const RefCntPtr<const DSConnectionConfig>& config, bool olap, bool simple) {
  ConnectionDescriptionPresModelBuilder builder(config);
  if (simple) {
    const RefCntPtr<SimpleConnectionDescriptionPresModel> record = builder.BuildSimple();
    record->SetConnectionAttributess(MaskedAttributes(*config, record->GetConnectionAttributess()));
    return Write(*record);
  }
  const RefCntPtr<ConnectionDescriptionPresModel> record = builder.Build(olap);
  record->SetConnectionAttributess(MaskedAttributes(*config, record->GetConnectionAttributess()));
  return Write(*record);
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
  HardenedJson::Parse(Write(*settings.GetConnectionParams()), document, {});
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

std::string DialogJson(const TString& connectionClass, const std::optional<std::string>& lastAttributes) {
  ConnectionSettingsCache cache;
  if (lastAttributes) cache.Remember(connectionClass, ParseAttributes(*lastAttributes));
  const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
  const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
  // The remembered attributes may hold secrets, which the dialog's fields would show.
  return MaskedJson(*config,
                    Write(*ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr)));
}

std::string ConvertJson(const TString& connectionClass, const std::string& bag, const char* source) {
  const RefCntPtr<const ConnectionParamsPresModel> record = ReadFieldRecord(bag, source);
  const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
  return WriteAttributes(*config, *ToConnectorParams(config, record));
}

std::string DescribeJson(const TString& connectionClass, const ConnectionAttributeMap& attributes, bool olap,
                         bool simple) {
  return WriteDescription(ConnectLive(connectionClass, attributes), olap, simple);
}

int Connectors(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    if (!arguments.empty()) throw InputError(QStringLiteral("connectors takes no arguments"));
    const Connect::IRegistry& registry = Connect::Registry::Instance();
    const std::vector<TString> files = registry.GetConnectionClasses(Connect::ConnectionClassKind::kFile);
    const std::vector<TString> servers = registry.GetConnectionClasses(Connect::ConnectionClassKind::kServer);
    const auto listed = [](const std::vector<TString>& list, const TString& connectionClass) {
      return std::find(list.begin(), list.end(), connectionClass) != list.end();
    };
    std::vector<TString> classes = registry.GetRegisteredClasses();
    std::sort(classes.begin(), classes.end());
    for (const TString& connectionClass : classes) {
      const char* kind = listed(files, connectionClass) ? "file" : listed(servers, connectionClass) ? "server" : "none";
      const RefCntPtr<DSConnectionConfig> config = DSConnectionConfig::CreateInstance(connectionClass, {});
      const char* model = config->IsRelational() ? "relational" : config->IsHierarchical() ? "hierarchical" : "other";
      out << ToUtf8(connectionClass) << '\t' << kind << '\t' << model << '\t'
          << ToUtf8(registry.GetClassCaption(connectionClass, QStringLiteral("en"))) << '\n';
    }
    return 0;
  });
}

int Dialog(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes", "--app-mode"});
    ApplyAppMode(options);
    out << DialogJson(ConnectionClass(options), Value(options, "--attributes")) << '\n';
    return 0;
  });
}

int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const TString connectionClass = ConnectionClass(ParseOptions(arguments, {}));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out << ConvertJson(connectionClass, text, "standard input") << '\n';
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

    ConnectionSettingsCache cache;
    const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
    const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
    const RefCntPtr<const ConnectionSettingsPresModel> settings =
        ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr);
    const std::string edited = FillAsAUser(*config, *settings, demoFile);
    const std::unique_ptr<DSConnectorParams> params = ToConnectorParams(config, ReadFieldRecord(edited));
    // Described before anything is printed, so that a failure prints only its error line.
    const std::string page = toThePage ? WriteDescription(Connected(connectionClass, *params), false, false) : "";
    out << "class\t" << ToUtf8(connectionClass) << "\ninitial-sql\t" << Write(*initialSQL) << "\ndialog\t"
        << Write(*settings) << "\nedited\t" << MaskedJson(*config, edited) << "\nattributes\t"
        << WriteAttributes(*config, *params) << '\n';
    if (toThePage) out << "page\t" << page << '\n';
    return 0;
  });
}

int Describe(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {"--attributes", "--fixture"}, {"--olap", "--simple"});
    const std::optional<std::string> fixture = Value(options, "--fixture");
    const std::optional<std::string> attributes = Value(options, "--attributes");
    const bool olap = options.flags.count("--olap") != 0;
    const bool simple = options.flags.count("--simple") != 0;
    if (fixture) {
      if (!options.positional.empty() || attributes)
        throw InputError(QStringLiteral("--fixture takes neither a connection class nor --attributes"));
      out << WriteDescription(Connect::ConnectionFixture::Load(TStringFromUtf8(*fixture)), olap, simple) << '\n';
      return 0;
    }
    const TString connectionClass = ConnectionClass(options);
    if (!attributes) throw InputError(QStringLiteral("describe needs --attributes JSON, or --fixture FILE"));
    out << DescribeJson(connectionClass, ParseAttributes(*attributes), olap, simple) << '\n';
    return 0;
  });
}

}  // namespace hlvpres
