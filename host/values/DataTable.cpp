#include "host/values/DataTable.h"

#include "host/Exceptions.h"

DataTable::DataTable(std::vector<NamedColumn> columns, unsigned int rowCount)
    : m_columns(std::move(columns)), m_rowCount(rowCount) {
  for (const NamedColumn& column : m_columns) HLV_ASSERT(column.second != nullptr);
}

DataTable::~DataTable() = default;
