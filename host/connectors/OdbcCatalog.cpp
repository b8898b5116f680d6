#include "host/connectors/OdbcCatalog.h"

#include "host/detail/RecentValue.h"

#include <sql.h>
#include <sqlext.h>

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>

namespace OdbcCatalog {

namespace {

// An ODBC 3 environment handle, freed when it goes.
class Environment {
 public:
  Environment() {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_handle))) {
      m_handle = SQL_NULL_HENV;
      return;
    }
    // Without a declared version the driver manager refuses every call.
    SQLSetEnvAttr(m_handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~Environment() {
    if (m_handle != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  SQLHENV Get() const { return m_handle; }

 private:
  SQLHENV m_handle = SQL_NULL_HENV;
};

TString FromOdbc(const SQLCHAR* text, SQLSMALLINT length) {
  return TStringFromUtf8(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
}

// Each listing makes the driver manager read its configuration files again, a tenth of a
// millisecond and more, and unixODBC keeps some memory from every listing, so that listing on
// every driver check made each check slower than the one before. A dialog checks once per
// connection option and a host may build many dialogs in a row: they share one listing. After
// a few seconds the next check lists again, so that a driver or data source name installed
// while the application runs shows up in the next dialog the user opens.
constexpr std::chrono::seconds kListLifetime{5};

std::vector<TString> ReadDriverNames() {
  std::vector<TString> names;
  const Environment environment;
  if (environment.Get() == SQL_NULL_HENV) return names;
  std::array<SQLCHAR, 512> name{};
  std::array<SQLCHAR, 2048> attributes{};
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDrivers(environment.Get(), direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                  &nameLength, attributes.data(), static_cast<SQLSMALLINT>(attributes.size()),
                                  &attributesLength))) {
    names.push_back(FromOdbc(name.data(), std::min<SQLSMALLINT>(nameLength, name.size() - 1)));
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

std::vector<DataSourceName> ReadDataSourceNames(bool systemOnly) {
  std::vector<DataSourceName> names;
  const Environment environment;
  if (environment.Get() == SQL_NULL_HENV) return names;
  std::array<SQLCHAR, SQL_MAX_DSN_LENGTH + 1> name{};
  std::array<SQLCHAR, 512> driver{};
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT driverLength = 0;
  SQLUSMALLINT direction = systemOnly ? SQL_FETCH_FIRST_SYSTEM : SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDataSources(environment.Get(), direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                      &nameLength, driver.data(), static_cast<SQLSMALLINT>(driver.size()),
                                      &driverLength))) {
    names.push_back({FromOdbc(name.data(), std::min<SQLSMALLINT>(nameLength, name.size() - 1)),
                     FromOdbc(driver.data(), std::min<SQLSMALLINT>(driverLength, driver.size() - 1))});
    direction = SQL_FETCH_NEXT;
  }
  return names;
}

// The variables that tell the driver manager where its configuration files are: a list read
// under other values is not the list of the files they name now.
QByteArray ConfigurationKey() {
  QByteArray key;
  for (const char* name : {"ODBCSYSINI", "ODBCINSTINI", "ODBCINI", "HOME"}) key += qgetenv(name) + '\0';
  return key;
}

// The recent lists, one for each configuration they were read under.
template <typename T>
class RecentLists {
 public:
  template <typename Read>
  T Get(Read&& read) {
    RecentValue<T>* list = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      std::unique_ptr<RecentValue<T>>& slot = m_byKey[ConfigurationKey()];
      if (!slot) slot = std::make_unique<RecentValue<T>>(kListLifetime);
      list = slot.get();
    }
    return list->Get(std::forward<Read>(read));
  }

 private:
  std::mutex m_mutex;
  // A process sees few configurations, so the map stays small.
  std::map<QByteArray, std::unique_ptr<RecentValue<T>>> m_byKey;
};

}  // namespace

std::vector<TString> DriverNames() {
  static RecentLists<std::vector<TString>> names;
  return names.Get(&ReadDriverNames);
}

std::vector<DataSourceName> DataSourceNames(bool systemOnly) {
  static RecentLists<std::vector<DataSourceName>> systemNames;
  static RecentLists<std::vector<DataSourceName>> allNames;
  return (systemOnly ? systemNames : allNames).Get([systemOnly] { return ReadDataSourceNames(systemOnly); });
}

}  // namespace OdbcCatalog
