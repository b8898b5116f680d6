// Connection fixtures: what the loader refuses, and cube and Google Analytics configurations
// answering exactly what their fixture describes.
#include "host/connectors/ConnectionFixture.h"

#include "host/connectors/DescriptionLoader.h"

#include "tests/QStringPrinter.h"
#include "tests/support/BuiltinConfigs.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Connect::ConnectionFixture;
using Connect::DescriptionFileException;
using HierarchicalDSConnectionConfigElements::CatalogInfo;
using HierarchicalDSConnectionConfigElements::CubeInfo;
using builtin::ScopedRegistry;
namespace Analytics = GoogleAnalyticsConnectionConfigElements;

// The built-in descriptions and a loaded cube class, installed for each test.
class ConnectionFixtureTest : public ::testing::Test {
 protected:
  ScopedRegistry m_registry{builtin::RegistryWith(
      {R"({"class": "acme-olap", "caption": {"en": "Acme OLAP"}, "model": "hierarchical",
           "cube-specification": {"title": "Connect",
                                  "options": [{"type": "line-edit", "id": "s", "attribute": "server"}]}})"})};
};

DescriptionFileException FaultOf(const std::string& json) {
  try {
    ConnectionFixture::Parse(json, QStringLiteral("f.json"));
  } catch (const DescriptionFileException& fault) {
    return fault;
  }
  ADD_FAILURE() << "accepted: " << json;
  return DescriptionFileException(Connect::DescriptionFileKind::ConnectionFixture, QString(), QString(), QString());
}

// A cube as "full name|name|description|last updated".
QString Line(const CubeInfo& cube) {
  return QStringList{cube.GetFullName().GetFullValue(), cube.GetName(), cube.GetDescription(),
                     cube.GetLastUpdated().ToIsoString()}
      .join(QLatin1Char('|'));
}

struct Refusal {
  const char* what;
  std::string json;
  const char* field;
  const char* problem;  // a part of the problem text
};

TEST_F(ConnectionFixtureTest, RefusesEachKindOfFaultNamingFileAndField) {
  const auto cube = [](const std::string& fields) { return R"({"class": "msolap", "cube": {)" + fields + "}}"; };
  const auto analytics = [](const std::string& fields) {
    return R"({"class": "google-analytics", "google-analytics": {)" + fields + "}}";
  };
  const std::string orders = R"({"full-name": ["S", "Orders"], "name": "Orders"})";
  const std::vector<Refusal> refusals = {
      // The text as a whole: a fixture nests less deeply than a description.
      {"too deep", cube(R"("cubes": )" + std::string(20, '[') + std::string(20, ']')), "", "deeper than 16 levels"},
      // The class.
      {"no class", R"({"name": "x"})", "/class", "is missing"},
      {"unknown class", R"({"class": "acme-cubes"})", "/class", "the class \"acme-cubes\" is not known"},
      {"relational class", R"({"class": "postgres"})", "/class", "neither hierarchical nor google-analytics"},
      {"section of the other model", R"({"class": "msolap", "google-analytics": {}})", "/google-analytics",
       "described under \"cube\""},
      {"cube section on Google Analytics", R"({"class": "google-analytics", "cube": {}})", "/cube",
       "described under \"google-analytics\""},
      {"class attribute", R"({"class": "msolap", "attributes": {"class": "essbase"}})", "/attributes/class",
       "must be the fixture's class \"msolap\""},
      // Counts. Unknown, repeated and mistyped fields are refused by the reader the connector
      // descriptions share, whose tests pin those faults.
      {"negative count", R"({"class": "msolap", "state": {"variables-count": -1}})", "/state/variables-count",
       "a whole number from 0"},
      {"fractional count", R"({"class": "msolap", "state": {"variables-count": 1.5}})", "/state/variables-count",
       "a whole number from 0"},
      // The cube section.
      {"invalid column", cube(R"("metadata-categories": ["name", "invalid"])"), "/cube/metadata-categories/1",
       "unknown value \"invalid\""},
      {"column twice", cube(R"("metadata-categories": ["name", "name"])"), "/cube/metadata-categories/1",
       "is given twice"},
      {"empty full name", cube(R"("cubes": [{"full-name": [], "name": "a"}])"), "/cube/cubes/0/full-name",
       "must not be empty"},
      {"bad time",
       cube(R"("cubes": [)" + orders + R"(, {"full-name": ["b"], "name": "b", "last-updated": "yesterday"}])"),
       "/cube/cubes/1/last-updated", "is not an ISO 8601 time"},
      {"current cube not listed", cube(R"("cubes": [)" + orders + R"(], "current-cube": "Returns")"),
       "/cube/current-cube", "no cube of \"cubes\" is named \"Returns\""},
      {"current cube ambiguous", cube(R"("cubes": [)" + orders + "," + orders + R"(], "current-cube": "Orders")"),
       "/cube/current-cube", "several cubes are named \"Orders\""},
      {"current cube a number", cube(R"("current-cube": 1)"), "/cube/current-cube",
       "expected a cube's name or a cube, found a number"},
      // The Google Analytics section.
      {"chosen account not listed", analytics(R"("accounts": [{"name": "A", "id": "1"}], "selected-account": "2")"),
       "/google-analytics/selected-account", "no entry of \"accounts\" has the id \"2\""},
      {"id twice", analytics(R"("segments": [{"id": "-1", "name": "All"}, {"id": "-1", "name": "New"}])"),
       "/google-analytics/segments/1", "the id \"-1\" is given twice"},
      {"count is no range", analytics(R"("date-range": "date-range-count")"), "/google-analytics/date-range",
       "unknown value \"date-range-count\""},
      {"bad date", analytics(R"("start-date": "2026-02-30")"), "/google-analytics/start-date",
       "is not a date such as"},
      {"selected item not possible",
       analytics(R"("possible-measures": {"ga:users": {"name": "Users"}}, "selected-measures": ["ga:sessions"])"),
       "/google-analytics/selected-measures/0", "no item of \"possible-measures\" has the id \"ga:sessions\""},
      {"restricting dimension from the measures",
       analytics(R"("possible-measures": {"ga:users": {"name": "Users"}}, "restricting-dimensions": ["ga:users"])"),
       "/google-analytics/restricting-dimensions/0", "no item of \"possible-dimensions\""},
      {"untyped text", analytics(R"("query-response-info": {"sample-size": "2500"})"),
       "/google-analytics/query-response-info/sample-size", "is not a typed value"},
      {"value of no kind", analytics(R"("query-response-info": {"sample-size": [2500]})"),
       "/google-analytics/query-response-info/sample-size", "expected a boolean, a number, a typed value text or null"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    const DescriptionFileException fault = FaultOf(refusal.json);
    EXPECT_EQ(fault.GetFile(), QStringLiteral("f.json"));
    EXPECT_EQ(fault.GetField(), QLatin1String(refusal.field));
    EXPECT_TRUE(fault.GetProblem().contains(QLatin1String(refusal.problem))) << fault.what();
  }
}

TEST_F(ConnectionFixtureTest, MessagesNameFileAndField) {
  EXPECT_STREQ(FaultOf(R"({"class": "msolap", "state": {"connected": 1}})").what(),
               "Connection fixture \"f.json\", field \"/state/connected\": expected a boolean, found a number");
  EXPECT_STREQ(FaultOf("{").what(),
               "Connection fixture \"f.json\": invalid JSON at offset 1: Missing a name for object member.");
}

TEST_F(ConnectionFixtureTest, FilesThatCannotBeReadOrAreTooLargeAreRefusedByName) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString missing = folder.filePath(QStringLiteral("missing.json"));
  try {
    ConnectionFixture::Load(missing);
    ADD_FAILURE() << "a missing file was read";
  } catch (const DescriptionFileException& fault) {
    EXPECT_EQ(fault.GetFile(), missing);
    EXPECT_TRUE(fault.GetProblem().startsWith(QStringLiteral("cannot be read"))) << fault.what();
  }

  const QString large = folder.filePath(QStringLiteral("large.json"));
  {
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(static_cast<qint64>(Connect::kMaxConnectionFixtureBytes) + 1));
  }
  try {
    ConnectionFixture::Read(large);
    ADD_FAILURE() << "a file over the limit was read";
  } catch (const DescriptionFileException& fault) {
    EXPECT_EQ(fault.GetFile(), large);
    EXPECT_TRUE(fault.GetProblem().contains(QStringLiteral("more than the limit of 16777216"))) << fault.what();
  }
}

