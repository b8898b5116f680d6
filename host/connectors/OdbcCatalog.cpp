#include "host/connectors/OdbcCatalog.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>

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

}  // namespace

std::vector<TString> DriverNames() {
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

std::vector<DataSourceName> DataSourceNames(bool systemOnly) {
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

}  // namespace OdbcCatalog
