// CubeCatalogEnumerationPresModelBuilder: the catalog picker of a cube connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/CubeCatalogEnumerationPresModel.h"

/// Builds CubeCatalogEnumerationPresModel records: the catalogs of a hierarchical connection,
/// sorted by name, filtered by the search term, with the chosen catalog and its position.
///
/// Names are compared and searched without regard to case. The direction "asc" places a
/// catalog before another when its name compares greater, so "asc" lists the names from Z to
/// A and "desc" from A to Z. Catalogs with equal names keep the host's order.
///
/// A catalog whose name does not contain the search term is left out, unless it is the chosen
/// one (the current catalog, when valid, matched by name): the chosen catalog is always listed,
/// and its index counts only the catalogs listed before it. When two listed catalogs match,
/// the later one is the chosen one. A valid current catalog that is not listed leaves the
/// selection empty and the index at -1.
class HLVPRES_API CubeCatalogEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit CubeCatalogEnumerationPresModelBuilder(RefCntPtr<const HierarchicalDSConnectionConfig> config);
  virtual ~CubeCatalogEnumerationPresModelBuilder();

  /// A new record; never null (at its defaults for a null configuration). Exceptions of the
  /// configuration propagate.
  RefCntPtr<const CubeCatalogEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const HierarchicalDSConnectionConfig> m_config;
};
