// What the pickers of a data source page list: tables of a relational connection, catalogs and
// cubes of a hierarchical one. Plain values.
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/TString.h"
#include "host/values/DateTime.h"
#include "host/values/QualifiedName.h"

#include <utility>

/// One table (or view) a relational connection offers.
class HLVHOST_API RelationalDSConnectionConfigTableInfo {
 public:
  RelationalDSConnectionConfigTableInfo(QualifiedName name, TString caption, TString tooltip, TString sortKey,
                                        TablePillIcon icon, bool enabled)
      : m_name(std::move(name)), m_caption(std::move(caption)), m_tooltip(std::move(tooltip)),
        m_sortKey(std::move(sortKey)), m_icon(icon), m_enabled(enabled) {}

  const QualifiedName& GetQualifiedName() const noexcept { return m_name; }
  const TString& GetCaption() const noexcept { return m_caption; }
  const TString& GetTooltip() const noexcept { return m_tooltip; }
  const TString& GetSortKey() const noexcept { return m_sortKey; }

  // Each part moved out, for one done with this info (a page builder copying 100,000 tables):
  // it leaves the empty value behind.
  QualifiedName TakeQualifiedName() noexcept { return std::move(m_name); }
  TString TakeCaption() noexcept { return std::move(m_caption); }
  TString TakeTooltip() noexcept { return std::move(m_tooltip); }
  TString TakeSortKey() noexcept { return std::move(m_sortKey); }
  TablePillIcon GetIconEnum() const noexcept { return m_icon; }
  bool IsEnabled() const noexcept { return m_enabled; }

 private:
  QualifiedName m_name;
  TString m_caption;
  TString m_tooltip;
  TString m_sortKey;
  TablePillIcon m_icon;
  bool m_enabled;
};

namespace HierarchicalDSConnectionConfigElements {

/// A catalog of a cube connection; the default one denotes none.
class HLVHOST_API CatalogInfo {
 public:
  CatalogInfo() = default;
  explicit CatalogInfo(TString name) : m_name(std::move(name)), m_valid(true) {}

  const TString& GetName() const noexcept { return m_name; }
  bool IsValid() const noexcept { return m_valid; }

 private:
  TString m_name;
  bool m_valid = false;
};

/// A cube of a catalog; the default one denotes none.
class HLVHOST_API CubeInfo {
 public:
  CubeInfo() = default;
  CubeInfo(QualifiedName fullName, TString name, TString description, DateTime lastUpdated)
      : m_fullName(std::move(fullName)), m_name(std::move(name)), m_description(std::move(description)),
        m_lastUpdated(std::move(lastUpdated)), m_valid(true) {}

  const QualifiedName& GetFullName() const noexcept { return m_fullName; }
  const TString& GetName() const noexcept { return m_name; }
  const TString& GetDescription() const noexcept { return m_description; }
  const DateTime& GetLastUpdated() const noexcept { return m_lastUpdated; }
  bool IsValid() const noexcept { return m_valid; }

 private:
  QualifiedName m_fullName;
  TString m_name;
  TString m_description;
  DateTime m_lastUpdated;
  bool m_valid = false;
};

}  // namespace HierarchicalDSConnectionConfigElements
