// ODBC as a user meets it: data source names and drivers from the driver manager's own files
// (a temporary odbc.ini and odbcinst.ini), real tables reached through a data source name and
// through a driver's library (PostgreSQL through ODBC is LiveConnectionTest's), SQL Server
// through FreeTDS up to the network's answer, and the driver-missing message of a class whose
// driver this machine lacks.
#include "host/connect/DataSourceException.h"
#include "host/connectors/InstalledDriverDiagnostics.h"
#include "host/connectors/OdbcCatalog.h"
#include "services/ConnectionServices.h"
#include "services/GalleryServices.h"

#include "tests/QStringPrinter.h"
#include "tests/support/BuiltinConfigs.h"
#include "tests/support/ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>

#include <gtest/gtest.h>

namespace {

using Attributes = DSConnectionConfig::Attributes;
using builtin::Config;

const QString kDriverFolder = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/");
const QString kPostgresDriver = kDriverFolder + QStringLiteral("psqlodbcw.so");
const QString kSqliteDriver = kDriverFolder + QStringLiteral("libsqlite3odbc.so");

void Write(const QString& path, const QString& text) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(text.toUtf8());
}

// A folder with an odbcinst.ini naming the two drivers, a SQLite database, and an odbc.ini of
// data source names made by each test; the driver manager reads the user's data source names
// from ODBCINI anew on every call. Its system folder (ODBCSYSINI) it fixes at its first call in
// a process, so that is set only where a process starts afresh.
class OdbcLiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_folder.isValid());
    for (const QString& driver : {kPostgresDriver, kSqliteDriver})
      if (!QFile::exists(driver)) GTEST_SKIP() << "no ODBC driver " << driver.toStdString();
    Write(Path("odbcinst.ini"), QStringLiteral("[HLV PostgreSQL]\nDriver=%1\n\n[HLV SQLite]\nDriver=%2\n")
                                    .arg(kPostgresDriver, kSqliteDriver));
    Write(Path("odbc.ini"), QString());
    m_odbcIni = std::make_unique<testenv::ScopedEnvironment>("ODBCINI", Path("odbc.ini").toLocal8Bit().constData());
    m_sqlite = Path("shop.db");
    {
      QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("odbc-live-setup"));
      database.setDatabaseName(m_sqlite);
      ASSERT_TRUE(database.open());
      QSqlQuery query(database);
      ASSERT_TRUE(query.exec(QStringLiteral("CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT)")));
      ASSERT_TRUE(query.exec(QStringLiteral("CREATE VIEW named AS SELECT name FROM items")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("odbc-live-setup"));
  }

  QString Path(const char* name) const { return QDir(m_folder.path()).filePath(QLatin1String(name)); }

  // The tables of a live connection of `connectionClass` with `attributes`, by their last name part.
  static std::vector<QString> TablesOf(const char* connectionClass, Attributes attributes) {
    const RefCntPtr<DSConnectionConfig> config = Config(connectionClass, std::move(attributes));
    DescribedConfigState::Of(*config)->Connect();
    std::vector<RelationalDSConnectionConfigTableInfo> tables;
    config->AsRelational()->EnumerateTables(tables);
    std::vector<QString> names;
    for (const RelationalDSConnectionConfigTableInfo& table : tables)
      names.push_back(table.GetQualifiedName().GetComponents().back());
    return names;
  }

  QTemporaryDir m_folder;
  std::unique_ptr<testenv::ScopedEnvironment> m_odbcIni;
  QString m_sqlite;
  builtin::ScopedRegistry m_registry{builtin::RegistryWith()};
};

bool Has(const std::vector<QString>& names, const char* name) {
  return std::find(names.begin(), names.end(), QLatin1String(name)) != names.end();
}

TEST_F(OdbcLiveTest, ReachesSqliteTablesThroughADataSourceNameAndThroughADriverAlone) {
  Write(Path("odbc.ini"), QStringLiteral("[hlv-shop]\nDriver=%1\nDatabase=%2\n").arg(kSqliteDriver, m_sqlite));
  // The data source name is offered in the dialog, with its driver.
  const std::vector<Connect::DsnSettingsOption> dsns =
      Config("genericodbc", {})->AsRelational()->GetDsnSettingsOptions(false);
  EXPECT_TRUE(std::any_of(dsns.begin(), dsns.end(),
                          [](const Connect::DsnSettingsOption& dsn) { return dsn.GetDsnName() == "hlv-shop"; }));

  const std::vector<std::pair<const char*, Attributes>> roads = {
      {"data source name", {{QStringLiteral("odbc-dsn"), QStringLiteral("hlv-shop")}}},
      {"driver by its library", {{QStringLiteral("odbc-driver"), kSqliteDriver}, {QStringLiteral("dbname"), m_sqlite}}},
  };
  for (const auto& [road, attributes] : roads) {
    SCOPED_TRACE(road);
    const std::vector<QString> tables = TablesOf("genericodbc", attributes);
    EXPECT_TRUE(Has(tables, "items") && Has(tables, "named")) << tables.size();
  }
}

