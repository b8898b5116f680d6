// Preview: the columns and first rows of a table, a view or a custom SQL query of a live
// connection, read-only and bounded, as the data source page shows them.
#pragma once

#include "host/TString.h"
#include "host/values/QualifiedName.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <variant>
#include <vector>

namespace Preview {

/// The most rows a preview gives.
constexpr int kMaxRows = 1000;
/// The rows a preview gives when not told.
constexpr int kDefaultRows = 100;
/// The most UTF-8 bytes of one cell's text; a longer text is cut at a character boundary.
constexpr std::size_t kMaxCellBytes = 4096;
/// The most bytes of all cells together: each text's UTF-8 bytes plus 8 bytes for every cell of
/// any kind; the rows stop before it is passed (and moreRows is set).
constexpr std::size_t kMaxTotalBytes = std::size_t{8} << 20;

/// What to preview: a table or view, or a query. Exactly one of `table` and `sql` is given.
struct Request {
  /// The table or view, as the data source page names it (schema, then name).
  QualifiedName table;
  /// A custom SQL query, run as it is inside a read-only transaction.
  TString sql;
  /// How many rows, 1 to kMaxRows; another count is refused (DataSourceException), not clamped.
  int rows = kDefaultRows;
  /// How long the query may take; past it the query is cancelled.
  std::chrono::milliseconds timeout{30000};
  /// Set from another thread to cancel the query; may be null.
  const std::atomic<bool>* cancel = nullptr;
};

/// One column: its name, its type as the database names it, and whether it may hold NULL
/// (unknown when the database does not say).
struct Column {
  enum class Nullable { kUnknown, kYes, kNo };
  TString name;
  TString type;
  Nullable nullable = Nullable::kUnknown;
};

/// A binary value, given by its size only.
struct Binary {
  std::int64_t bytes = 0;
};

/// One cell: NULL, a whole number, a real number, a truth value, text, or binary data. Dates and
/// times are ISO 8601 text. An exact decimal is a double when it has at most 15 significant
/// digits (it reads back as the same decimal), else its exact text; a real that is not finite
/// (NaN, infinity) is text.
using Cell = std::variant<std::monostate, std::int64_t, double, bool, TString, Binary>;

/// The answer.
struct Result {
  std::vector<Column> columns;
  /// Each row has one cell per column.
  std::vector<std::vector<Cell>> rows;
  /// Whether the source had more rows than were given (the row count or kMaxTotalBytes).
  bool moreRows = false;
  /// How many cells' texts were cut at kMaxCellBytes.
  int cutCells = 0;
};

/// `text` cut to at most kMaxCellBytes UTF-8 bytes at a character boundary; counts a cut in
/// `result.cutCells`.
TString CapCell(TString text, Result& result);

}  // namespace Preview