TEST_F(ConnectionFixtureTest, ACubeFixtureIsAnsweredExactlyThroughTheInterface) {
  const RefCntPtr<DSConnectionConfig> config = ConnectionFixture::Parse(R"({
    "class": "acme-olap",
    "name": "Sales cubes",
    "attributes": {"server": "olap.example"},
    "state": {"variables-count": 2, "uncommitted-changes": true},
    "cube": {
      "catalog-list-prompt": "Catalog", "catalogs": ["Sales", "Budget"], "current-catalog": "Archive",
      "catalog-sort-direction": "desc", "catalog-search-term": "Sa",
      "cube-list-prompt": "Cube",
      "cubes": [
        {"full-name": ["Sales", "Orders"], "name": "Orders", "description": "By day",
         "last-updated": "2026-03-01T14:30:00+02:00"},
        {"full-name": ["Sales", "Returns"], "name": "Returns", "last-updated": null}
      ],
      "current-cube": "Orders",
      "metadata-categories": ["last-updated", "name"], "sort-category": "description", "sort-direction": "desc",
      "search-term": "Ord"
    }
  })", QStringLiteral("sales.json")).CreateConfig();

  EXPECT_EQ(config->ClassName(), QStringLiteral("acme-olap"));
  EXPECT_FALSE(config->IsNewConnection());
  EXPECT_TRUE(config->IsConnected());  // the default of a fixture
  EXPECT_TRUE(config->ShouldFinishConnection());
  EXPECT_TRUE(config->HasUncommittedChanges());
  EXPECT_EQ(config->GetDbVariablesCount(), 2);
  EXPECT_EQ(config->GetConfigName(), QStringLiteral("Sales cubes"));
  EXPECT_EQ(config->GetConnectionAttributes(),
            (ConnectionAttributeMap{{QStringLiteral("class"), QStringLiteral("acme-olap")},
                                    {QStringLiteral("server"), QStringLiteral("olap.example")}}));
  const RefCntPtr<const IDataSource> dataSource = config->GetDataSource();
  ASSERT_TRUE(dataSource);
  EXPECT_EQ(dataSource->GetConnectionAttributes(), config->GetConnectionAttributes());
  EXPECT_EQ(dataSource->GetDataSourceInfoProvider()->GetDataSourceCaption(), QStringLiteral("Sales cubes"));

  const RefCntPtr<const HierarchicalDSConnectionConfig> cubes = config->AsHierarchical();
  ASSERT_TRUE(cubes);
  EXPECT_TRUE(cubes->GetCurrentCatalog().IsValid());  // chosen although not listed
  EXPECT_EQ(cubes->GetCurrentCatalog().GetName(), QStringLiteral("Archive"));
  // Lists keep the fixture's order and are appended to what the caller holds.
  std::vector<CatalogInfo> catalogs{CatalogInfo(QStringLiteral("held"))};
  cubes->EnumerateCatalogs(catalogs);
  QStringList names;
  for (const CatalogInfo& catalog : catalogs)
    names << catalog.GetName() + (catalog.IsValid() ? QString() : QStringLiteral("(invalid)"));
  EXPECT_EQ(names.join(QLatin1Char(' ')), QStringLiteral("held Sales Budget"));
  EXPECT_EQ(cubes->GetCatalogSortDirection(), SortDirection::Desc);
  EXPECT_EQ(cubes->GetCatalogSearchTerm(), QStringLiteral("Sa"));

  std::vector<CubeInfo> listed;
  cubes->EnumerateCubes(listed);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(Line(listed[0]), QStringLiteral("[Sales].[Orders]|Orders|By day|2026-03-01T12:30:00Z"));
  EXPECT_EQ(Line(listed[1]), QStringLiteral("[Sales].[Returns]|Returns||"));
  // Chosen by name, the current cube is the listed cube in full.
  EXPECT_TRUE(cubes->GetCurrentCube().IsValid());
  EXPECT_EQ(Line(cubes->GetCurrentCube()), Line(listed[0]));
  EXPECT_EQ(cubes->GetCubeMetadataCategories(),
            (std::vector<CubeMetadataCategory>{CubeMetadataCategory::LastUpdated, CubeMetadataCategory::Name}));
  EXPECT_EQ(cubes->GetCubeSortMetadataCategory(), CubeMetadataCategory::Description);
  EXPECT_EQ(cubes->GetCubeSortDirection(), SortDirection::Desc);
  EXPECT_EQ(cubes->GetCubeSearchTerm(), QStringLiteral("Ord"));
}

