// FileCatalogue: what the catalogues of files the host reads itself (a folder of text files, an
// Excel workbook) share. Such a catalogue lists tables only, has no Qt connection and no SQL.
// Internal to LiveConnection.
#pragma once

#include "host/connect/DataSourceException.h"
#include "host/connectors/LiveCatalogue.h"

#include <chrono>
#include <cstddef>

class FileCatalogue : public LiveCatalogue {
 public:
  /// `what` names the file or folder in messages, such as: the text file "/data/sales.csv".
  explicit FileCatalogue(TString what) : LiveCatalogue(TString()), m_what(std::move(what)) {}

  bool Lists(LiveConnection::List list) const override { return list == LiveConnection::List::kTables; }
  void Databases(std::vector<TString>&) const override {}
  void Schemas(std::vector<TString>&) const override {}
  void StoredProcedures(const TString&, std::vector<QualifiedName>&) const override {}
  TString CurrentSchema() const override { return TString(); }

 protected:
  const TString& What() const noexcept { return m_what; }

  /// The table `request` names, which has no schema: its components joined by dots, so that
  /// "sales.csv" written without brackets names the file. Raises DataSourceException for a
  /// custom SQL query, which no file class runs, for no table and for a row count out of range.
  TString RequestedTable(const Preview::Request& request) const;

 public:
  /// Raises DataSourceException saying that `doing` failed and why, with `reason`.
  [[noreturn]] static void Fail(const TString& doing, const TString& why,
                                DataSourceException::Reason reason = DataSourceException::Reason::kOther);

  /// Watches a preview's cancel flag and deadline; Check raises DataSourceException (kCancelled,
  /// kTimedOut) once either is reached, saying that `doing` failed.
  class Watch {
   public:
    Watch(const Preview::Request& request, TString doing)
        : m_cancel(request.cancel),
          m_deadline(std::chrono::steady_clock::now() + request.timeout),
          m_doing(std::move(doing)) {}
    /// Checks on every kEvery-th call only, so that a loop may call it for each row.
    void Tick() {
      if (++m_ticks % kEvery == 0) Check();
    }
    void Check() const;

   private:
    static constexpr unsigned kEvery = 1024;
    const std::atomic<bool>* m_cancel;
    std::chrono::steady_clock::time_point m_deadline;
    TString m_doing;
    unsigned m_ticks = 0;
  };

  /// Counts what a preview keeps against Preview's byte cap and a cap on cells, so that a very
  /// wide table stays bounded too.
  class Budget {
   public:
    /// Whether a row of `cells` cells and `bytes` bytes of text still fits; counts it if so.
    bool Take(std::size_t cells, std::size_t bytes);

   private:
    static constexpr std::size_t kMaxCells = std::size_t{1} << 20;
    std::size_t m_cells = 0;
    std::size_t m_bytes = 0;
  };

 private:
  const TString m_what;
};

/// The attribute `name` of `attributes`, empty when it is absent.
TString AttributeValue(const ConnectionAttributeMap& attributes, const QString& name);
