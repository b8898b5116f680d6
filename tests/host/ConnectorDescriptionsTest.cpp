// Connector descriptions: what the loader refuses and how it says so, how folders load, and the
// answers of the built-in descriptions that the dialog builders branch on.
#include "host/connectors/DescriptionLoader.h"
#include "host/connectors/DescriptionRegistry.h"

#include "host/app/Log.h"

#include "tests/QStringPrinter.h"
#include "tests/support/FakeConnectionModel.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestFiles.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <string>

namespace {

using AuthOption = AuthenticationEnums::AuthOption;
using Connect::DescriptionFileException;
using Connect::DescriptionRegistry;

std::string Minimal(const char* className, const char* caption = "Caption") {
  return QStringLiteral(R"({"class": "%1", "caption": {"en": "%2"}})")
      .arg(QLatin1String(className), QLatin1String(caption))
      .toStdString();
}

// The fault that parsing `json` raises.
DescriptionFileException FaultOf(const std::string& json) {
  try {
    Connect::ParseConnectorDescription(json, QStringLiteral("test.json"));
  } catch (const DescriptionFileException& fault) {
    return fault;
  }
  ADD_FAILURE() << "accepted: " << json;
  return DescriptionFileException(Connect::DescriptionFileKind::ConnectorDescription, QString(), QString(), QString());
}

struct Refusal {
  const char* what;
  std::string json;
  const char* field;
  const char* problem;  // a part of the problem text
};

TEST(ConnectorDescriptionLoaderTest, RefusesEachKindOfFaultNamingTheField) {
  const std::string head = R"({"class": "c", "caption": {"en": "C"}, )";
  const std::vector<Refusal> refusals = {
      {"not JSON", "{\"class\": ", "", "invalid JSON at offset 10"},
      {"not an object", "[]", "", "expected an object, found an array"},
      {"NUL byte", std::string("{\"class\": \"c\"}\0{}", 17), "", "unexpected NUL byte"},
      {"invalid UTF-8", "{\"class\": \"\xC3\x28\"}", "", "invalid JSON at offset"},
      {"too deep", head + "\"modular-dialog\": " + std::string(70, '[') + std::string(70, ']') + "}", "",
       "nests deeper than 64 levels"},
      {"missing class", R"({"caption": {"en": "C"}})", "/class", "is missing"},
      {"missing English", R"({"class": "c", "caption": {"de": "C"}})", "/caption/en", "English text is required"},
      {"bad locale", R"({"class": "c", "caption": {"en": "C", "German": "C"}})", "/caption/German", "is not a locale"},
      {"mistyped", head + R"("initial-sql": "yes"})", "/initial-sql", "expected a boolean, found a string"},
      {"unknown field", head + R"("dialog": {"sever": {}}})", "/dialog/sever", "is not a field of this object"},
      {"twice", head + R"("visible": true, "visible": false})", "/visible", "appears twice"},
      {"unknown mode", head + R"("authentication": {"mode": "auth-mode-bogus"}})", "/authentication/mode",
       "unknown value \"auth-mode-bogus\"; expected one of \"auth-mode-none\", \"auth-mode-basic\""},
      {"unknown option key", head + R"("authentication": {"options": {"auth-option-kerberoz": "k"}}})",
       "/authentication/options/auth-option-kerberoz", "unknown value"},
      {"invalid option", head + R"("authentication": {"options": {"auth-option-invalid": "x"}}})",
       "/authentication/options/auth-option-invalid", "unknown value"},
      {"deep pointer", head + R"("transport-types": [{"name": "A", "value": "1"}, {"name": "B", "value": "2",
          "auth-options": {"direct": ["auth-option-none", "kerberos"]}}]})",
       "/transport-types/1/auth-options/direct/1", "unknown value \"kerberos\""},
      {"unknown kind", head + R"("kind": "cloud"})", "/kind", R"(expected one of "file", "server", "none")"},
      {"default not listed",
       head + R"("authentication": {"options": {"auth-oauth": "oauth"}, "default-option": "auth-option-none"}})",
       "/authentication/default-option", "is not one of the options"},
      {"ambiguous value", head + R"("authentication": {"options": {"auth-oauth": "x", "auth-option-none": "x"}}})",
       "/authentication/options/auth-option-none", "the value \"x\" already stands for \"auth-oauth\""},
      {"relational part on a cube class",
       head + R"("model": "hierarchical", "dialog": {}, "cube-specification": {"title": "", "options": []}})",
       "/dialog", "only a relational class"},
      {"cube without options",
       head + R"("model": "hierarchical", "cube-specification": {"title": "T", "options": []}})",
       "/cube-specification/options", "at least one option"},
      {"combo box without choices", head + R"("model": "hierarchical", "cube-specification": {"title": "T",
          "options": [{"type": "combo-box", "id": "a", "attribute": "a"}]}})",
       "/cube-specification/options/0/choices", "is missing"},
      {"two defaults", head + R"("model": "hierarchical", "cube-specification": {"title": "T", "options": [
          {"type": "line-edit", "id": "a", "attribute": "a", "default": true},
          {"type": "line-edit", "id": "b", "attribute": "b", "default": true}]}})",
       "/cube-specification/options/1/default", "already is"},
      {"credential id field", head + R"("fields": ["server", "credential-id"]})", "/fields/1", "kept by the host"},
      {"two drivers", head + R"("driver": {"qt": "QPSQL", "odbc": "PostgreSQL"}})", "/driver/odbc", "not several"},
      {"empty driver list", head + R"("driver": {"odbc": []}})", "/driver/odbc", "at least one driver"},
      {"driver list with an empty name", head + R"("driver": {"odbc": ["A", ""]}})", "/driver/odbc/1", "not be empty"},
      {"modular dialog not an object", head + R"("modular-dialog": "{}"})", "/modular-dialog", "expected an object"},
      {"conditions in the modular dialog", head + R"("modular-dialog": {"when": {}}})", "/modular-dialog/when",
       "given in \"fields\""},
      {"bad class", R"({"class": "no spaces", "caption": {"en": "C"}})", "/class", "a class is letters"},
      {"page of a cube class", head + R"("model": "hierarchical", "data-source-page": {},
          "cube-specification": {"title": "T", "options": [{"type": "line-edit", "id": "a", "attribute": "a"}]}})",
       "/data-source-page", "only a relational class"},
      {"unknown list", head + R"("data-source-page": {"lists": {"catalogs": true}}})", "/data-source-page/lists/catalogs",
       "is not a field of this object"},
      {"unknown label", head + R"("data-source-page": {"labels": {"TableLabel": "T"}}})",
       "/data-source-page/labels/TableLabel", "is not a label of the join area"},
      {"picker of an ignored schema", head + R"("data-source-page": {"pickers": {"schema": true}, "schema": "ignored"}})",
       "/data-source-page/pickers/schema", "an ignored schema has no picker"},
      {"fractional capability", head + R"("data-source-page": {"capabilities": [412.5]}})",
       "/data-source-page/capabilities/0", "a positive whole number"},
      {"capability twice", head + R"("data-source-page": {"capabilities": [412, 412]}})",
       "/data-source-page/capabilities/1", "given twice"},
      {"legacy check without attribute", head + R"("data-source-page": {"legacy-sql-check": {"default": true}}})",
       "/data-source-page/legacy-sql-check/attribute", "is missing"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    const DescriptionFileException fault = FaultOf(refusal.json);
    EXPECT_EQ(fault.GetFile(), QStringLiteral("test.json"));
    EXPECT_EQ(fault.GetField(), QLatin1String(refusal.field));
    EXPECT_TRUE(fault.GetProblem().contains(QLatin1String(refusal.problem))) << fault.what();
  }
}