TEST_F(ConnectionFixtureTest, ACubeFixtureMayChooseACubeInFullAndLeaveTheRestAtTheDefaults) {
  const RefCntPtr<const HierarchicalDSConnectionConfig> cubes = ConnectionFixture::Parse(R"({
    "class": "msolap", "state": {"connected": false},
    "cube": {"cubes": [{"full-name": ["S", "Orders"], "name": "Orders", "description": "old"}],
             "current-cube": {"full-name": ["S", "Orders"], "name": "Orders", "description": "new"}}
  })", QStringLiteral("f.json")).CreateConfig()->AsHierarchical();
  ASSERT_TRUE(cubes);
  EXPECT_FALSE(cubes->IsConnected());
  EXPECT_FALSE(cubes->ShouldFinishConnection());
  EXPECT_EQ(cubes->GetCurrentCube().GetDescription(), QStringLiteral("new"));
  EXPECT_FALSE(cubes->GetCurrentCatalog().IsValid());
  EXPECT_EQ(cubes->GetCubeMetadataCategories(),
            (std::vector<CubeMetadataCategory>{CubeMetadataCategory::Name, CubeMetadataCategory::Description,
                                               CubeMetadataCategory::LastUpdated}));
  EXPECT_EQ(cubes->GetCubeSortMetadataCategory(), CubeMetadataCategory::Invalid);
  EXPECT_EQ(cubes->GetCubeSortDirection(), SortDirection::Asc);
  EXPECT_EQ(cubes->GetCatalogSortDirection(), SortDirection::Asc);
}

