// SQLRelation: a relation (table or custom SQL) of a connection, found by its alias.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"

#include <utility>

class HLVHOST_API SQLRelation : public RefCntObject {
 public:
  explicit SQLRelation(TString alias) : m_alias(std::move(alias)) {}

  /// The alias the relation goes by in the data source, such as "Orders".
  const TString& GetAlias() const noexcept { return m_alias; }

 protected:
  ~SQLRelation() override;

 private:
  TString m_alias;
};

/// A database table.
class HLVHOST_API SQLTableRelation final : public SQLRelation {
 public:
  SQLTableRelation(TString alias, TString table) : SQLRelation(std::move(alias)), m_table(std::move(table)) {}

  /// The table's qualified name as the database writes it, such as "[public].[orders]".
  const TString& GetTable() const noexcept { return m_table; }

 private:
  ~SQLTableRelation() override;

  TString m_table;
};

/// A relation defined by the user's own SQL query (custom SQL).
class HLVHOST_API SQLTextRelation final : public SQLRelation {
 public:
  SQLTextRelation(TString alias, TString sql) : SQLRelation(std::move(alias)), m_sql(std::move(sql)) {}

  /// The query as stored, parameter tokens in their stored form "<[Parameters].[NAME]>".
  const TString& GetSQL() const noexcept { return m_sql; }

 private:
  ~SQLTextRelation() override;

  TString m_sql;
};

class IDataSource;

namespace TokenSubstitutionUtils {

/// `sql` with each parameter token "<[Parameters].[NAME]>" in the form users read,
/// "<Parameters.CAPTION>", the caption coming from `dataSource`. Text that is not a whole
/// token is left as it is.
HLVHOST_API TString PrepareParameterTokensForDisplay(const TString& sql, const RefCntPtr<IDataSource>& dataSource);

}  // namespace TokenSubstitutionUtils