TEST(ConnectorDescriptionLoaderTest, MessageNamesFileAndField) {
  EXPECT_STREQ(FaultOf(R"({"class": "c", "caption": {"en": "C"}, "visible": 1})").what(),
               "Connector description \"test.json\", field \"/visible\": expected a boolean, found a number");
  EXPECT_STREQ(FaultOf("{").what(),
               "Connector description \"test.json\": invalid JSON at offset 1: Missing a name for object member.");
  // Member names are escaped as JSON pointers do.
  EXPECT_EQ(FaultOf(R"({"class": "c", "caption": {"en": "C"}, "default-attributes": {"a/b~": 1}})").GetField(),
            QStringLiteral("/default-attributes/a~1b~0"));
}

TEST(ConnectorDescriptionLoaderTest, RefusesFilesOverOneMebibyteBeforeReadingThem) {
  QTemporaryDir folder;
  std::string large = Minimal("large");
  large.insert(1, std::string(1 << 20, ' '));
  const QString path = testfiles::WriteFile(folder, QStringLiteral("large.json"), large);
  try {
    Connect::LoadConnectorDescription(path);
    ADD_FAILURE() << "a large file was accepted";
  } catch (const DescriptionFileException& fault) {
    EXPECT_EQ(fault.GetFile(), path);
    EXPECT_TRUE(fault.GetProblem().contains(QStringLiteral("more than the limit of 1048576"))) << fault.what();
  }
  // The same limit holds for text handed over directly.
  EXPECT_TRUE(FaultOf(large).GetProblem().contains(QStringLiteral("more than the limit of 1048576")));
  // Just under the limit is fine.
  large.erase(1, 100);
  EXPECT_EQ(Connect::ParseConnectorDescription(large, QStringLiteral("x"))->GetClassName(), QStringLiteral("large"));
}

