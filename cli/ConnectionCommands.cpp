#include "cli/ConnectionCommands.h"

#include "connect/ConnectDataUtils.h"
#include "connect/DSConnectorParams.h"
#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/Log.h"
#include "host/connect/ConnectionSettingsCache.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/detail/HardenedJson.h"
#include "host/parameters/JsonText.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModel.h"
#include "presentation-model/ConnectionSettingsPresModelBuilder.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"

#include <QDir>

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
    "back, fills it as a user would, and turns it into connection attributes. Prints one line\n"
    "per step: its name, a tab, and its record or attributes as JSON.\n";

namespace {

ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

constexpr char kMask[] = "********";
/// The longest --attributes text read.
constexpr std::size_t kMaxAttributesJsonBytes = std::size_t{1} << 20;

/// A failure of the command's input, reported as one "error:" line.
class InputError : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
};

/// The options of a command: the positional arguments and the values of --name options.
struct Options {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
};

Options ParseOptions(const Arguments& arguments, const std::set<std::string>& known) {
  Options options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0) {
      options.positional.push_back(argument);
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
  const TString connectionClass = TStringFromUtf8(options.positional.front());
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

RefCntPtr<DSConnectionConfig> NewConnection(const TString& connectionClass) {
  return DSConnectionConfig::CreateInstance(connectionClass, nullptr, nullptr, TString(), DataObjectModel::ObjectId(),
                                            true);
}

std::string Write(const PresentationModel& model) { return WriteParametersJson(*model.AsIParameters(), Registry()); }

/// The names whose values are secrets in a connection of `config`'s class: those the set
/// marked secure, the connector's secure fields, the attributes that always hold secrets (the
/// set marks only the password secure; a workgroup password or a client key is one too), and
/// every OAuth attribute but the instance address (tokens and the like).
std::set<TString> SecretNames(const DSConnectionConfig& config, const DSConnectorParams& params) {
  std::set<TString> names(params.SecureNames().begin(), params.SecureNames().end());
  for (const auto& [name, value] : params.Attributes())
    if (DataConnectionAttrs::IsSecretAttr(name)) names.insert(name);
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
    AppendJsonString(json, secrets.count(name) != 0 && !value.isEmpty() ? TString(QLatin1String(kMask)) : value);
  }
  return json + '}';
}

std::string WriteCompact(const rapidjson::Document& document) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

/// The connection params record of the bag `text`.
RefCntPtr<const ConnectionParamsPresModel> ReadFieldRecord(const std::string& text) {
  const RefCntPtr<IParameters> bag = ReadParametersJson(text, Registry());
  const auto* record = FindParameterValue<RefCntPtr<const ConnectionParamsPresModel>>(*bag, ConnectionParamsPresModel::ID);
  if (record == nullptr || !*record)
    throw InputError(QStringLiteral("standard input holds no \"gen-connection-params-pres-model\" record"));
  return *record;
}

/// The attributes a connection of `config` connects with after the user confirmed `record`.
std::unique_ptr<DSConnectorParams> ToConnectorParams(const RefCntPtr<DSConnectionConfig>& config,
                                                     const RefCntPtr<const ConnectionParamsPresModel>& record) {
  std::unique_ptr<DSConnectorParams> params = ConnectDataUtils::DSParamsFromPresModel(config, record);
  ConnectDataUtils::LoadSSLCert(config, *params, record);
  params->SaveSecureValues();
  return params;
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
  } catch (const std::exception& e) {  // every failure of a command is reported, never fatal
    err << "error: " << OneLine(e.what() + log->Reasons()) << '\n';
    return 1;
  }
}

/// `json` with the text of every security-sensitive parameter replaced by the mask, for
/// printing a record a user typed a password into.
std::string MaskSecrets(const std::string& json) {
  rapidjson::Document document;
  HardenedJson::Parse(json, document, {});
  std::vector<rapidjson::Value*> pending = {&document};
  while (!pending.empty()) {
    rapidjson::Value* value = pending.back();
    pending.pop_back();
    if (value->IsArray()) {
      for (rapidjson::Value& element : value->GetArray()) pending.push_back(&element);
    } else if (value->IsObject()) {
      for (auto& member : value->GetObject()) {
        const ParameterInfo* info = Registry().FindParameterByUtf8Name(
            std::string_view(member.name.GetString(), member.name.GetStringLength()));
        if (info != nullptr && info->HasFlag(kParameterSecuritySensitive) && member.value.IsString() &&
            member.value.GetStringLength() != 0)
          member.value.SetString(kMask, document.GetAllocator());
        else
          pending.push_back(&member.value);
      }
    }
  }
  return WriteCompact(document);
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
    const TString connectionClass = ConnectionClass(options);
    ConnectionSettingsCache cache;
    if (const std::optional<std::string> json = Value(options, "--attributes"))
      cache.Remember(connectionClass, ParseAttributes(*json));
    const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
    const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
    out << Write(*ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr))
        << '\n';
    return 0;
  });
}

int Convert(const Arguments& arguments, std::istream& in, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const TString connectionClass = ConnectionClass(ParseOptions(arguments, {}));
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const RefCntPtr<const ConnectionParamsPresModel> record = ReadFieldRecord(text);
    const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
    out << WriteAttributes(*config, *ToConnectorParams(config, record)) << '\n';
    return 0;
  });
}

int Demo(const Arguments& arguments, std::istream&, std::ostream& out, std::ostream& err) {
  return Run(err, [&] {
    const Options options = ParseOptions(arguments, {});
    const TString connectionClass =
        options.positional.empty() ? QStringLiteral("sqlite") : ConnectionClass(options);
    ConnectionSettingsCache cache;
    const RefCntPtr<DSConnectionConfig> config = NewConnection(connectionClass);
    const RefCntPtr<const InitialSQLPresModel> initialSQL = InitialSQLPresModelBuilder().Build(config, {}, true);
    const RefCntPtr<const ConnectionSettingsPresModel> settings =
        ConnectionSettingsPresModelBuilder().Build(*cache.CreateAccessor(), config, initialSQL, nullptr);
    const std::string edited =
        FillAsAUser(*config, *settings, QDir::temp().filePath(QStringLiteral("hlvpres-demo.sqlite")));
    const std::unique_ptr<DSConnectorParams> params = ToConnectorParams(config, ReadFieldRecord(edited));
    out << "class\t" << ToUtf8(connectionClass) << "\ninitial-sql\t" << Write(*initialSQL) << "\ndialog\t"
        << Write(*settings) << "\nedited\t" << MaskSecrets(edited) << "\nattributes\t"
        << WriteAttributes(*config, *params) << '\n';
    return 0;
  });
}

}  // namespace hlvpres
