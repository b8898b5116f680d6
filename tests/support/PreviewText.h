// Live connections of the file classes opened from their built-in descriptions, and previews
// written as one line of text that a test compares whole.
#pragma once

#include "host/connectors/DescriptionRegistry.h"
#include "host/connectors/LiveConnection.h"

#include <QStringList>

#include <memory>

namespace previewtext {

/// Opens a live connection of the built-in class `className` with `attributes`.
inline std::unique_ptr<LiveConnection> Open(const char* className, const ConnectionAttributeMap& attributes) {
  Connect::DescriptionRegistry registry;
  registry.LoadBuiltins();
  return LiveConnection::Open(*registry.Find(QLatin1String(className)), attributes);
}

inline Preview::Request Table(std::vector<TString> name, int rows = Preview::kDefaultRows) {
  Preview::Request request;
  request.table = QualifiedName(std::move(name));
  request.rows = rows;
  return request;
}
inline Preview::Request Table(const QString& name, int rows = Preview::kDefaultRows) {
  return Table(std::vector<TString>{name}, rows);
}

/// "name:type ... | cell ... | cell ...": whole numbers bare, real numbers with a "d", texts
/// quoted (one past 60 characters as its first letter and UTF-8 length: 'x...'(4096)), binary
/// data as "bin:" and its size, NULL as "null"; "+" at the end when there are more rows. With
/// `nullability`, a column that may hold NULL ends in "?", one that may not in "!".
inline QString Render(const Preview::Result& result, bool nullability = false) {
  QStringList parts, columns;
  for (const Preview::Column& column : result.columns)
    columns << column.name + QLatin1Char(':') + column.type +
                   (!nullability || column.nullable == Preview::Column::Nullable::kUnknown ? QString()
                    : column.nullable == Preview::Column::Nullable::kYes                    ? QStringLiteral("?")
                                                                                            : QStringLiteral("!"));
  parts << columns.join(QLatin1Char(' '));
  for (const std::vector<Preview::Cell>& row : result.rows) {
    QStringList cells;
    for (const Preview::Cell& cell : row) {
      if (const auto* number = std::get_if<std::int64_t>(&cell)) cells << QString::number(*number);
      else if (const auto* real = std::get_if<double>(&cell)) cells << QString::number(*real) + QLatin1Char('d');
      else if (const auto* truth = std::get_if<bool>(&cell)) cells << QLatin1String(*truth ? "true" : "false");
      else if (const auto* binary = std::get_if<Preview::Binary>(&cell)) cells << QStringLiteral("bin:%1").arg(binary->bytes);
      else if (const auto* text = std::get_if<TString>(&cell))
        cells << (text->size() > 60 ? QStringLiteral("'%1...'(%2)").arg(text->left(1)).arg(text->toUtf8().size())
                                    : QLatin1Char('\'') + *text + QLatin1Char('\''));
      else cells << QStringLiteral("null");
    }
    parts << cells.join(QLatin1Char(' '));
  }
  return parts.join(QLatin1String(" | ")) + (result.moreRows ? QStringLiteral(" +") : QString());
}

}  // namespace previewtext