TEST(ConnectorDescriptionLoaderTest, ShortDescriptionsTakeTheDefaults) {
  const auto description = Connect::ParseConnectorDescription(Minimal("plain"), QStringLiteral("p"));
  const Connect::ConnectorFacts& facts = description->Facts();
  EXPECT_EQ(facts.type, Connect::ConnectionClassType::kServer);
  EXPECT_EQ(facts.model, Connect::ConnectionModel::kRelational);
  EXPECT_TRUE(facts.visible);
  EXPECT_FALSE(facts.authentication.mayNeedAuth);
  EXPECT_FALSE(facts.authentication.inMemoryCredentials);  // it takes no secret
  EXPECT_EQ(facts.authentication.defaultOption, AuthOption::AuthOptionNone);
  EXPECT_FALSE(description->SupportsOAuth());
  EXPECT_EQ(description->FieldsModel(), nullptr);
  EXPECT_EQ(facts.source, QStringLiteral("p"));

  // A prompt field given as {} is shown with the usual prompt; the default option is the first.
  const auto dialog = Connect::ParseConnectorDescription(
      R"({"class": "d", "caption": {"en": "D"}, "dialog": {"port": {}, "database": {"show": false}},
          "authentication": {"mode": "auth-mode-basic", "options": {"auth-option-kerberos": "k", "auth-oauth": "o"}}})",
      QStringLiteral("d"));
  EXPECT_TRUE(dialog->Facts().dialog.port.show);
  EXPECT_EQ(dialog->Facts().dialog.port.prompt, QStringLiteral("Port"));
  EXPECT_FALSE(dialog->Facts().dialog.database.show);
  EXPECT_FALSE(dialog->Facts().dialog.server.show);
  EXPECT_EQ(dialog->Facts().authentication.defaultOption, AuthOption::AuthOptionKerberos);
  EXPECT_TRUE(dialog->Facts().authentication.mayNeedAuth);
}

// The documented format and its examples must not drift apart.
TEST(ConnectorDescriptionLoaderTest, TheDocumentedExamplesLoad) {
  QFile document(QStringLiteral(HLV_SOURCE_DIR "/docs/connectors.md"));
  ASSERT_TRUE(document.open(QIODevice::ReadOnly | QIODevice::Text));
  const QString text = QString::fromUtf8(document.readAll());
  const QRegularExpression block(QStringLiteral("```json\\n(.*?)```"), QRegularExpression::DotMatchesEverythingOption);
  int examples = 0;
  for (QRegularExpressionMatchIterator it = block.globalMatch(text); it.hasNext(); ++examples) {
    const std::string json = it.next().captured(1).toStdString();
    EXPECT_NO_THROW(Connect::ParseConnectorDescription(json, QStringLiteral("docs/connectors.md"))) << json;
  }
  EXPECT_EQ(examples, 3);
}

TEST(DescriptionRegistryTest, LoadFolderKeepsTheGoodDescriptionsAndListsTheFaults) {
  QTemporaryDir folder;
  testfiles::WriteFile(folder, QStringLiteral("a-good.json"), Minimal("alpha"));
  testfiles::WriteFile(folder, QStringLiteral("b-bad.json"), R"({"class": "beta", "caption": {"en": "B"}, "kind": "tape"})");
  testfiles::WriteFile(folder, QStringLiteral("c-good.json"), Minimal("gamma"));
  testfiles::WriteFile(folder, QStringLiteral("notes.txt"), "not a description");

  DescriptionRegistry registry;
  auto sink = std::make_shared<fake::LogSink>();
  std::vector<DescriptionFileException> faults;
  {
    const fake::ScopedInstall<LogSink, ILogSink> installed(sink);
    faults = registry.LoadFolder(folder.path());
  }
  ASSERT_EQ(faults.size(), 1u);
  ASSERT_EQ(sink->messages.size(), 1u);  // logged once, as a warning, with the same text
  EXPECT_EQ(sink->messages[0].first, TLog::Warn);
  EXPECT_EQ(sink->messages[0].second, faults[0].GetMessage());
  EXPECT_EQ(faults[0].GetFile(), folder.filePath(QStringLiteral("b-bad.json")));
  EXPECT_EQ(faults[0].GetField(), QStringLiteral("/kind"));
  EXPECT_EQ(registry.GetRegisteredClasses(), (std::vector<TString>{QStringLiteral("alpha"), QStringLiteral("gamma")}));

  const std::vector<DescriptionFileException> missing =
      registry.LoadFolder(folder.filePath(QStringLiteral("nowhere")));
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_TRUE(missing[0].GetProblem().contains(QStringLiteral("not a folder"))) << missing[0].what();
}

