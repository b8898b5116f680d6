// The keys of the join area's labels: what a relational configuration's
// GetJoinDescriptionGlobalProperties fills, and what the data source page shows.
#pragma once

#include <QLatin1String>

namespace JoinDescription {

inline constexpr QLatin1String ConnectionTypeLabel{"ConnectionTypeLabel"};
inline constexpr QLatin1String ConnectionDescriptionHeaderLabel{"ConnectionDescriptionHeaderLabel"};
inline constexpr QLatin1String ConnectionDescriptionLabel{"ConnectionDescriptionLabel"};
inline constexpr QLatin1String DatabaseHeaderLabel{"DatabaseHeaderLabel"};
inline constexpr QLatin1String DatabaseLabel{"DatabaseLabel"};
inline constexpr QLatin1String SchemaHeaderLabel{"SchemaHeaderLabel"};
inline constexpr QLatin1String SchemaLabel{"SchemaLabel"};
inline constexpr QLatin1String TableHeaderLabel{"TableHeaderLabel"};
inline constexpr QLatin1String StandardConnectionHeaderLabel{"StandardConnectionHeaderLabel"};
inline constexpr QLatin1String WarehouseHeaderLabel{"WarehouseHeaderLabel"};
inline constexpr QLatin1String SingleTableLabel{"SingleTableLabel"};
inline constexpr QLatin1String MultipleTableLabel{"MultipleTableLabel"};
/// What the database, schema and warehouse pickers show while nothing is chosen.
inline constexpr QLatin1String DatabaseComboFallbackText{"DatabaseComboFallbackText"};
inline constexpr QLatin1String SchemaComboFallbackText{"SchemaComboFallbackText"};
inline constexpr QLatin1String WarehouseComboFallbackText{"WarehouseComboFallbackText"};

}  // namespace JoinDescription
