#include "host/connectors/DescriptionLoader.h"

#include "host/connectors/JsonFields.h"
#include "host/detail/HardenedJson.h"

#include <QRegularExpression>

#include <algorithm>
#include <initializer_list>
#include <set>
#include <string>

namespace Connect {

namespace {

using JsonFields::Fields;
using JsonFields::EnumOf;
using JsonFields::Node;
using JsonFields::Quoted;
using JsonFields::ReadChoice;
using JsonFields::ReadEnum;
using JsonFields::ReadStringMap;

constexpr DescriptionFileKind kKind = DescriptionFileKind::ConnectorDescription;

constexpr AuthenticationEnums::AuthOption kInvalidOption = AuthenticationEnums::AuthOption::AuthOptionInvalid;

AuthenticationEnums::AuthOption ReadAuthOption(const Node& node) {
  return ReadEnum<AuthenticationEnums::AuthOption>(node, {kInvalidOption});
}

std::vector<AuthenticationEnums::AuthOption> ReadAuthOptions(const Node& node) {
  std::vector<AuthenticationEnums::AuthOption> options;
  for (const Node& element : node.Elements()) options.push_back(ReadAuthOption(element));
  return options;
}

LocalizedText ReadLocalizedText(const Node& node, bool englishRequired) {
  static const QRegularExpression locale(QStringLiteral("^[a-z]{2,3}([_-][A-Za-z0-9]{2,8})*$"));
  std::map<TString, TString> byLocale;
  for (const auto& [name, text] : node.Entries()) {
    if (!locale.match(name).hasMatch()) text.Fail(QStringLiteral("is not a locale such as \"en\" or \"de_DE\""));
    byLocale.emplace(name, text.String());
  }
  if (englishRequired && byLocale.count(QStringLiteral("en")) == 0)
    node.At(QStringLiteral("en"), node.Raw()).Fail(QStringLiteral("is missing: the English text is required"));
  return LocalizedText(std::move(byLocale));
}

PromptDescription ReadPrompt(const Node& node, const TString& defaultPrompt, bool mayBeOptional,
                             bool* browseButton = nullptr) {
  Fields fields(node);
  PromptDescription prompt;
  prompt.prompt = defaultPrompt.isEmpty() ? fields.Require("prompt").String() : fields.String("prompt", defaultPrompt);
  prompt.show = fields.Bool("show", true);
  if (mayBeOptional) prompt.optional = fields.Bool("optional", false);
  if (browseButton != nullptr) *browseButton = fields.Bool("browse-button", false);
  fields.Finish();
  return prompt;
}

DialogDescription ReadDialog(const Node& node) {
  Fields fields(node);
  DialogDescription dialog;
  auto prompt = [&fields](const char* key, const char* defaultPrompt, bool mayBeOptional, PromptDescription& target,
                          bool* browseButton = nullptr) {
    if (const std::optional<Node> field = fields.Take(key))
      target = ReadPrompt(*field, QLatin1String(defaultPrompt), mayBeOptional, browseButton);
  };
  prompt("server", "Server", false, dialog.server);
  prompt("port", "Port", false, dialog.port);
  prompt("database", "Database", true, dialog.database, &dialog.showDBBrowseButton);
  prompt("warehouse", "Warehouse", true, dialog.warehouse);
  prompt("service", "Service", true, dialog.service);
  prompt("vendor1", "", true, dialog.vendor1);
  prompt("vendor2", "", true, dialog.vendor2);
  prompt("vendor3", "", true, dialog.vendor3);
  dialog.showUncommittedDataCheckbox = fields.Bool("show-uncommitted-data-checkbox", false);
  dialog.showEncryptionCheckbox = fields.Bool("show-encryption-checkbox", false);
  dialog.showSSLCheckbox = fields.Bool("show-ssl-checkbox", false);
  dialog.showImportSSLCertLabel = fields.Bool("show-import-ssl-cert-label", false);
  dialog.sslRequiresCertificate = fields.Bool("ssl-requires-certificate", false);
  dialog.showConnectionPrompt = fields.Bool("show-connection-prompt", false);
  dialog.showClientSSLBox = fields.Bool("show-client-ssl-box", false);
  dialog.showDriverConfig = fields.Bool("show-driver-config", false);
  dialog.showInstanceUrlPrompt = fields.Bool("show-instance-url-prompt", false);
  fields.Finish();
  return dialog;
}

AuthenticationDescription ReadAuthentication(const Node& node, bool hasSecureField) {
  Fields fields(node);
  AuthenticationDescription authentication;
  if (const std::optional<Node> mode = fields.Take("mode"))
    authentication.mode = ReadEnum<AuthenticationEnums::Mode>(*mode);
  authentication.prompt = fields.String("prompt");
  if (const std::optional<Node> options = fields.Take("options")) {
    for (const auto& [name, value] : options->Entries()) {
      const AuthenticationEnums::AuthOption option = EnumOf(name, value, {kInvalidOption});
      const TString text = value.String();
      // The inverse lookup (attribute value to option) must have one answer.
      for (const auto& [earlier, earlierText] : authentication.options)
        if (!text.isEmpty() && earlierText == text)
          value.Fail(QStringLiteral("the value %1 already stands for %2")
                         .arg(Quoted(text), Quoted(EnumTableOf<AuthenticationEnums::AuthOption>().Encode(
                                                static_cast<std::int32_t>(earlier)))));
      authentication.options.emplace_back(option, text);
    }
  }
  if (const std::optional<Node> defaultOption = fields.Take("default-option")) {
    authentication.defaultOption = ReadAuthOption(*defaultOption);
    const bool listed =
        std::any_of(authentication.options.begin(), authentication.options.end(),
                    [&authentication](const auto& entry) { return entry.first == authentication.defaultOption; });
    if (!listed) defaultOption->Fail(QStringLiteral("is not one of the options"));
  } else if (!authentication.options.empty()) {
    authentication.defaultOption = authentication.options.front().first;
  }
  authentication.mayNeedAuth =
      fields.Bool("may-need-auth", authentication.mode != AuthenticationEnums::Mode::AuthModeNone);
  authentication.inMemoryCredentials = fields.Bool(
      "in-memory-credentials", hasSecureField || authentication.mode != AuthenticationEnums::Mode::AuthModeNone);
  fields.Finish();
  return authentication;
}

OAuthDescription ReadOAuth(const Node& node) {
  Fields fields(node);
  OAuthDescription oauth;
  oauth.customDomain = fields.Bool("custom-domain", false);
  oauth.excludesGenericAuth = fields.Bool("excludes-generic-auth", false);
  if (const std::optional<Node> configs = fields.Take("configs")) {
    for (const Node& element : configs->Elements()) {
      Fields config(element);
      OAuthConfigDescription described;
      const Node id = config.Require("id");
      described.id = id.NonEmptyString();
      for (const OAuthConfigDescription& earlier : oauth.configs)
        if (earlier.id == described.id) id.Fail(QStringLiteral("the id %1 is given twice").arg(Quoted(described.id)));
      described.label = config.Require("label").String();
      described.customDomain = config.Bool("custom-domain", false);
      config.Finish();
      oauth.configs.push_back(std::move(described));
    }
  }
  fields.Finish();
  return oauth;
}

CloudFileDescription ReadCloudFile(const Node& node, const LocalizedText& caption) {
  Fields fields(node);
  CloudFileDescription cloudFile;
  cloudFile.provider = fields.Require("provider").NonEmptyString();
  if (const std::optional<Node> descriptions = fields.Take("provider-descriptions"))
    cloudFile.providerDescriptions = ReadLocalizedText(*descriptions, true);
  cloudFile.extensions = fields.Strings("extensions");
  cloudFile.corsProxyUrlPrefix = fields.String("cors-proxy-prefix");
  const std::optional<Node> descriptions = fields.Take("descriptions");
  cloudFile.descriptions = descriptions ? ReadLocalizedText(*descriptions, true) : caption;
  fields.Finish();
  return cloudFile;
}

WebDataConnectorDescription ReadWebDataConnector(const Node& node, const LocalizedText& caption) {
  Fields fields(node);
  WebDataConnectorDescription connector;
  const std::optional<Node> names = fields.Take("display-names");
  connector.displayNames = names ? ReadLocalizedText(*names, true) : caption;
  connector.usesOAuth = fields.Bool("uses-oauth", false);
  connector.allowsGenericAuth = fields.Bool("allows-generic-auth", false);
  fields.Finish();
  return connector;
}

std::vector<ConnectionSettingsOption> ReadConnectionOptions(const Node& node) {
  std::vector<ConnectionSettingsOption> options;
  for (const Node& element : node.Elements()) {
    Fields fields(element);
    TString name = fields.Require("name").NonEmptyString();
    TString connectionType = fields.Require("connection-type").NonEmptyString();
    TString serverPrompt = fields.String("server-prompt", QStringLiteral("Server"));
    const bool showPort = fields.Bool("show-port", false);
    const bool showService = fields.Bool("show-service", false);
    fields.Finish();
    options.emplace_back(std::move(name), std::move(connectionType), std::move(serverPrompt), showPort, showService);
  }
  return options;
}

std::vector<DsnOptionDescription> ReadDsnOptions(const Node& node) {
  std::vector<DsnOptionDescription> options;
  for (const Node& element : node.Elements()) {
    Fields fields(element);
    TString name = fields.Require("name").NonEmptyString();
    TString driver = fields.String("driver");
    TString server = fields.String("server");
    TString port = fields.String("port");
    TString database = fields.String("database");
    TString username = fields.String("username");
    const bool forDataPreparation = fields.Bool("data-preparation", true);
    fields.Finish();
    // A description file is no place for a password: the option's password stays empty.
    options.push_back({DsnSettingsOption(std::move(name), std::move(driver), std::move(server), std::move(port),
                                         std::move(database), std::move(username), TString()),
                       forDataPreparation});
  }
  return options;
}

std::vector<TransportTypeConfig> ReadTransportTypes(const Node& node) {
  std::vector<TransportTypeConfig> types;
  for (const Node& element : node.Elements()) {
    Fields fields(element);
    TString name = fields.Require("name").NonEmptyString();
    TString value = fields.Require("value").NonEmptyString();
    const bool showHttpPath = fields.Bool("show-http-path", false);
    std::vector<ConnTypeToAuthOptionMapping> mappings;
    if (const std::optional<Node> byType = fields.Take("auth-options"))
      for (const auto& [connectionType, options] : byType->Entries())
        mappings.emplace_back(connectionType, ReadAuthOptions(options));
    fields.Finish();
    types.emplace_back(std::move(name), std::move(value), showHttpPath, std::move(mappings));
  }
  return types;
}

std::vector<FieldDescription> ReadFields(const Node& node) {
  std::vector<FieldDescription> described;
  for (const Node& element : node.Elements()) {
    TString name;
    bool secure = false;
    std::vector<std::pair<TString, std::vector<TString>>> conditions;
    if (element.Raw().IsString()) {
      name = element.NonEmptyString();
    } else {
      element.Expect(element.Raw().IsObject(), "a string or an object");
      Fields fields(element);
      name = fields.Require("name").NonEmptyString();
      secure = fields.Bool("secure", false);
      if (const std::optional<Node> when = fields.Take("when")) {
        for (const auto& [attribute, values] : when->Entries()) {
          if (values.Raw().IsString()) {
            conditions.push_back({attribute, {values.String()}});
            continue;
          }
          values.Expect(values.Raw().IsArray(), "a string or an array of strings");
          conditions.push_back({attribute, values.Strings()});
        }
      }
      fields.Finish();
    }
    // The credential and connection ids are the host's own: no dialog field may write them.
    if (name == DataConnectionAttrs::attrCredentialId || name == DataConnectionAttrs::attrConnectionId)
      element.Fail(QStringLiteral("%1 is kept by the host and cannot be a connection field").arg(Quoted(name)));
    for (const FieldDescription& earlier : described)
      if (earlier.field.GetName() == name)
        element.Fail(QStringLiteral("the field %1 is given twice").arg(Quoted(name)));
    described.push_back({ConnectionField(std::move(name), secure), std::move(conditions)});
  }
  return described;
}

DriverRequirement ReadDriverRequirement(Fields& fields, bool required) {
  static const std::initializer_list<std::pair<const char*, DriverRequirement::Kind>> kKinds = {
      {"qt", DriverRequirement::Kind::kQt},
      {"odbc", DriverRequirement::Kind::kOdbc},
      {"jdbc", DriverRequirement::Kind::kJdbc},
      {"host", DriverRequirement::Kind::kHost}};
  std::optional<DriverRequirement> found;
  for (const auto& [key, kind] : kKinds) {
    const std::optional<Node> name = fields.Take(key);
    if (!name) continue;
    if (found) name->Fail(QStringLiteral("a driver is one of \"qt\", \"odbc\" or \"jdbc\", not several"));
    // A driver is named alone, or as a list of drivers that serve alike, the first installed one used.
    if (!name->Raw().IsArray()) {
      found = DriverRequirement{kind, name->NonEmptyString(), {}};
      continue;
    }
    std::vector<Node> names = name->Elements();
    if (names.empty()) name->Fail(QStringLiteral("must name at least one driver"));
    found = DriverRequirement{kind, names.front().NonEmptyString(), {}};
    for (auto alternative = names.begin() + 1; alternative != names.end(); ++alternative)
      found->alternatives.push_back(alternative->NonEmptyString());
  }
  if (!found && required)
    fields.Self().Fail(QStringLiteral("names no driver: give one of \"qt\", \"odbc\" or \"jdbc\""));
  return found.value_or(DriverRequirement{});
}

void ReadDriver(const Node& node, ConnectorFacts& facts) {
  Fields fields(node);
  const bool hasOwn = fields.Has("qt") || fields.Has("odbc") || fields.Has("jdbc") || fields.Has("host");
  if (hasOwn) facts.driver = ReadDriverRequirement(fields, true);
  if (const std::optional<Node> byType = fields.Take("by-connection-type")) {
    for (const auto& [connectionType, requirement] : byType->Entries()) {
      Fields driver(requirement);
      facts.driversByConnectionType.emplace_back(connectionType, ReadDriverRequirement(driver, true));
      driver.Finish();
    }
  }
  if (!hasOwn && facts.driversByConnectionType.empty())
    node.Fail(QStringLiteral("names no driver: give one of \"qt\", \"odbc\" or \"jdbc\", or \"by-connection-type\""));
  fields.Finish();
}

ReconnectDescription ReadReconnect(const Node& node) {
  Fields fields(node);
  ReconnectDescription reconnect;
  reconnect.mode = ReadEnum<AuthenticationEnums::ReconnectMode>(fields.Require("mode"));
  if (const std::optional<Node> parameters = fields.Take("parameters"))
    reconnect.parameters = ReadStringMap(*parameters);
  reconnect.attributes = fields.Strings("attributes");
  fields.Finish();
  return reconnect;
}

CubeSpecificationDescription ReadCubeSpecification(const Node& node) {
  Fields fields(node);
  CubeSpecificationDescription cube;
  cube.title = fields.Require("title").String();
  const Node options = fields.Require("options");
  std::optional<QString> defaultAt;
  for (const Node& element : options.Elements()) {
    Fields option(element);
    CubeSpecificationOptionDescription described;
    described.type =
        ReadEnum<ConnectionSpecificationType>(option.Require("type"), {ConnectionSpecificationType::Invalid});
    described.id = option.Require("id").NonEmptyString();
    described.prompt = option.String("prompt");
    described.attribute = option.Require("attribute").NonEmptyString();
    const std::optional<Node> choices = option.Take("choices");
    if (described.type == ConnectionSpecificationType::ComboBox) {
      if (!choices) option.Missing("choices");
      described.choices = choices->Strings();
      if (described.choices.empty()) choices->Fail(QStringLiteral("a combo box needs at least one choice"));
    } else if (choices) {
      choices->Fail(QStringLiteral("only a combo box has choices"));
    }
    if (const std::optional<Node> isDefault = option.Take("default")) {
      described.isDefault = isDefault->Bool();
      if (described.isDefault && defaultAt)
        isDefault->Fail(
            QStringLiteral("only one option can be the default, and the one at %1 already is").arg(*defaultAt));
      if (described.isDefault) defaultAt = element.Pointer();
    }
    option.Finish();
    for (const CubeSpecificationOptionDescription& earlier : cube.options)
      if (earlier.id == described.id)
        element.Fail(QStringLiteral("the option id %1 is given twice").arg(Quoted(described.id)));
    cube.options.push_back(std::move(described));
  }
  if (cube.options.empty()) options.Fail(QStringLiteral("a cube connection needs at least one option"));
  if (!defaultAt) cube.options.front().isDefault = true;
  fields.Finish();
  return cube;
}

// The modular dialog description as the settings record carries it: the description's own
// members, then under "when" the conditions of the connection fields that have them (field ->
// attribute -> values), so the dialog shows a field only where the fields list allows it.
TString ModularDialogJson(const Node& node, const std::vector<FieldDescription>& described) {
  node.Expect(node.Raw().IsObject(), "an object");
  if (node.Raw().HasMember("when"))
    node.At(QStringLiteral("when"), node.Raw()["when"])
        .Fail(QStringLiteral("the conditions of a field are given in \"fields\", not here"));
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  const auto text = [&writer](const TString& value) {
    const QByteArray bytes = value.toUtf8();
    writer.String(bytes.constData(), static_cast<rapidjson::SizeType>(bytes.size()));
  };
  writer.StartObject();
  for (const auto& member : node.Raw().GetObject()) {
    writer.String(member.name.GetString(), member.name.GetStringLength());
    member.value.Accept(writer);
  }
  writer.Key("when");
  writer.StartObject();
  for (const FieldDescription& field : described) {
    if (field.conditions.empty()) continue;
    text(field.field.GetName());
    writer.StartObject();
    for (const auto& [attribute, values] : field.conditions) {
      text(attribute);
      writer.StartArray();
      for (const TString& value : values) text(value);
      writer.EndArray();
    }
    writer.EndObject();
  }
  writer.EndObject();
  writer.EndObject();
  return TStringFromUtf8(std::string_view(buffer.GetString(), buffer.GetSize()));
}

// The keys of the join area's labels a description may give.
const char* const kJoinLabelKeys[] = {"ConnectionTypeLabel",        "ConnectionDescriptionHeaderLabel",
                                      "ConnectionDescriptionLabel", "DatabaseHeaderLabel",
                                      "DatabaseLabel",              "SchemaHeaderLabel",
                                      "SchemaLabel",                "TableHeaderLabel",
                                      "StandardConnectionHeaderLabel", "WarehouseHeaderLabel",
                                      "SingleTableLabel",           "MultipleTableLabel",
                                      "DatabaseComboFallbackText",  "SchemaComboFallbackText",
                                      "WarehouseComboFallbackText"};

DataSourcePageDescription ReadDataSourcePage(const Node& node) {
  Fields fields(node);
  DataSourcePageDescription page;
  if (const std::optional<Node> lists = fields.Take("lists")) {
    Fields list(*lists);
    page.listsDatabases = list.Bool("databases", page.listsDatabases);
    page.listsSchemas = list.Bool("schemas", page.listsSchemas);
    page.listsTables = list.Bool("tables", page.listsTables);
    page.listsStoredProcedures = list.Bool("stored-procedures", page.listsStoredProcedures);
    page.listsWarehouses = list.Bool("warehouses", page.listsWarehouses);
    page.listsStandardConnections = list.Bool("standard-connections", page.listsStandardConnections);
    list.Finish();
  }
  // A picker is there, unless the description says otherwise, exactly when its list is.
  page.hasDatabase = page.listsDatabases;
  page.hasSchema = page.listsSchemas;
  page.hasTables = page.listsTables;
  page.hasWarehouse = page.listsWarehouses;
  std::optional<Node> schemaPicker;
  if (const std::optional<Node> pickers = fields.Take("pickers")) {
    Fields picker(*pickers);
    page.hasDatabase = picker.Bool("database", page.hasDatabase);
    schemaPicker = picker.Take("schema");
    if (schemaPicker) page.hasSchema = schemaPicker->Bool();
    page.hasTables = picker.Bool("tables", page.hasTables);
    page.hasWarehouse = picker.Bool("warehouse", page.hasWarehouse);
    picker.Finish();
  }
  if (const std::optional<Node> schema = fields.Take("schema")) {
    enum class Schema { kRequired, kOptional, kIgnored };
    const Schema kind = ReadChoice<Schema>(
        *schema, {{"required", Schema::kRequired}, {"optional", Schema::kOptional}, {"ignored", Schema::kIgnored}});
    page.schemaOptional = kind == Schema::kOptional;
    page.ignoresSchema = kind == Schema::kIgnored;
    if (page.ignoresSchema) {
      if (schemaPicker && page.hasSchema) schemaPicker->Fail(QStringLiteral("an ignored schema has no picker"));
      page.hasSchema = false;
    }
  }
  if (const std::optional<Node> customSQL = fields.Take("custom-sql")) {
    Fields sql(*customSQL);
    page.customSQL = sql.Bool("allowed", page.customSQL);
    page.customSQLWithoutSchema = sql.Bool("without-schema", page.customSQLWithoutSchema);
    page.customSQLWithOLAPOff = sql.Bool("with-olap-off", page.customSQLWithOLAPOff);
    sql.Finish();
  }
  if (const std::optional<Node> either = fields.Take("custom-sql-or-union")) {
    Fields sqlOrUnion(*either);
    page.customSQLOrUnionWithoutLeftJoin = sqlOrUnion.Bool("without-left-join", page.customSQLOrUnionWithoutLeftJoin);
    page.customSQLOrUnionWithoutLODCalcs = sqlOrUnion.Bool("without-lod-calcs", page.customSQLOrUnionWithoutLODCalcs);
    sqlOrUnion.Finish();
  }
  page.unionAllowed = fields.Bool("union", page.unionAllowed);
  page.customDatabase = fields.Bool("custom-database", page.customDatabase);
  page.customSchema = fields.Bool("custom-schema", page.customSchema);
  page.storedProcedures = fields.Bool("stored-procedures", page.listsStoredProcedures);
  page.fastMetadata = fields.Bool("fast-metadata", page.fastMetadata);
  page.joinAcrossSchemas = fields.Bool("join-across-schemas", page.joinAcrossSchemas);
  page.joinArea = fields.Bool("join-area", page.joinArea);
  if (const std::optional<Node> capabilities = fields.Take("capabilities")) {
    for (const Node& element : capabilities->Elements()) {
      const double number = element.Number();
      const int capability = static_cast<int>(number);
      if (number != capability || capability <= 0)
        element.Fail(QStringLiteral("a capability is a positive whole number"));
      if (std::find(page.capabilities.begin(), page.capabilities.end(), capability) != page.capabilities.end())
        element.Fail(QStringLiteral("the capability %1 is given twice").arg(capability));
      page.capabilities.push_back(capability);
    }
  }
  if (const std::optional<Node> placeholders = fields.Take("placeholders")) {
    Fields placeholder(*placeholders);
    page.tablePlaceholder = placeholder.String("table");
    page.standardConnectionPlaceholder = placeholder.String("standard-connection");
    placeholder.Finish();
  }
  if (const std::optional<Node> labels = fields.Take("labels")) {
    for (const auto& [key, text] : labels->Entries()) {
      // A lambda cannot capture a structured binding in C++17 (g++ lets it, clang does not).
      const auto& name = key;
      const bool known = std::any_of(std::begin(kJoinLabelKeys), std::end(kJoinLabelKeys),
                                     [&name](const char* label) { return name == QLatin1String(label); });
      if (!known) text.Fail(QStringLiteral("is not a label of the join area"));
      page.labels.emplace(key, text.String());
    }
  }
  if (const std::optional<Node> check = fields.Take("legacy-sql-check")) {
    Fields legacy(*check);
    page.legacySQLCheckAttribute = legacy.Require("attribute").NonEmptyString();
    page.legacySQLCheckDefault = legacy.Bool("default", false);
    legacy.Finish();
  }
  fields.Finish();
  return page;
}

// What only a relational class can have: its dialog and its fields.
void ReadRelationalParts(Fields& fields, ConnectorFacts& facts) {
  static const char* const kRelationalOnly[] = {
      "dialog", "connection-options", "dsn-options", "list-system-dsns", "transport-types", "fields", "modular-dialog",
      "data-source-page"};
  if (facts.model != ConnectionModel::kRelational) {
    for (const char* key : kRelationalOnly)
      if (const std::optional<Node> node = fields.Take(key))
        node->Fail(QStringLiteral("only a relational class has this field"));
    return;
  }
  if (const std::optional<Node> dialog = fields.Take("dialog")) facts.dialog = ReadDialog(*dialog);
  if (const std::optional<Node> options = fields.Take("connection-options"))
    facts.connectionOptions = ReadConnectionOptions(*options);
  if (const std::optional<Node> dsns = fields.Take("dsn-options")) facts.dsnOptions = ReadDsnOptions(*dsns);
  facts.listsSystemDsns = fields.Bool("list-system-dsns", false);
  if (const std::optional<Node> types = fields.Take("transport-types"))
    facts.transportTypes = ReadTransportTypes(*types);
  if (const std::optional<Node> described = fields.Take("fields")) facts.fields = ReadFields(*described);
  if (const std::optional<Node> dialog = fields.Take("modular-dialog")) facts.modularDialogJson = ModularDialogJson(*dialog, facts.fields);
  if (const std::optional<Node> page = fields.Take("data-source-page"))
    facts.dataSourcePage = ReadDataSourcePage(*page);
}

ConnectorFacts ReadFacts(const Node& root) {
  root.Expect(root.Raw().IsObject(), "an object");
  Fields fields(root);
  ConnectorFacts facts;
  fields.String("comment");

  static const QRegularExpression className(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]*$"));
  const Node classNode = fields.Require("class");
  facts.className = classNode.String();
  if (!className.match(facts.className).hasMatch())
    classNode.Fail(
        QStringLiteral("a class is letters, digits, \".\", \"_\" and \"-\", starting with a letter or digit"));
  facts.caption = ReadLocalizedText(fields.Require("caption"), true);

  if (const std::optional<Node> kind = fields.Take("kind"))
    facts.type = ReadChoice<ConnectionClassType>(*kind, {{"file", ConnectionClassType::kFile},
                                                         {"server", ConnectionClassType::kServer},
                                                         {"none", ConnectionClassType::kNone}});
  if (const std::optional<Node> model = fields.Take("model"))
    facts.model = ReadChoice<ConnectionModel>(*model, {{"relational", ConnectionModel::kRelational},
                                                       {"hierarchical", ConnectionModel::kHierarchical},
                                                       {"google-analytics", ConnectionModel::kGoogleAnalytics},
                                                       {"federated", ConnectionModel::kFederated},
                                                       {"other", ConnectionModel::kOther}});
  if (const std::optional<Node> order = fields.Take("gallery-order")) facts.galleryOrder = order->Number();
  facts.visible = fields.Bool("visible", true);
  facts.usableWhenRestricted = fields.Bool("usable-when-restricted", false);
  if (const std::optional<Node> base = fields.Take("derived-from")) {
    facts.derivedFrom = base->NonEmptyString();
    if (facts.derivedFrom == facts.className) base->Fail(QStringLiteral("a class cannot derive from itself"));
  }
  facts.semiStructured = fields.Bool("semi-structured", false);
  facts.legacyOAuth = fields.Bool("legacy-oauth", false);
  facts.serverConnection = fields.Bool("server-connection", false);
  facts.serverDataSource = fields.Bool("server-data-source", false);
  if (const std::optional<Node> recommendations = fields.Take("recommendations")) {
    Fields recommends(*recommendations);
    facts.recommendsTables = recommends.Bool("tables", false);
    facts.recommendsDataSources = recommends.Bool("data-sources", false);
    recommends.Finish();
  }
  facts.supportsInitialSQL = fields.Bool("initial-sql", false);
  if (const std::optional<Node> cloudFile = fields.Take("cloud-file"))
    facts.cloudFile = ReadCloudFile(*cloudFile, facts.caption);
  if (const std::optional<Node> connector = fields.Take("web-data-connector"))
    facts.webDataConnector = ReadWebDataConnector(*connector, facts.caption);
  const std::optional<Node> authentication = fields.Take("authentication");
  if (const std::optional<Node> oauth = fields.Take("oauth")) facts.oauth = ReadOAuth(*oauth);

  ReadRelationalParts(fields, facts);
  const bool hasSecureField = std::any_of(facts.fields.begin(), facts.fields.end(),
                                          [](const FieldDescription& field) { return field.field.IsSecure(); });
  if (authentication)
    facts.authentication = ReadAuthentication(*authentication, hasSecureField);
  else
    facts.authentication.inMemoryCredentials = hasSecureField;
  const std::optional<Node> cube = fields.Take("cube-specification");
  if (facts.model == ConnectionModel::kHierarchical) {
    if (!cube) fields.Missing("cube-specification");
    facts.cubeSpecification = ReadCubeSpecification(*cube);
  } else if (cube) {
    cube->Fail(QStringLiteral("only a hierarchical class has this field"));
  }

  if (const std::optional<Node> driver = fields.Take("driver")) ReadDriver(*driver, facts);
  if (const std::optional<Node> reconnect = fields.Take("reconnect")) facts.reconnect = ReadReconnect(*reconnect);
  facts.vendorSupportInfo = fields.String("vendor-support-info");
  if (const std::optional<Node> defaults = fields.Take("default-attributes"))
    facts.defaultAttributes = ReadStringMap(*defaults);
  fields.Finish();
  return facts;
}

}  // namespace

RefCntPtr<const ConnectorDescription> ParseConnectorDescription(std::string_view json, const TString& file) {
  rapidjson::Document document;
  JsonFields::ParseText(kKind, json, file, HardenedJson::Limits{kMaxConnectorDescriptionNesting, kMaxConnectorDescriptionBytes},
                        document);
  ConnectorFacts facts = ReadFacts(Node(document, kKind, file));
  facts.source = file;
  return MakeRefCnt<ConnectorDescription>(std::move(facts));
}

RefCntPtr<const ConnectorDescription> LoadConnectorDescription(const TString& path) {
  const QByteArray text = JsonFields::LoadText(kKind, path, kMaxConnectorDescriptionBytes);
  return ParseConnectorDescription(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), path);
}

}  // namespace Connect