TEST(DescriptionRegistryTest, ALaterDescriptionReplacesTheEarlierAndTheConnectorsPathIsRead) {
  QTemporaryDir first, second;
  testfiles::WriteFile(first, QStringLiteral("x.json"), Minimal("same", "First"));
  testfiles::WriteFile(first, QStringLiteral("y.json"), Minimal("same", "Second in the same folder"));
  testfiles::WriteFile(second, QStringLiteral("a.json"), Minimal("same", "From the later folder"));
  DescriptionRegistry registry;
  EXPECT_TRUE(registry.LoadFolder(first.path()).empty());
  EXPECT_EQ(registry.GetClassCaption(QStringLiteral("same"), QString()), QStringLiteral("Second in the same folder"));
  EXPECT_TRUE(registry.LoadFolder(second.path()).empty());
  EXPECT_EQ(registry.GetClassCaption(QStringLiteral("same"), QString()), QStringLiteral("From the later folder"));
  EXPECT_EQ(registry.GetRegisteredClasses().size(), 1u);

  // The default registry reads the folders of the path in order, after the built-ins.
  testfiles::WriteFile(first, QStringLiteral("postgres.json"), Minimal("postgres", "Replaced PostgreSQL"));
  testfiles::WriteFile(second, QStringLiteral("broken.json"), "{");
  const QByteArray path = (first.path() + QStringLiteral("::") + second.path()).toUtf8();
  std::shared_ptr<DescriptionRegistry> byPath;
  {
    const testenv::ScopedEnvironment environment("HLV_CONNECTORS_PATH", path.constData());
    byPath = DescriptionRegistry::MakeDefault();
  }
  EXPECT_EQ(byPath->GetClassCaption(QStringLiteral("same"), QString()), QStringLiteral("From the later folder"));
  EXPECT_EQ(byPath->GetClassCaption(QStringLiteral("postgres"), QString()), QStringLiteral("Replaced PostgreSQL"));
  EXPECT_NE(byPath->Find(QStringLiteral("snowflake")), nullptr);  // the built-ins are there
}

// The built-in descriptions, loaded once.
class BuiltinConnectorsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_registry = new DescriptionRegistry;
    s_registry->LoadBuiltins();
  }
  static void TearDownTestSuite() { delete s_registry; }

  static DescriptionRegistry* s_registry;
};

DescriptionRegistry* BuiltinConnectorsTest::s_registry = nullptr;

// Which classes there are, with their kinds and captions, is pinned by the CLI's connector list.
// A built-in is read when first asked for, and must describe the class it is named after.
TEST_F(BuiltinConnectorsTest, EveryBuiltinLoadsUnderTheClassItIsNamedAfter) {
  DescriptionRegistry registry;
  registry.LoadBuiltins();
  auto sink = std::make_shared<fake::LogSink>();
  const fake::ScopedInstall<LogSink, ILogSink> installed(sink);
  EXPECT_EQ(registry.Find(QStringLiteral("sqlite"))->GetClassName(), QStringLiteral("sqlite"));
  const QStringList files = QDir(QLatin1String(Connect::kBuiltinConnectorsResource)).entryList(QDir::Files);
  EXPECT_EQ(registry.GetRegisteredClasses().size(), static_cast<std::size_t>(files.size()));
  EXPECT_TRUE(sink->messages.empty());

  // A built-in the folders replace is not read, and one loaded again replaces theirs.
  registry.Add(Connect::ParseConnectorDescription(Minimal("csv", "Replaced"), QStringLiteral("test")));
  EXPECT_EQ(registry.GetClassCaption(QStringLiteral("csv"), QString()), QStringLiteral("Replaced"));
  registry.LoadBuiltins();
  EXPECT_EQ(registry.GetClassCaption(QStringLiteral("csv"), QString()), QStringLiteral("Text file"));
}