// 0 when the driver manager lists exactly the folder's two drivers and a driver requirement
// takes the first of its alternatives installed there; else which check failed.
int CheckTheFoldersDrivers() {
  const std::vector<TString> expected{QStringLiteral("HLV PostgreSQL"), QStringLiteral("HLV SQLite")};
  if (OdbcCatalog::DriverNames() != expected) return 1;
  Connect::DriverRequirement sqlServer{Connect::DriverRequirement::Kind::kOdbc,
                                       QStringLiteral("ODBC Driver 18 for SQL Server"),
                                       {QStringLiteral("HLV SQLite"), QStringLiteral("HLV PostgreSQL")}};
  if (InstalledDriverDiagnostics::InstalledName(sqlServer) != QStringLiteral("HLV SQLite")) return 2;
  sqlServer.alternatives = {QStringLiteral("FreeTDS")};  // registered in /etc, not in this folder
  return InstalledDriverDiagnostics::IsInstalled(sqlServer) ? 3 : 0;
}

// The driver manager fixes its system folder at its first call, so the folder's drivers are
// asked for in a process of its own that starts with ODBCSYSINI pointing there.
TEST_F(OdbcLiveTest, TheDriversOfTheDriverManagersFilesAreTheInstalledOnes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  {
    const testenv::ScopedEnvironment system("ODBCSYSINI", m_folder.path().toLocal8Bit().constData());
    EXPECT_EXIT(std::exit(CheckTheFoldersDrivers()), ::testing::ExitedWithCode(0), "");
  }

  // A list read under one configuration is not given under another, however recent.
  Write(Path("odbc.ini"), QStringLiteral("[first]\nDriver=%1\n").arg(kSqliteDriver));
  ASSERT_EQ(OdbcCatalog::DataSourceNames(false).size(), 1u);
  const QString other = Path("other.ini");
  Write(other, QStringLiteral("[second]\nDriver=%1\n[third]\nDriver=%1\n").arg(kSqliteDriver));
  const testenv::ScopedEnvironment otherIni("ODBCINI", other.toLocal8Bit().constData());
  EXPECT_EQ(OdbcCatalog::DataSourceNames(false).size(), 2u);
}

// Nothing listens on port 1: FreeTDS reaches the network, and the network's refusal is told.
TEST_F(OdbcLiveTest, SqlServerThroughFreeTdsMeetsTheNetworksRefusal) {
  if (!QFile::exists(kDriverFolder + QStringLiteral("libtdsodbc.so"))) GTEST_SKIP() << "FreeTDS is not installed";
  const Attributes attributes = {{QStringLiteral("server"), QStringLiteral("127.0.0.1,1")},
                                 {QStringLiteral("dbname"), QStringLiteral("sales")},
                                 {QStringLiteral("authentication"), QStringLiteral("username-password")},
                                 {QStringLiteral("username"), QStringLiteral("sa")},
                                 {QStringLiteral("password"), QStringLiteral("Sentinel-Secret-5521")}};
  try {
    TablesOf("sqlserver", attributes);
    FAIL() << "connected to a port nothing listens on";
  } catch (const DataSourceException& failure) {
    const std::string text = std::string(failure.what()) + failure.GetDetails().toStdString();
    EXPECT_TRUE(failure.GetReason() == DataSourceException::Reason::kRefused ||
                failure.GetReason() == DataSourceException::Reason::kTimedOut)
        << text;
    EXPECT_EQ(text.find("Sentinel-Secret"), std::string::npos) << text;
  }
}

// A class whose driver this machine lacks says so in its dialog and in its gallery entry; a
// class whose driver is there says nothing.
TEST_F(OdbcLiveTest, AMissingDriverIsToldInTheDialogAndTheGallery) {
  const std::string oracle = Services::DialogJson(QStringLiteral("oracle"), std::nullopt);
  EXPECT_NE(oracle.find(R"("driver-missing-info":"The driver \"Oracle 21 ODBC driver\" is not installed.)"),
            std::string::npos)
      << oracle;
  EXPECT_NE(oracle.find(R"("is-driver-installed":"false")"), std::string::npos);
  EXPECT_NE(Services::DialogJson(QStringLiteral("postgres"), std::nullopt).find(R"("driver-missing-info":"")"),
            std::string::npos);

  Services::GalleryOptions options;
  options.group = ConnectionTypeGroup::Server;
  const std::string gallery = Services::GalleryGroupJson(options);
  const auto entry = [&gallery](const char* connectionClass) {
    const std::size_t start = gallery.find(QStringLiteral(R"("value-class-attr":"%1")").arg(QLatin1String(connectionClass)).toStdString());
    return start == std::string::npos ? std::string() : gallery.substr(start, gallery.find('}', start) - start);
  };
  EXPECT_NE(entry("oracle").find(R"("driver-missing-info":"The driver \"Oracle 21 ODBC driver\")"), std::string::npos)
      << entry("oracle");
  std::vector<const char*> installed = {"postgres", "genericodbc"};
  if (QFile::exists(kDriverFolder + QStringLiteral("libtdsodbc.so"))) installed.push_back("sqlserver");
  for (const char* connectionClass : installed)
    EXPECT_EQ(entry(connectionClass).find("driver-missing-info"), std::string::npos) << entry(connectionClass);
}

}  // namespace
