#include "host/connectors/ConnectionFixture.h"

#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/ConnectorDescription.h"
#include "host/connectors/DataSource.h"
#include "host/connectors/DescribedConfigs.h"
#include "host/connectors/JsonFields.h"
#include "host/detail/HardenedJson.h"

#include <algorithm>
#include <limits>

namespace Connect {

namespace {

using JsonFields::Fields;
using JsonFields::Node;
using JsonFields::Quoted;
using JsonFields::ReadEnum;
using JsonFields::ReadStringMap;
using HierarchicalDSConnectionConfigElements::CatalogInfo;
using HierarchicalDSConnectionConfigElements::CubeInfo;
namespace Analytics = GoogleAnalyticsConnectionConfigElements;

constexpr DescriptionFileKind kKind = DescriptionFileKind::ConnectionFixture;

const char kCubeSection[] = "cube";
const char kAnalyticsSection[] = "google-analytics";

// The model of `className` in the installed registry. A fixture describes only the classes
// whose pages have no live service here: hierarchical and Google Analytics ones.
ConnectionModel ModelOf(const TString& file, const TString& className) {
  const auto refuse = [&file](const QString& problem) {
    throw DescriptionFileException(kKind, file, QStringLiteral("/class"), problem);
  };
  const RefCntPtr<const IConnector> connector = Registry::Instance().LookupConnector(className);
  if (!connector) refuse(QStringLiteral("the class %1 is not known to the connector registry").arg(Quoted(className)));
  const RefCntPtr<const ConnectorDescription> description = DynamicPointerCast<const ConnectorDescription>(connector);
  const ConnectionModel model = description ? description->Facts().model : ConnectionModel::kOther;
  if (model != ConnectionModel::kHierarchical && model != ConnectionModel::kGoogleAnalytics)
    refuse(QStringLiteral("the class %1 is neither hierarchical nor google-analytics").arg(Quoted(className)));
  return model;
}

// The section of the fixture that `model` reads.
const char* SectionOf(ConnectionModel model) {
  return model == ConnectionModel::kHierarchical ? kCubeSection : kAnalyticsSection;
}

[[noreturn]] void RefuseSection(const Node& section, ConnectionModel model) {
  section.Fail(QStringLiteral("a %1 class has no such field; its page is described under %2")
                   .arg(QLatin1String(model == ConnectionModel::kHierarchical ? "hierarchical" : "google-analytics"),
                        Quoted(QLatin1String(SectionOf(model)))));
}

// --- The cube section -------------------------------------------------------------------

// A time of the ISO 8601 form; null for JSON null.
DateTime ReadTime(const Node& node) {
  if (node.Raw().IsNull()) return DateTime();
  const DateTime time = DateTime::FromIsoString(node.String());
  if (time.IsNull()) node.Fail(QStringLiteral("is not an ISO 8601 time such as \"2026-03-01T12:00:00Z\""));
  return time;
}

CubeInfo ReadCubeInfo(const Node& node) {
  Fields fields(node);
  const Node fullNameNode = fields.Require("full-name");
  std::vector<TString> fullName = fullNameNode.Strings();
  if (fullName.empty()) fullNameNode.Fail(QStringLiteral("must not be empty"));
  TString name = fields.Require("name").String();
  TString description = fields.String("description");
  const std::optional<Node> lastUpdated = fields.Take("last-updated");
  DateTime time = lastUpdated ? ReadTime(*lastUpdated) : DateTime();
  fields.Finish();
  return CubeInfo(QualifiedName(std::move(fullName)), std::move(name), std::move(description), std::move(time));
}

// The current cube: null for none, a listed cube's name, or a cube in full (listed or not).
CubeInfo ReadCurrentCube(const Node& node, const std::vector<CubeInfo>& cubes) {
  if (node.Raw().IsNull()) return CubeInfo();
  if (!node.Raw().IsString()) {
    node.Expect(node.Raw().IsObject(), "a cube's name or a cube");
    return ReadCubeInfo(node);
  }
  const TString name = node.String();
  const auto named = [&name](const CubeInfo& cube) { return cube.GetName() == name; };
  const auto found = std::find_if(cubes.begin(), cubes.end(), named);
  if (found == cubes.end()) node.Fail(QStringLiteral("no cube of \"cubes\" is named %1").arg(Quoted(name)));
  if (std::count_if(cubes.begin(), cubes.end(), named) > 1)
    node.Fail(QStringLiteral("several cubes are named %1; give the current cube in full").arg(Quoted(name)));
  return *found;
}

std::vector<CubeMetadataCategory> ReadCategories(const Node& node) {
  std::vector<CubeMetadataCategory> categories;
  for (const Node& element : node.Elements()) {
    const CubeMetadataCategory category = ReadEnum<CubeMetadataCategory>(element, {CubeMetadataCategory::Invalid});
    if (std::find(categories.begin(), categories.end(), category) != categories.end())
      element.Fail(QStringLiteral("is given twice"));
    categories.push_back(category);
  }
  return categories;
}

CubeFixture ReadCube(const Node& node) {
  Fields fields(node);
  CubeFixture cube;
  cube.catalogListPrompt = fields.String("catalog-list-prompt");
  if (const std::optional<Node> catalogs = fields.Take("catalogs"))
    for (const Node& element : catalogs->Elements()) cube.catalogs.emplace_back(element.String());
  if (const std::optional<Node> current = fields.Take("current-catalog"); current && !current->Raw().IsNull())
    cube.currentCatalog = CatalogInfo(current->String());
  if (const std::optional<Node> direction = fields.Take("catalog-sort-direction"))
    cube.catalogSortDirection = ReadEnum<SortDirection>(*direction);
  cube.catalogSearchTerm = fields.String("catalog-search-term");

  cube.cubeListPrompt = fields.String("cube-list-prompt");
  if (const std::optional<Node> cubes = fields.Take("cubes"))
    for (const Node& element : cubes->Elements()) cube.cubes.push_back(ReadCubeInfo(element));
  if (const std::optional<Node> current = fields.Take("current-cube"))
    cube.currentCube = ReadCurrentCube(*current, cube.cubes);
  // A cube list shows every column unless the fixture says otherwise.
  cube.metadataCategories = {CubeMetadataCategory::Name, CubeMetadataCategory::Description,
                             CubeMetadataCategory::LastUpdated};
  if (const std::optional<Node> categories = fields.Take("metadata-categories"))
    cube.metadataCategories = ReadCategories(*categories);
  if (const std::optional<Node> category = fields.Take("sort-category"))
    cube.sortCategory = ReadEnum<CubeMetadataCategory>(*category);
  if (const std::optional<Node> direction = fields.Take("sort-direction"))
    cube.cubeSortDirection = ReadEnum<SortDirection>(*direction);
  cube.cubeSearchTerm = fields.String("search-term");
  fields.Finish();
  return cube;
}

// --- The Google Analytics section -------------------------------------------------------

// The position in `items` of the entry whose id `node` gives; -1 for JSON null.
template <typename Item>
int PositionOf(const Node& node, const std::vector<Item>& items, const char* listKey) {
  if (node.Raw().IsNull()) return -1;
  const TString id = node.String();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].id == id) return static_cast<int>(i);
  node.Fail(QStringLiteral("no entry of %1 has the id %2").arg(Quoted(QLatin1String(listKey)), Quoted(id)));
}

