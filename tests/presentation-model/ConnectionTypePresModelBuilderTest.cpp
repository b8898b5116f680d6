#include "presentation-model/ConnectionTypePresModelBuilder.h"

#include "connect/ConnectionTypeMru.h"
#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/OEMInfo.h"
#include "tests/support/ConnectServices.h"

#include "tests/QStringPrinter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

using Items = ConnectionTypeGroupPresModelBuilder::ConnectionTypes;

/// What a test MRU holds and what the builder did with it.
struct MruState {
  bool needsDefaults = false;
  std::list<TString> classes;
  std::vector<std::list<TString>> seeded;  // every SetDefaultConnectionClasses call
};

class RecordingMru final : public IConnectionTypeMru {
 public:
  explicit RecordingMru(std::shared_ptr<MruState> state) : m_state(std::move(state)) {}
  void SetDefaultConnectionClasses(const std::list<TString>& classes) override {
    m_state->seeded.push_back(classes);
    m_state->classes = classes;
    m_state->needsDefaults = false;
  }
  bool NeedsDefaults() const override { return m_state->needsDefaults; }
  std::list<TString> GetConnectionClasses() const override { return m_state->classes; }
  void AddConnectionClass(const TString& connectionClass) override { m_state->classes.push_front(connectionClass); }

 private:
  std::shared_ptr<MruState> m_state;
};

/// Opens the building blocks to the tests.
class Builder : public ConnectionTypeGroupPresModelBuilder {
 public:
  using ConnectionTypeGroupPresModelBuilder::ConnectionTypeGroupPresModelBuilder;
  using ConnectionTypeGroupPresModelBuilder::BuildDatabaseConnectionTypes;
  using ConnectionTypeGroupPresModelBuilder::BuildFileConnections;
};

std::vector<TString> Classes(const std::vector<RefCntPtr<const ConnectionTypePresModel>>& items) {
  std::vector<TString> classes;
  for (const auto& item : items) classes.push_back(item->GetDataSourceClass());
  return classes;
}

std::vector<TString> Classes(const RefCntPtr<const ConnectionTypeGroupPresModel>& group) {
  return Classes(group->GetConnectionTypes());
}

std::vector<TString> List(std::initializer_list<const char*> names) {
  std::vector<TString> list;
  for (const char* name : names) list.push_back(QLatin1String(name));
  return list;
}

RefCntPtr<const ConnectionTypePresModel> Find(const RefCntPtr<const ConnectionTypeGroupPresModel>& group,
                                              const char* connectionClass) {
  for (const auto& item : group->GetConnectionTypes())
    if (item->GetDataSourceClass() == QLatin1String(connectionClass)) return item;
  ADD_FAILURE() << "no entry of " << connectionClass;
  return MakeRefCnt<ConnectionTypePresModel>();
}

class ConnectionTypeGroupPresModelBuilderTest : public ::testing::Test {
 protected:
  ConnectionTypeGroupPresModelBuilderTest() {
    app->SetApplicationMode(ApplicationMode::kDesktop);
    registry->fileClasses = List({"excel", "dropbox", "textscan"});
    registry->serverClasses = List({"postgres", "sqlserver", "mysql", "oracle", "redshift", "s3", "halvane"});
    registry->serverConnection = {QStringLiteral("halvane")};
    registry->cloudFile = {QStringLiteral("dropbox")};
    registry->captions[QStringLiteral("postgres")] = QStringLiteral("PostgreSQL");
  }

  RefCntPtr<const ConnectionTypeGroupPresModel> Build(ConnectionTypeGroup group, bool restricted = false,
                                                      std::unordered_set<TString> disabled = {},
                                                      std::function<bool()> searchDisabled = {}) {
    return Builder(group, restricted, disabled, std::make_unique<RecordingMru>(mru), std::move(searchDisabled))
        .Build();
  }