TEST_F(ConnectionFixtureTest, AGoogleAnalyticsFixtureIsAnsweredExactlyThroughTheInterface) {
  const RefCntPtr<DSConnectionConfig> config = ConnectionFixture::Parse(R"({
    "class": "google-analytics",
    "google-analytics": {
      "properties": [{"name": "www", "id": "UA-1"}],
      "views": [{"name": "All", "id": "2001"}],
      "selected-view": null,
      "date-range": "date-range-fixed-start", "start-date": "2026-02-01",
      "possible-dimensions": {"ga:date": {"category": "Time", "name": "Date", "alternate-name": "Day",
                                          "description": "The day", "enabled": false},
                              "ga:city": {"name": "City"}},
      "possible-measures": {"ga:users": {"name": "Users"}, "ga:sessions": {"name": "Sessions"}},
      "selected-measures": {"ga:goal": {"category": "Goals", "name": "Goal"}},
      "measure-sets": [{"name": "Audience", "id": "a"}, {"name": "Behaviour", "id": "b"}],
      "selected-measure-set": "b",
      "segments": [{"id": "-1", "name": "All Sessions", "category": "Default"}],
      "query-response-info": {"response-sampled": true, "sample-size": 2500, "sample-space": 1e4,
                              "source": "string:api", "day": "date:2026-03-01", "none": "integer%null%", "empty": null},
      "partitioning-on": true, "general-restriction": true,
      "restricting-measures": ["ga:users", "ga:sessions"]
    }
  })", QStringLiteral("ga.json")).CreateConfig();
  EXPECT_TRUE(config->IsGoogleAnalytics());
  const RefCntPtr<const IGoogleAnalyticsConnectionConfig> ga = config->AsGoogleAnalytics();
  ASSERT_TRUE(ga);

  // The lists, an entry chosen by its id, a selected item resolved in full and the sampling
  // figures are pinned through the CLI (tests/cli/describe/google-analytics.*); the rest here.
  // Nothing chosen: an empty entry, and the position is left as it was.
  int index = -7;
  EXPECT_EQ(ga->GetSelectedProperty(&index).id, QString());
  EXPECT_EQ(index, -7);
  EXPECT_EQ(ga->GetSelectedView(&index).id, QString());
  EXPECT_EQ(index, -7);

  EXPECT_EQ(ga->GetDateRange(), DateRange::DateRangeFixedStart);
  EXPECT_EQ(ga->GetStartDate(), QDate(2026, 2, 1));
  EXPECT_TRUE(ga->GetEndDate().isNull());

  IGoogleAnalyticsConnectionConfig::Items items;
  ga->GetPossibleDimensions(items);
  ASSERT_EQ(items.size(), 2u);
  const Analytics::GoogleAnalyticsItem& date = items.at(QStringLiteral("ga:date"));
  EXPECT_EQ(QStringList({date.category, date.name, date.alternateName, date.description}).join(QLatin1Char('|')),
            QStringLiteral("Time|Date|Day|The day"));
  EXPECT_FALSE(date.enabled);
  EXPECT_TRUE(items.at(QStringLiteral("ga:city")).enabled);
  // Given in full, a selected item need not be possible.
  items.clear();
  ga->GetSelectedMeasures(items);
  ASSERT_EQ(items.count(QStringLiteral("ga:goal")), 1u);
  EXPECT_EQ(items.at(QStringLiteral("ga:goal")).category, QStringLiteral("Goals"));

  std::vector<Analytics::GoogleAnalyticsMeasureSet> sets;
  ga->GetMeasureSets(sets);
  ASSERT_EQ(sets.size(), 2u);
  index = -1;
  EXPECT_EQ(ga->GetSelectedMeasureSet(&index).name, QStringLiteral("Behaviour"));
  EXPECT_EQ(index, 1);
  std::vector<Analytics::GoogleAnalyticsSegment> segments;
  ga->GetSegments(segments);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(QStringList({segments[0].id, segments[0].name, segments[0].category}).join(QLatin1Char('|')),
            QStringLiteral("-1|All Sessions|Default"));
  index = -1;
  EXPECT_EQ(ga->GetSelectedSegment(&index).id, QString());
  EXPECT_EQ(index, -1);

  std::map<TString, DataValue> info;
  ga->GetQueryResponseInfo(info);
  EXPECT_EQ(info.at(QStringLiteral("sample-space")), DataValue::MakeReal(10000.0));  // 1e4 is a real
  EXPECT_EQ(info.at(QStringLiteral("source")), DataValue::MakeString(QStringLiteral("api")));
  EXPECT_EQ(info.at(QStringLiteral("day")), DataValue::MakeDate(QDate(2026, 3, 1)));
  EXPECT_EQ(info.at(QStringLiteral("none")), DataValue::MakeSpecial(DataValue::kSpecialNull, DataType::Integer));
  EXPECT_FALSE(info.at(QStringLiteral("empty")).HasValue());
  EXPECT_TRUE(ga->IsQueryPartitioningOn());
  EXPECT_FALSE(ga->CanPartitionQuery());
  EXPECT_TRUE(ga->HasGeneralPartitionRestriction());
  // 0 asks for the dimensions, 1 for the measures.
  items.clear();
  ga->GetPartitionRestrictingItems(0, items);
  EXPECT_TRUE(items.empty());
  ga->GetPartitionRestrictingItems(1, items);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items.begin()->first, QStringLiteral("ga:sessions"));
  EXPECT_EQ(items.begin()->second.name, QStringLiteral("Sessions"));
}

