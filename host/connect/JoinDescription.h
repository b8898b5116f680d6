// The keys of the join area's labels: what a relational configuration's
// GetJoinDescriptionGlobalProperties fills, and what the data source page shows.
#pragma once

#include "host/TString.h"

#include <QLatin1String>

namespace JoinDescription {

inline constexpr QLatin1String ConnectionTypeLabel = Latin1Literal("ConnectionTypeLabel");
inline constexpr QLatin1String ConnectionDescriptionHeaderLabel = Latin1Literal("ConnectionDescriptionHeaderLabel");
inline constexpr QLatin1String ConnectionDescriptionLabel = Latin1Literal("ConnectionDescriptionLabel");
inline constexpr QLatin1String DatabaseHeaderLabel = Latin1Literal("DatabaseHeaderLabel");
inline constexpr QLatin1String DatabaseLabel = Latin1Literal("DatabaseLabel");
inline constexpr QLatin1String SchemaHeaderLabel = Latin1Literal("SchemaHeaderLabel");
inline constexpr QLatin1String SchemaLabel = Latin1Literal("SchemaLabel");
inline constexpr QLatin1String TableHeaderLabel = Latin1Literal("TableHeaderLabel");
inline constexpr QLatin1String StandardConnectionHeaderLabel = Latin1Literal("StandardConnectionHeaderLabel");
inline constexpr QLatin1String WarehouseHeaderLabel = Latin1Literal("WarehouseHeaderLabel");
inline constexpr QLatin1String SingleTableLabel = Latin1Literal("SingleTableLabel");
inline constexpr QLatin1String MultipleTableLabel = Latin1Literal("MultipleTableLabel");
/// What the database, schema and warehouse pickers show while nothing is chosen.
inline constexpr QLatin1String DatabaseComboFallbackText = Latin1Literal("DatabaseComboFallbackText");
inline constexpr QLatin1String SchemaComboFallbackText = Latin1Literal("SchemaComboFallbackText");
inline constexpr QLatin1String WarehouseComboFallbackText = Latin1Literal("WarehouseComboFallbackText");

}  // namespace JoinDescription