// A list of entries with unique ids, each read by `read`, and the position of the chosen one.
template <typename Item, typename Read>
void ReadChoosableList(Fields& fields, const char* listKey, const char* selectedKey, std::vector<Item>& items,
                       int& selected, Read read) {
  if (const std::optional<Node> list = fields.Take(listKey)) {
    for (const Node& element : list->Elements()) {
      Item item = read(element);
      for (const Item& earlier : items)
        if (earlier.id == item.id) element.Fail(QStringLiteral("the id %1 is given twice").arg(Quoted(item.id)));
      items.push_back(std::move(item));
    }
  }
  if (const std::optional<Node> chosen = fields.Take(selectedKey)) selected = PositionOf(*chosen, items, listKey);
}

Analytics::GoogleBasicInfoItem ReadBasicItem(const Node& node) {
  Fields fields(node);
  Analytics::GoogleBasicInfoItem item;
  item.name = fields.Require("name").String();
  item.id = fields.Require("id").NonEmptyString();
  fields.Finish();
  return item;
}

Analytics::GoogleAnalyticsMeasureSet ReadMeasureSet(const Node& node) {
  Fields fields(node);
  Analytics::GoogleAnalyticsMeasureSet set;
  set.name = fields.Require("name").String();
  set.id = fields.Require("id").NonEmptyString();
  fields.Finish();
  return set;
}

Analytics::GoogleAnalyticsSegment ReadSegment(const Node& node) {
  Fields fields(node);
  Analytics::GoogleAnalyticsSegment segment;
  segment.id = fields.Require("id").NonEmptyString();
  segment.name = fields.Require("name").String();
  segment.category = fields.String("category");
  fields.Finish();
  return segment;
}

Analytics::GoogleAnalyticsItem ReadItem(const Node& node) {
  Fields fields(node);
  Analytics::GoogleAnalyticsItem item;
  item.category = fields.String("category");
  item.name = fields.Require("name").String();
  item.alternateName = fields.String("alternate-name");
  item.description = fields.String("description");
  item.enabled = fields.Bool("enabled", true);
  fields.Finish();
  return item;
}