// The gallery order of the file and the server classes, a class without a gallery place by its
// caption, is pinned by the CLI's galleries (tests/cli/gallery); the gallery adds "invalidconnection".
TEST_F(BuiltinConnectorsTest, ListsLeaveOutTheInvalidConnectionAndRegisteredClassesAreSorted) {
  for (const auto kind : {Connect::ConnectionClassKind::kFile, Connect::ConnectionClassKind::kServer}) {
    const std::vector<TString> list = s_registry->GetConnectionClasses(kind);
    EXPECT_EQ(std::count(list.begin(), list.end(), QStringLiteral("invalidconnection")), 0);
  }
  const std::vector<TString> all = s_registry->GetRegisteredClasses();
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
}

TEST_F(BuiltinConnectorsTest, CaptionsFallBackFromLocaleToLanguageToEnglishToClass) {
  const TString csv = QStringLiteral("csv");
  EXPECT_EQ(s_registry->GetClassCaption(csv, QString()), QStringLiteral("Text file"));
  EXPECT_EQ(s_registry->GetClassCaption(csv, QStringLiteral("de_DE")), QStringLiteral("Textdatei"));
  EXPECT_EQ(s_registry->GetClassCaption(csv, QStringLiteral("fr_CA")), QStringLiteral("Fichier texte (CSV)"));
  EXPECT_EQ(s_registry->GetClassCaption(csv, QStringLiteral("fr-FR")), QStringLiteral("Fichier texte"));
  EXPECT_EQ(s_registry->GetClassCaption(csv, QStringLiteral("pt_BR")), QStringLiteral("Text file"));
  EXPECT_EQ(s_registry->GetClassCaption(QStringLiteral("no-such-class"), QString()), QStringLiteral("no-such-class"));
}

TEST_F(BuiltinConnectorsTest, AuthenticationValuesMapBothWays) {
  const TString hive = QStringLiteral("hive");
  EXPECT_EQ(s_registry->GetAuthenticationValue(hive, AuthOption::AuthOptionKerberos), QStringLiteral("1"));
  EXPECT_EQ(s_registry->GetAuthOption(hive, QStringLiteral("1")), AuthOption::AuthOptionKerberos);
  EXPECT_EQ(s_registry->GetAuthOption(hive, QStringLiteral("6")), AuthOption::AuthHdiService);
  EXPECT_EQ(s_registry->GetAuthenticationValue(hive, AuthOption::AuthOauth), QString());
  EXPECT_EQ(s_registry->GetAuthOption(hive, QStringLiteral("9")), AuthOption::AuthOptionInvalid);
  EXPECT_EQ(s_registry->GetAuthOption(hive, QString()), AuthOption::AuthOptionInvalid);
  // The same option has another value in another class.
  EXPECT_EQ(s_registry->GetAuthenticationValue(QStringLiteral("snowflake"), AuthOption::AuthOptionUsernameAndPassword),
            QStringLiteral("auth-user-pass"));
  EXPECT_EQ(s_registry->GetAuthOption(QStringLiteral("nimbara"), QStringLiteral("oauth")), AuthOption::AuthOauth);
  EXPECT_EQ(s_registry->GetAuthOption(QStringLiteral("no-such-class"), QStringLiteral("oauth")),
            AuthOption::AuthOptionInvalid);
}

