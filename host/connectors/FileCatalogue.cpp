#include "host/connectors/FileCatalogue.h"

#include <QStringList>

TString AttributeValue(const ConnectionAttributeMap& attributes, const QString& name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? TString() : found->second;
}

TString FileCatalogue::RequestedTable(const Preview::Request& request) const {
  const TString doing = QStringLiteral("Previewing %1").arg(m_what);
  if (!request.sql.isEmpty()) Fail(doing, QStringLiteral("a custom SQL query is not possible on files"));
  if (request.table.IsEmpty()) Fail(doing, QStringLiteral("no table is named"));
  if (request.rows < 1 || request.rows > Preview::kMaxRows)
    Fail(doing, QStringLiteral("%1 rows asked for, not 1 to %2").arg(request.rows).arg(Preview::kMaxRows));
  return QStringList(request.table.GetComponents().begin(), request.table.GetComponents().end())
      .join(QLatin1Char('.'));
}

void FileCatalogue::Fail(const TString& doing, const TString& why, DataSourceException::Reason reason) {
  throw DataSourceException(QStringLiteral("%1 failed: %2").arg(doing, why), reason);
}

void FileCatalogue::Watch::Check() const {
  if (m_cancel != nullptr && m_cancel->load(std::memory_order_relaxed))
    Fail(m_doing, QStringLiteral("it was cancelled"), DataSourceException::Reason::kCancelled);
  if (std::chrono::steady_clock::now() >= m_deadline)
    Fail(m_doing, QStringLiteral("it took longer than its time-out"), DataSourceException::Reason::kTimedOut);
}

bool FileCatalogue::Budget::Take(std::size_t cells, std::size_t bytes) {
  if (m_cells + cells > kMaxCells || m_bytes + bytes > Preview::kMaxTotalBytes) return false;
  m_cells += cells;
  m_bytes += bytes;
  return true;
}
