#include "presentation-model/CubeCatalogEnumerationPresModelBuilder.h"

#include "presentation-model/CubeCatalogPresModel.h"

#include <algorithm>
#include <utility>
#include <vector>

CubeCatalogEnumerationPresModelBuilder::CubeCatalogEnumerationPresModelBuilder(
    RefCntPtr<const HierarchicalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
CubeCatalogEnumerationPresModelBuilder::~CubeCatalogEnumerationPresModelBuilder() = default;

RefCntPtr<const CubeCatalogEnumerationPresModel> CubeCatalogEnumerationPresModelBuilder::Build() const {
  using CatalogInfo = HierarchicalDSConnectionConfig::CatalogInfo;

  RefCntPtr<CubeCatalogEnumerationPresModel> presModel = MakeRefCnt<CubeCatalogEnumerationPresModel>();
  if (!m_config) return presModel;

  presModel->SetCatalogListPrompt(m_config->GetCatalogListPrompt());
  const CatalogInfo current = m_config->GetCurrentCatalog();
  std::vector<CatalogInfo> catalogs;
  m_config->EnumerateCatalogs(catalogs);
  const SortDirection direction = m_config->GetCatalogSortDirection();
  presModel->SetSortDirection(direction);

  // "asc" puts the greater name first. Stable, so that equal names keep the host's order.
  const bool greaterFirst = direction == SortDirection::Asc;
  std::stable_sort(catalogs.begin(), catalogs.end(), [greaterFirst](const CatalogInfo& a, const CatalogInfo& b) {
    const int order = a.GetName().compare(b.GetName(), Qt::CaseInsensitive);
    return greaterFirst ? order > 0 : order < 0;
  });

  const TString searchTerm = m_config->GetCatalogSearchTerm();
  presModel->SetSearchTerm(searchTerm);

  int position = 0;
  for (const CatalogInfo& catalog : catalogs) {
    const bool chosen = current.IsValid() && current.GetName() == catalog.GetName();
    // The chosen catalog stays listed whatever the search, so that the picker can show it.
    if (!chosen && !searchTerm.isEmpty() && !catalog.GetName().contains(searchTerm, Qt::CaseInsensitive)) continue;

    RefCntPtr<CubeCatalogPresModel> record = MakeRefCnt<CubeCatalogPresModel>();
    record->SetCatalogName(catalog.GetName());
    if (chosen) {
      presModel->SetSelectedCatalog(record);
      presModel->SetSelectedCatalogIndex(position);
    }
    presModel->AddPossibleCatalog(std::move(record));
    ++position;
  }
  return presModel;
}