TEST_F(ConnectionFixtureTest, WithoutAFixtureThePagesAnswerEmpty) {
  const RefCntPtr<const IGoogleAnalyticsConnectionConfig> ga = builtin::Config("google-analytics")->AsGoogleAnalytics();
  ASSERT_TRUE(ga);
  IGoogleAnalyticsConnectionConfig::BasicItems accounts;
  EXPECT_EQ(ga->GetAccounts(accounts), 0);
  EXPECT_TRUE(accounts.empty());
  int index = -1;
  ga->GetSelectedAccount(&index);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(ga->GetDateRange(), DateRange::DateRangeLast30);
  std::map<TString, DataValue> info;
  ga->GetQueryResponseInfo(info);
  EXPECT_TRUE(info.empty());

  const RefCntPtr<const HierarchicalDSConnectionConfig> cubes = builtin::Config("msolap")->AsHierarchical();
  ASSERT_TRUE(cubes);
  std::vector<CubeInfo> listed;
  cubes->EnumerateCubes(listed);
  EXPECT_TRUE(listed.empty());
  EXPECT_FALSE(cubes->GetCurrentCube().IsValid());
  EXPECT_FALSE(cubes->GetCurrentCatalog().IsValid());
  EXPECT_TRUE(cubes->GetCubeMetadataCategories().empty());
  EXPECT_EQ(cubes->GetCubeSortMetadataCategory(), CubeMetadataCategory::Invalid);
}