  fake::ConnectServices services;
  fake::Registry* registry = services.registry.get();
  SettableAppConfig* app = services.appConfig.get();
  fake::DriverDiagnostics* drivers = services.drivers.get();
  fake::CloudFileRegistry* cloudFiles = services.cloudFiles.get();
  std::shared_ptr<SettableOEMInfo> oem = std::make_shared<SettableOEMInfo>();
  fake::ScopedInstall<OEMInfo, IOEMInfo> m_oem{oem};
  std::shared_ptr<MruState> mru = std::make_shared<MruState>();
};

TEST_F(ConnectionTypeGroupPresModelBuilderTest, ConstructorRefusesAnInvalidGroupThenANullMru) {
  const auto expression = [](ConnectionTypeGroup group, std::unique_ptr<IConnectionTypeMru> mru) {
    try {
      ConnectionTypeGroupPresModelBuilder(group, false, {}, std::move(mru), {});
    } catch (const LogicException& e) {
      return e.GetExpression();
    }
    return QStringLiteral("(nothing raised)");
  };
  EXPECT_EQ(expression(ConnectionTypeGroup::Invalid, ConnectionTypeMruFactory::CreateNull()),
            QStringLiteral("m_group != CTG_Invalid"));
  EXPECT_EQ(expression(ConnectionTypeGroup::File, nullptr), QStringLiteral("m_connectionTypeMru"));
  // The group is checked first.
  EXPECT_EQ(expression(ConnectionTypeGroup::Invalid, nullptr), QStringLiteral("m_group != CTG_Invalid"));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, FileGroupListsRegistryOrderThenOtherFilesUnlessTheOEMHidesIt) {
  registry->hidden = {QStringLiteral("textscan")};
  const RefCntPtr<const ConnectionTypeGroupPresModel> files = Build(ConnectionTypeGroup::File);
  EXPECT_EQ(files->GetLabel(), QStringLiteral("To a File"));
  EXPECT_EQ(Classes(files), List({"excel", "dropbox", "invalidconnection"}));
  const RefCntPtr<const ConnectionTypePresModel> other = files->GetConnectionType(2);
  EXPECT_EQ(other->GetLabel(), QStringLiteral("More..."));
  EXPECT_EQ(other->GetCategory(), ConnectionTypeCategory::Other);
  EXPECT_TRUE(other->GetIsEnabled());

  // Only the setting of an OEM build counts, and only setting 1059.
  oem->SetBoolean(OEMSettingIds::kNoOtherFilesInGallery, true);
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::File)).back(), QStringLiteral("invalidconnection"));
  oem->SetOEMBuild(true);
  oem->SetBoolean(OEMSettingIds::kNoOtherFilesInGallery, false);
  oem->SetBoolean(1058, true);
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::File)).back(), QStringLiteral("invalidconnection"));
  oem->SetBoolean(OEMSettingIds::kNoOtherFilesInGallery, true);
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::File)), List({"excel", "dropbox"}));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, DesktopNeverListsHalvaneServerClasses) {
  registry->fileClasses.push_back(QStringLiteral("halvane-extract"));
  registry->serverConnection.insert(QStringLiteral("halvane-extract"));
  const RefCntPtr<const ConnectionTypeGroupPresModel> servers = Build(ConnectionTypeGroup::Server);
  EXPECT_EQ(servers->GetLabel(), QStringLiteral("To a Server"));
  EXPECT_EQ(Classes(servers), List({"postgres", "sqlserver", "mysql", "oracle", "redshift", "s3"}));
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::File)),
            List({"excel", "dropbox", "textscan", "invalidconnection"}));

  // Elsewhere they are listed, in their place.
  app->SetApplicationMode(ApplicationMode::kServer);
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::Server)).back(), QStringLiteral("halvane"));
  app->SetApplicationMode(ApplicationMode::kPrep);
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::File)),
            List({"excel", "dropbox", "textscan", "halvane-extract", "invalidconnection"}));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, UnrestrictedEnablesEveryOfferedClass) {
  registry->semiStructured = {QStringLiteral("mysql")};
  const RefCntPtr<const ConnectionTypeGroupPresModel> servers =
      Build(ConnectionTypeGroup::Server, false, {QStringLiteral("oracle")});
  for (const auto& item : servers->GetConnectionTypes()) {
    EXPECT_TRUE(item->GetIsEnabled()) << item->GetDataSourceClass().toStdString();
    EXPECT_EQ(item->GetIsDisabledDataConnection(), item->GetDataSourceClass() == QLatin1String("oracle"))
        << item->GetDataSourceClass().toStdString();
  }
  EXPECT_EQ(Find(servers, "postgres")->GetLabel(), QStringLiteral("PostgreSQL"));
  EXPECT_EQ(Find(servers, "s3")->GetCategory(), ConnectionTypeCategory::Database);
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, RestrictedEnablesOnlyClassesPassingEveryCondition) {
  // Every class is usable when restricted but for one, and each of the others fails exactly one
  // further condition, so a condition left out shows as an enabled class.
  app->SetApplicationMode(ApplicationMode::kServer);
  registry->serverClasses = List({"postgres", "sqlserver", "mysql", "oracle", "s3", "halvane"});
  registry->restrictedUsable = {QStringLiteral("postgres"), QStringLiteral("mysql"), QStringLiteral("oracle"),
                                QStringLiteral("s3"), QStringLiteral("halvane")};
  registry->semiStructured = {QStringLiteral("mysql")};
  const RefCntPtr<const ConnectionTypeGroupPresModel> servers =
      Build(ConnectionTypeGroup::Server, true, {QStringLiteral("oracle")});

  EXPECT_EQ(Classes(servers), registry->serverClasses);  // restricted classes are offered, disabled
  std::vector<TString> enabled;
  for (const auto& item : servers->GetConnectionTypes())
    if (item->GetIsEnabled()) enabled.push_back(item->GetDataSourceClass());
  EXPECT_EQ(enabled, List({"postgres"}));
  EXPECT_TRUE(Find(servers, "oracle")->GetIsDisabledDataConnection());
  EXPECT_FALSE(Find(servers, "s3")->GetIsDisabledDataConnection());
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, CategoriesAndDriverAndCloudFileDetailsOnlyInTheServerApplication) {
  registry->fileClasses = List({"excel", "dropbox", "box"});
  registry->cloudFile = {QStringLiteral("dropbox"), QStringLiteral("box")};
  registry->legacyOAuth = {QStringLiteral("box")};
  for (const char* name : {"dropbox", "box"}) {
    cloudFiles->corsProxyUrlPrefixes[QLatin1String(name)] = QStringLiteral("https://proxy.example.com/") + name;
    cloudFiles->fileExtensions[QLatin1String(name)] = List({"csv", "xlsx"});
  }
  // The category prefers legacy OAuth over cloud file.
  const RefCntPtr<const ConnectionTypeGroupPresModel> desktop = Build(ConnectionTypeGroup::File);
  EXPECT_EQ(Find(desktop, "excel")->GetCategory(), ConnectionTypeCategory::Database);
  EXPECT_EQ(Find(desktop, "dropbox")->GetCategory(), ConnectionTypeCategory::Cloudfile);
  EXPECT_EQ(Find(desktop, "box")->GetCategory(), ConnectionTypeCategory::Legacyoauth);

  for (ApplicationMode mode : {ApplicationMode::kDesktop, ApplicationMode::kPrep, ApplicationMode::kFlowEditor}) {
    app->SetApplicationMode(mode);
    const RefCntPtr<const ConnectionTypeGroupPresModel> files = Build(ConnectionTypeGroup::File);
    for (const auto& item : files->GetConnectionTypes()) {
      EXPECT_FALSE(item->GetHasDriver());
      EXPECT_TRUE(item->GetCorsProxyUrlPrefix().isEmpty());
      EXPECT_EQ(item->GetFileExtensionsCount(), 0u);
    }
  }
  EXPECT_TRUE(drivers->calls.empty());

  app->SetApplicationMode(ApplicationMode::kServer);
  drivers->missing[QString()] = QStringLiteral("no driver");
  RefCntPtr<const ConnectionTypeGroupPresModel> files = Build(ConnectionTypeGroup::File);
  ASSERT_EQ(drivers->calls.size(), 3u);
  EXPECT_EQ(drivers->calls[1].attributes, (ConnectionAttributeMap{{QStringLiteral("class"), QStringLiteral("dropbox")}}));
  EXPECT_FALSE(Find(files, "excel")->GetHasDriver());
  EXPECT_EQ(Find(files, "dropbox")->GetCorsProxyUrlPrefix(), QStringLiteral("https://proxy.example.com/dropbox"));
  EXPECT_EQ(Find(files, "dropbox")->GetFileExtensionss(), List({"csv", "xlsx"}));
  // A legacy OAuth class is no cloud-file entry, though the registry knows it as one.
  EXPECT_TRUE(Find(files, "box")->GetCorsProxyUrlPrefix().isEmpty());
  EXPECT_EQ(Find(files, "box")->GetFileExtensionsCount(), 0u);
  EXPECT_FALSE(files->GetConnectionTypes().back()->GetHasDriver());  // the fixed entry is asked nothing

  drivers->missing.clear();
  files = Build(ConnectionTypeGroup::File);
  EXPECT_TRUE(Find(files, "excel")->GetHasDriver());
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, RecentServersWithTheNullMruOfferOnlyMore) {
  const auto build = [] {
    return ConnectionTypeGroupPresModelBuilder(ConnectionTypeGroup::MruServer, false, {},
                                               ConnectionTypeMruFactory::CreateNull(), {})
        .Build();
  };
  const RefCntPtr<const ConnectionTypeGroupPresModel> recent = build();
  EXPECT_EQ(recent->GetLabel(), QStringLiteral("To a Server"));
  ASSERT_EQ(Classes(recent), List({"invalidconnection"}));
  EXPECT_EQ(recent->GetConnectionType(0)->GetCategory(), ConnectionTypeCategory::More);
  EXPECT_EQ(recent->GetConnectionType(0)->GetLabel(), QStringLiteral("More..."));
  registry->serverClasses.clear();  // nothing more to offer
  EXPECT_TRUE(build()->GetConnectionTypes().empty());
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, RecentServersSeedTheirDefaultsOnlyWhenAsked) {
  registry->hidden = {QStringLiteral("oracle")};
  mru->needsDefaults = true;
  RefCntPtr<const ConnectionTypeGroupPresModel> recent = Build(ConnectionTypeGroup::MruServer);
  ASSERT_EQ(mru->seeded.size(), 1u);
  EXPECT_EQ(mru->seeded[0], (std::list<TString>{QStringLiteral("sqlserver"), QStringLiteral("mysql"),
                                                QStringLiteral("oracle"), QStringLiteral("redshift")}));
  // A hidden class stays out; the server group has more entries than the three shown.
  EXPECT_EQ(Classes(recent), List({"sqlserver", "mysql", "redshift", "invalidconnection"}));

  mru->classes = {QStringLiteral("postgres")};
  Build(ConnectionTypeGroup::MruServer);
  EXPECT_EQ(mru->seeded.size(), 1u);

  // A list as long as the server group needs no "More...".
  registry->serverClasses = List({"postgres", "mysql"});
  mru->classes = {QStringLiteral("mysql"), QStringLiteral("postgres")};
  EXPECT_EQ(Classes(Build(ConnectionTypeGroup::MruServer)), List({"mysql", "postgres"}));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, OEMBuildSeedsEveryOfferedServerButHalvaneOnes) {
  oem->SetOEMBuild(true);
  app->SetApplicationMode(ApplicationMode::kServer);  // where Halvane server classes are offered
  registry->hidden = {QStringLiteral("mysql")};
  mru->needsDefaults = true;
  Build(ConnectionTypeGroup::MruServer);
  ASSERT_EQ(mru->seeded.size(), 1u);
  EXPECT_EQ(std::vector<TString>(mru->seeded[0].begin(), mru->seeded[0].end()),
            List({"postgres", "sqlserver", "oracle", "redshift", "s3"}));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, ServerDataSourceSearchOnTheDesktopOnly) {
  int asked = 0;
  const auto searchBlocked = [&asked] { return ++asked, true; };
  const RefCntPtr<const ConnectionTypeGroupPresModel> search =
      Build(ConnectionTypeGroup::HalvaneServer, false, {}, searchBlocked);
  EXPECT_TRUE(search->GetLabel().isEmpty());
  ASSERT_EQ(Classes(search), List({"invalidconnection"}));
  const RefCntPtr<const ConnectionTypePresModel> item = search->GetConnectionType(0);
  EXPECT_EQ(item->GetLabel(), QStringLiteral("Search for Data"));
  EXPECT_EQ(item->GetCategory(), ConnectionTypeCategory::Searchfordataset);
  EXPECT_TRUE(item->GetIsEnabled());  // unrestricted: the predicate does not count

  EXPECT_FALSE(Build(ConnectionTypeGroup::HalvaneServer, true, {}, searchBlocked)->GetConnectionType(0)->GetIsEnabled());
  EXPECT_TRUE(Build(ConnectionTypeGroup::HalvaneServer, true, {}, [] { return false; })
                  ->GetConnectionType(0)
                  ->GetIsEnabled());
  EXPECT_TRUE(Build(ConnectionTypeGroup::HalvaneServer, true)->GetConnectionType(0)->GetIsEnabled());
  EXPECT_EQ(asked, 1);

  app->SetApplicationMode(ApplicationMode::kServer);
  EXPECT_TRUE(Build(ConnectionTypeGroup::HalvaneServer)->GetConnectionTypes().empty());
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, FlyoutAndNimbaraGroups) {
  const RefCntPtr<const ConnectionTypeGroupPresModel> flyout = Build(ConnectionTypeGroup::ConnectionsFlyout, true);
  EXPECT_TRUE(flyout->GetLabel().isEmpty());
  ASSERT_EQ(Classes(flyout), List({"invalidconnection"}));
  EXPECT_EQ(flyout->GetConnectionType(0)->GetLabel(), QStringLiteral("All Connectors"));
  EXPECT_EQ(flyout->GetConnectionType(0)->GetCategory(), ConnectionTypeCategory::More);
  EXPECT_TRUE(flyout->GetConnectionType(0)->GetIsEnabled());
  const RefCntPtr<const ConnectionTypeGroupPresModel> nimbara = Build(ConnectionTypeGroup::AdsNimbara);
  EXPECT_TRUE(nimbara->GetLabel().isEmpty() && nimbara->GetConnectionTypes().empty());
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, BuildingBlocksReplaceTheListTheyAreGiven) {
  const Builder builder(ConnectionTypeGroup::File, false, {}, ConnectionTypeMruFactory::CreateNull(), {});
  Items items = {MakeRefCnt<ConnectionTypePresModel>()};
  builder.BuildDatabaseConnectionTypes({QStringLiteral("mysql"), QStringLiteral("unknown"), QStringLiteral("halvane")},
                                       items);
  // The fake registry shows a class it does not know; the desktop hides the Halvane class.
  EXPECT_EQ(Classes(items), List({"mysql", "unknown"}));
  builder.BuildFileConnections(items);
  EXPECT_EQ(Classes(items), List({"excel", "dropbox", "textscan", "invalidconnection"}));
}

TEST_F(ConnectionTypeGroupPresModelBuilderTest, LastingListSeedsOnceAndPutsTheLatestClassFirst) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QStringLiteral("mru.json"));
  const auto build = [&] {
    return ConnectionTypeGroupPresModelBuilder(ConnectionTypeGroup::MruServer, false, {},
                                               ConnectionTypeMruFactory::CreatePersistent(path), {})
        .Build();
  };
  EXPECT_EQ(Classes(build()), List({"sqlserver", "mysql", "oracle", "redshift", "invalidconnection"}));
  ConnectionTypeMruFactory::CreatePersistent(path)->AddConnectionClass(QStringLiteral("postgres"));
  EXPECT_EQ(Classes(build()), List({"postgres", "sqlserver", "mysql", "oracle", "redshift", "invalidconnection"}));
}

}  // namespace
