// DataTable: a small table of named data columns.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/values/DataColumn.h"
#include "host/values/QualifiedName.h"

#include <utility>
#include <vector>

/// Columns, each under its qualified name, in order, and the number of rows.
///
/// The row count is kept as given; the table does not compare it with its columns' lengths.
class HLVHOST_API DataTable final : public RefCntObject {
 public:
  using NamedColumn = std::pair<QualifiedName, RefCntPtr<DataColumn>>;

  /// A null column is a logic error.
  DataTable(std::vector<NamedColumn> columns, unsigned int rowCount);

  const std::vector<NamedColumn>& GetColumns() const noexcept { return m_columns; }
  unsigned int GetRowCount() const noexcept { return m_rowCount; }

 private:
  ~DataTable() override;

  std::vector<NamedColumn> m_columns;
  unsigned int m_rowCount;
};