TEST_F(ConnectionFixtureTest, AFixtureFilledInCodeIsCheckedWhenTheConfigurationIsMade) {
  ConnectionFixture fixture;
  fixture.file = QStringLiteral("code");
  fixture.className = QStringLiteral("google-analytics");
  fixture.googleAnalytics.emplace().accounts = {{QStringLiteral("Acme"), QStringLiteral("1")}};
  fixture.googleAnalytics->selectedAccount = 0;
  int index = -1;
  EXPECT_EQ(fixture.CreateConfig()->AsGoogleAnalytics()->GetSelectedAccount(&index).name, QStringLiteral("Acme"));
  EXPECT_EQ(index, 0);

  fixture.googleAnalytics->selectedAccount = 1;  // past the list
  EXPECT_THROW(fixture.CreateConfig(), LogicException);

  fixture.googleAnalytics->selectedAccount = -1;
  fixture.cube.emplace();  // a part the class does not read
  try {
    fixture.CreateConfig();
    ADD_FAILURE() << "a cube part was accepted for a Google Analytics class";
  } catch (const DescriptionFileException& fault) {
    EXPECT_EQ(fault.GetField(), QStringLiteral("/cube"));
  }

  fixture.className = QStringLiteral("postgres");
  try {
    fixture.CreateConfig();
    ADD_FAILURE() << "a relational class was accepted";
  } catch (const DescriptionFileException& fault) {
    EXPECT_EQ(fault.GetField(), QStringLiteral("/class"));
  }
}

// The documented format and its examples must not drift apart.
TEST_F(ConnectionFixtureTest, TheDocumentedExamplesLoad) {
  QFile document(QStringLiteral(HLV_SOURCE_DIR "/docs/fixtures.md"));
  ASSERT_TRUE(document.open(QIODevice::ReadOnly | QIODevice::Text));
  const QString text = QString::fromUtf8(document.readAll());
  const QRegularExpression block(QStringLiteral("```json\\n(.*?)```"), QRegularExpression::DotMatchesEverythingOption);
  std::vector<RefCntPtr<DSConnectionConfig>> configs;
  for (QRegularExpressionMatchIterator it = block.globalMatch(text); it.hasNext();) {
    const std::string json = it.next().captured(1).toStdString();
    EXPECT_NO_THROW(configs.push_back(ConnectionFixture::Parse(json, QStringLiteral("docs")).CreateConfig())) << json;
  }
  ASSERT_EQ(configs.size(), 3u);
  // The examples show what they say they show.
  int index = -1;
  EXPECT_EQ(configs[0]->AsHierarchical()->GetCurrentCube().GetName(), QStringLiteral("Returns"));
  EXPECT_EQ(configs[1]->AsGoogleAnalytics()->GetSelectedAccount(&index).name, QStringLiteral("Acme Labs"));
  EXPECT_FALSE(configs[2]->IsConnected());
}

}  // namespace