TEST_F(BuiltinConnectorsTest, ClassFactsTheBuildersBranchOn) {
  const DescriptionRegistry& r = *s_registry;
  auto c = [](const char* name) { return QLatin1String(name); };
  // Legacy OAuth, cloud-file and web data classes are pinned by the CLI's OAuth settings.
  EXPECT_TRUE(r.IsServerConnectionClass(c("halvane-server")));
  EXPECT_FALSE(r.IsServerConnectionClass(c("postgres")));
  EXPECT_TRUE(r.IsSemiStructuredClass(c("json")));
  EXPECT_FALSE(r.IsSemiStructuredClass(c("nimbara-zeltra")));
  EXPECT_FALSE(r.IsConnectionTypeVisible(c("invalidconnection")));
  EXPECT_TRUE(r.IsConnectionTypeVisible(c("s3")));
  EXPECT_FALSE(r.IsUsableWhenRestricted(c("s3")));
  EXPECT_TRUE(r.IsUsableWhenRestricted(c("excel")));
  EXPECT_TRUE(r.MayNeedAuth(c("postgres")));
  EXPECT_FALSE(r.MayNeedAuth(c("msaccess")));
  EXPECT_FALSE(r.MayNeedAuth(c("halvane-server")));
  EXPECT_TRUE(r.UsesInMemoryCredentials(c("postgres")));
  EXPECT_TRUE(r.CanRecommendTablesFor(c("snowflake")));
  EXPECT_TRUE(r.CanRecommendDataSourcesFor(c("halvane-server")));
  EXPECT_FALSE(r.CanRecommendTablesFor(c("excel")));
  // SQL Server is served by its own driver or by FreeTDS, whichever is installed first.
  const Connect::DriverRequirement* sqlServer = r.Find(c("sqlserver"))->DriverFor(QString());
  ASSERT_NE(sqlServer, nullptr);
  EXPECT_EQ(sqlServer->name, c("ODBC Driver 18 for SQL Server"));
  EXPECT_EQ(sqlServer->alternatives.front(), c("FreeTDS"));
  EXPECT_TRUE(r.LookupConnector(c("postgres"))->SupportsInitialSQL());
  EXPECT_FALSE(r.LookupConnector(c("excel"))->SupportsInitialSQL());
  for (const char* unknown : {"no-such-class", ""}) {
    EXPECT_FALSE(r.IsConnectionTypeVisible(c(unknown)));
    EXPECT_FALSE(r.UsesInMemoryCredentials(c(unknown)));
    EXPECT_EQ(r.LookupConnector(c(unknown)), nullptr);
    EXPECT_EQ(r.GetConnectorPlugin(c(unknown)), nullptr);
  }
}

// The OAuth configurations, their labels and custom domains, and the display names of the web
// data connector in every language are pinned by the CLI's OAuth settings (tests/cli/oauth-settings).
TEST_F(BuiltinConnectorsTest, OAuthConnectorsAndWebDataConnectors) {
  const RefCntPtr<const Connect::IConnector> snowflake = s_registry->CreateConnector(QStringLiteral("snowflake"), 0);
  ASSERT_TRUE(snowflake);
  EXPECT_TRUE(snowflake->SupportsOAuth());
  EXPECT_TRUE(snowflake->SupportsCustomDomain(QString()));
  EXPECT_EQ(snowflake->GetOAuthConfigLabel(QStringLiteral("nope")), QString());
  EXPECT_FALSE(s_registry->CreateConnector(QStringLiteral("postgres"), 0)->SupportsOAuth());
  // A legacy-OAuth class signs in through its own flow, yet tells its custom-domain support.
  const RefCntPtr<const Connect::IConnector> nimbara = s_registry->CreateConnector(QStringLiteral("nimbara"), 0);
  EXPECT_FALSE(nimbara->SupportsOAuth());
  EXPECT_TRUE(nimbara->SupportsCustomDomain(QString()));

  const RefCntPtr<const Connect::IWebDataConnectorInfo> info =
      s_registry->GetConnectorPlugin(QStringLiteral("webdata"))->GetWebDataConnectorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->GetClassName(), QStringLiteral("webdata"));
  // A language without a display name shows the English one.
  EXPECT_EQ(info->GetDisplayName(QStringLiteral("ko_KR")), QStringLiteral("Web Data Connector"));
  EXPECT_EQ(s_registry->GetConnectorPlugin(QStringLiteral("postgres"))->GetWebDataConnectorInfo(), nullptr);
}

TEST(DescriptionRegistryTest, SemiStructuredThroughDerivationEvenInACycle) {
  DescriptionRegistry registry;
  auto add = [&registry](const char* json) {
    registry.Add(Connect::ParseConnectorDescription(json, QStringLiteral("t")));
  };
  add(R"({"class": "base", "caption": {"en": "B"}, "semi-structured": true})");
  add(R"({"class": "child", "caption": {"en": "C"}, "derived-from": "base"})");
  add(R"({"class": "grandchild", "caption": {"en": "G"}, "derived-from": "child"})");
  add(R"({"class": "orphan", "caption": {"en": "O"}, "derived-from": "missing"})");
  add(R"({"class": "loop-a", "caption": {"en": "A"}, "derived-from": "loop-b"})");
  add(R"({"class": "loop-b", "caption": {"en": "B"}, "derived-from": "loop-a"})");
  EXPECT_TRUE(registry.IsSemiStructuredClass(QStringLiteral("grandchild")));
  EXPECT_FALSE(registry.IsSemiStructuredClass(QStringLiteral("orphan")));
  EXPECT_FALSE(registry.IsSemiStructuredClass(QStringLiteral("loop-a")));
}

}  // namespace
