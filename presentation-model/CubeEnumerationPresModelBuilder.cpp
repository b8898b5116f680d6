#include "presentation-model/CubeEnumerationPresModelBuilder.h"

#include "host/Exceptions.h"
#include "presentation-model/CubePresModel.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace {

using CubeInfo = HierarchicalDSConnectionConfig::CubeInfo;

// How two cubes compare in one column: positive when the first belongs before the second
// in an "asc" list.
using CubeComparison = int (*)(const CubeInfo& a, const CubeInfo& b);

int CompareNames(const CubeInfo& a, const CubeInfo& b) { return a.GetName().compare(b.GetName(), Qt::CaseInsensitive); }

int CompareDescriptions(const CubeInfo& a, const CubeInfo& b) {
  return a.GetDescription().compare(b.GetDescription(), Qt::CaseInsensitive);
}

// Earlier times first in an "asc" list.
int CompareLastUpdated(const CubeInfo& a, const CubeInfo& b) {
  if (a.GetLastUpdated() < b.GetLastUpdated()) return 1;
  if (a.GetLastUpdated() > b.GetLastUpdated()) return -1;
  return 0;
}

// The comparison of the sort column `category`; "invalid" is never sorted by, and an unknown
// column is a programming error. The line reported is fixed: hosts recognise the failure by it.
CubeComparison ComparisonFor(CubeMetadataCategory category) {
  switch (category) {
    case CubeMetadataCategory::Name:
      return &CompareNames;
    case CubeMetadataCategory::Description:
      return &CompareDescriptions;
    case CubeMetadataCategory::LastUpdated:
      return &CompareLastUpdated;
    case CubeMetadataCategory::Invalid:
      break;
  }
  HLV_THROW_LOGIC_AT(85, "false");
}

// Whether `cube` is the host's current cube. The name, which tells most cubes apart, is
// compared first; the full name, a list of names, last.
bool IsChosen(const CubeInfo& current, const CubeInfo& cube) {
  return current.IsValid() && current.GetName() == cube.GetName() && current.GetDescription() == cube.GetDescription() &&
         current.GetFullName() == cube.GetFullName();
}

}  // namespace

CubeEnumerationPresModelBuilder::CubeEnumerationPresModelBuilder(RefCntPtr<const HierarchicalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
CubeEnumerationPresModelBuilder::~CubeEnumerationPresModelBuilder() = default;

RefCntPtr<const CubeEnumerationPresModel> CubeEnumerationPresModelBuilder::Build() const {
  RefCntPtr<CubeEnumerationPresModel> presModel = MakeRefCnt<CubeEnumerationPresModel>();
  if (!m_config) return presModel;

  presModel->SetCubeListPrompt(m_config->GetCubeListPrompt());
  const CubeInfo selectedCubeInfo = m_config->GetCurrentCube();
  std::vector<CubeInfo> cubes;
  m_config->EnumerateCubes(cubes);

  std::vector<CubeMetadataCategory> categoryList = m_config->GetCubeMetadataCategories();
  const std::set<CubeMetadataCategory> categories(categoryList.begin(), categoryList.end());
  presModel->SetMetadataCategories(std::move(categoryList));
  const CubeMetadataCategory sortCategory = m_config->GetCubeSortMetadataCategory();
  presModel->SetSortMetadataCategory(sortCategory);
  const SortDirection direction = m_config->GetCubeSortDirection();
  presModel->SetSortDirection(direction);
  const TString searchTerm = m_config->GetCubeSearchTerm();
  presModel->SetSearchTerm(searchTerm);

  if (sortCategory != CubeMetadataCategory::Invalid) {
    const CubeComparison compare = ComparisonFor(sortCategory);
    const bool ascending = direction == SortDirection::Asc;
    // Stable, so that cubes comparing equal keep the host's order.
    std::stable_sort(cubes.begin(), cubes.end(), [compare, ascending](const CubeInfo& a, const CubeInfo& b) {
      const int order = compare(a, b);
      return ascending ? order > 0 : order < 0;
    });
  }

  const bool showsName = categories.count(CubeMetadataCategory::Name) != 0;
  const bool showsDescription = categories.count(CubeMetadataCategory::Description) != 0;
  const bool showsLastUpdated = categories.count(CubeMetadataCategory::LastUpdated) != 0;
  int position = 0;
  for (const CubeInfo& cube : cubes) {
    const bool chosen = IsChosen(selectedCubeInfo, cube);
    // The chosen cube stays listed whatever the search, so that the picker can show it.
    if (!chosen && !searchTerm.isEmpty() && !cube.GetName().contains(searchTerm, Qt::CaseInsensitive) &&
        !cube.GetDescription().contains(searchTerm, Qt::CaseInsensitive))
      continue;

    RefCntPtr<CubePresModel> record = MakeRefCnt<CubePresModel>();
    record->SetFullName(cube.GetFullName());
    if (showsName) record->SetName(cube.GetName());
    if (showsDescription) record->SetDescription(cube.GetDescription());
    if (showsLastUpdated) record->SetLastUpdated(MetadataFormatter::FormatFriendlyTimeUTC(cube.GetLastUpdated(), m_now));
    if (chosen) {
      presModel->SetSelectedCube(record);
      presModel->SetSelectedCubeIndex(position);
    }
    presModel->AddPossibleCube(std::move(record));
    ++position;
  }

  // The host's current cube must be one of its cubes. The line reported is fixed: hosts
  // recognise the failure by it.
  if (!(!selectedCubeInfo.IsValid() || presModel->GetSelectedCube() != nullptr))
    HLV_THROW_LOGIC_AT(201, "!selectedCubeInfo.IsValid() || presModel->GetSelectedCube() != nullptr");
  return presModel;
}