// Dimensions or measures by id.
GoogleAnalyticsFixture::Items ReadItems(const Node& node) {
  GoogleAnalyticsFixture::Items items;
  for (const auto& [id, item] : node.Entries()) {
    if (id.isEmpty()) item.Fail(QStringLiteral("an id must not be empty"));
    items.emplace(id, ReadItem(item));
  }
  return items;
}

// Items in full (an object by id, as ReadItems), or the ids of items of `possible`, read from
// the field `possibleKey`.
GoogleAnalyticsFixture::Items ReadItemsOrIds(const Node& node, const GoogleAnalyticsFixture::Items& possible,
                                             const char* possibleKey) {
  if (!node.Raw().IsArray()) {
    node.Expect(node.Raw().IsObject(), "an object of items by id or an array of ids");
    return ReadItems(node);
  }
  GoogleAnalyticsFixture::Items items;
  for (const Node& element : node.Elements()) {
    const TString id = element.String();
    const auto found = possible.find(id);
    if (found == possible.end())
      element.Fail(QStringLiteral("no item of %1 has the id %2").arg(Quoted(QLatin1String(possibleKey)), Quoted(id)));
    if (!items.emplace(*found).second) element.Fail(QStringLiteral("the id %1 is given twice").arg(Quoted(id)));
  }
  return items;
}

QDate ReadDate(const Node& node) {
  if (node.Raw().IsNull()) return QDate();
  const QDate date = QDate::fromString(node.String(), Qt::ISODate);
  if (!date.isValid()) node.Fail(QStringLiteral("is not a date such as \"2026-03-01\""));
  return date;
}

// A value of the query response: a JSON boolean or number as itself (a whole number as an
// integer), a string in the typed text form ("date:2026-03-01", "integer%null%"), null as the
// empty value.
DataValue ReadTypedValue(const Node& node) {
  const rapidjson::Value& raw = node.Raw();
  if (raw.IsNull()) return DataValue();
  if (raw.IsBool()) return DataValue::MakeBoolean(raw.GetBool());
  if (raw.IsInt64()) return DataValue::MakeInteger(raw.GetInt64());
  if (raw.IsNumber()) return DataValue::MakeReal(raw.GetDouble());
  node.Expect(raw.IsString(), "a boolean, a number, a typed value text or null");
  try {
    return ParameterTypeSerializer<DataValue>::TypeFromString(node.String());
  } catch (const ParameterParseException& refused) {
    node.Fail(QStringLiteral("is not a typed value such as \"string:text\" or \"date:2026-03-01\": %1")
                  .arg(refused.GetMessage()));
  }
}

GoogleAnalyticsFixture ReadGoogleAnalytics(const Node& node) {
  Fields fields(node);
  GoogleAnalyticsFixture analytics;
  ReadChoosableList(fields, "accounts", "selected-account", analytics.accounts, analytics.selectedAccount,
                    ReadBasicItem);
  ReadChoosableList(fields, "properties", "selected-property", analytics.properties, analytics.selectedProperty,
                    ReadBasicItem);
  ReadChoosableList(fields, "views", "selected-view", analytics.views, analytics.selectedView, ReadBasicItem);

  if (const std::optional<Node> range = fields.Take("date-range"))
    analytics.dateRange = ReadEnum<DateRange>(*range, {DateRange::DateRangeCount});
  if (const std::optional<Node> start = fields.Take("start-date")) analytics.startDate = ReadDate(*start);
  if (const std::optional<Node> end = fields.Take("end-date")) analytics.endDate = ReadDate(*end);

  if (const std::optional<Node> dimensions = fields.Take("possible-dimensions"))
    analytics.possibleDimensions = ReadItems(*dimensions);
  if (const std::optional<Node> measures = fields.Take("possible-measures"))
    analytics.possibleMeasures = ReadItems(*measures);
  const auto chosenItems = [&fields](const char* key, const GoogleAnalyticsFixture::Items& possible,
                                     const char* possibleKey, GoogleAnalyticsFixture::Items& target) {
    if (const std::optional<Node> items = fields.Take(key)) target = ReadItemsOrIds(*items, possible, possibleKey);
  };
  chosenItems("selected-dimensions", analytics.possibleDimensions, "possible-dimensions", analytics.selectedDimensions);
  chosenItems("selected-measures", analytics.possibleMeasures, "possible-measures", analytics.selectedMeasures);

  ReadChoosableList(fields, "measure-sets", "selected-measure-set", analytics.measureSets,
                    analytics.selectedMeasureSet, ReadMeasureSet);
  ReadChoosableList(fields, "segments", "selected-segment", analytics.segments, analytics.selectedSegment,
                    ReadSegment);

  if (const std::optional<Node> info = fields.Take("query-response-info"))
    for (const auto& [name, value] : info->Entries()) analytics.queryResponseInfo.emplace(name, ReadTypedValue(value));
  analytics.partitioningOn = fields.Bool("partitioning-on", false);
  analytics.canPartition = fields.Bool("can-partition", false);
  analytics.generalRestriction = fields.Bool("general-restriction", false);
  chosenItems("restricting-dimensions", analytics.possibleDimensions, "possible-dimensions",
              analytics.restrictingDimensions);
  chosenItems("restricting-measures", analytics.possibleMeasures, "possible-measures", analytics.restrictingMeasures);
  fields.Finish();
  return analytics;
}

// --- The fixture ------------------------------------------------------------------------

FixtureConnectionState ReadState(const Node& node) {
  Fields fields(node);
  FixtureConnectionState state;
  state.connected = fields.Bool("connected", true);
  if (const std::optional<Node> count = fields.Take("variables-count"))
    state.variablesCount = static_cast<int>(count->Integer(0, std::numeric_limits<int>::max()));
  state.uncommittedChanges = fields.Bool("uncommitted-changes", false);
  fields.Finish();
  return state;
}

ConnectionFixture ReadFixture(const Node& root, const TString& file) {
  root.Expect(root.Raw().IsObject(), "an object");
  Fields fields(root);
  ConnectionFixture fixture;
  fixture.file = file;
  fields.String("comment");
  fixture.className = fields.Require("class").NonEmptyString();
  const ConnectionModel model = ModelOf(file, fixture.className);
  fixture.name = fields.String("name");
  if (const std::optional<Node> attributes = fields.Take("attributes")) {
    for (auto& [name, value] : ReadStringMap(*attributes)) {
      if (name == DataConnectionAttrs::attrClass && value != fixture.className)
        attributes->At(name, attributes->Raw())
            .Fail(QStringLiteral("must be the fixture's class %1").arg(Quoted(fixture.className)));
      fixture.attributes.emplace(name, std::move(value));
    }
  }
  if (const std::optional<Node> state = fields.Take("state")) fixture.state = ReadState(*state);

  const std::optional<Node> cube = fields.Take(kCubeSection);
  const std::optional<Node> analytics = fields.Take(kAnalyticsSection);
  if (model == ConnectionModel::kHierarchical) {
    if (analytics) RefuseSection(*analytics, model);
    if (cube) fixture.cube = ReadCube(*cube);
  } else {
    if (cube) RefuseSection(*cube, model);
    if (analytics) fixture.googleAnalytics = ReadGoogleAnalytics(*analytics);
  }
  fields.Finish();
  return fixture;
}

}  // namespace

ConnectionFixture ConnectionFixture::Parse(std::string_view json, const TString& file) {
  rapidjson::Document document;
  JsonFields::ParseText(kKind, json, file, HardenedJson::Limits{kMaxConnectionFixtureNesting, kMaxConnectionFixtureBytes},
                        document);
  return ReadFixture(Node(document, kKind, file), file);
}

ConnectionFixture ConnectionFixture::Read(const TString& path) {
  const QByteArray text = JsonFields::LoadText(kKind, path, kMaxConnectionFixtureBytes);
  return Parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), path);
}

RefCntPtr<DSConnectionConfig> ConnectionFixture::Load(const TString& path) { return Read(path).CreateConfig(); }

RefCntPtr<DSConnectionConfig> ConnectionFixture::CreateConfig() const {
  const ConnectionModel model = ModelOf(file, className);
  const bool hierarchical = model == ConnectionModel::kHierarchical;
  // A fixture filled in code may carry the part of the other model; it would be silently unused.
  if (hierarchical ? googleAnalytics.has_value() : cube.has_value())
    throw DescriptionFileException(
        kKind, file, QLatin1Char('/') + QLatin1String(hierarchical ? kAnalyticsSection : kCubeSection),
        QStringLiteral("the class %1 does not read this part").arg(Quoted(className)));

  ConnectionAttributeMap sourceAttributes = attributes;
  sourceAttributes.emplace(DataConnectionAttrs::attrClass, className);
  const RefCntPtr<DataSource> dataSource = MakeRefCnt<DataSource>(className, sourceAttributes);
  if (!name.isEmpty()) dataSource->SetCaption(name);

  ConnectionConfigRequest request;
  request.connectionClass = className;
  request.dataSource = dataSource;
  request.name = name;
  request.isNewConnection = false;
  request.attributes = std::move(sourceAttributes);
  RefCntPtr<DSConnectionConfig> config = DescribedConfigFactory::CreateFixtureConfig(request, *this);
  DescribedConfigState* configState = DescribedConfigState::Of(*config);
  HLV_ASSERT(configState != nullptr);
  configState->SetConnected(state.connected);
  configState->SetHasUncommittedChanges(state.uncommittedChanges);
  configState->SetDbVariablesCount(state.variablesCount);
  return config;
}

}  // namespace Connect
