// CubeEnumerationPresModelBuilder: the cube picker of a cube connection's catalog.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/values/DateTime.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/CubeEnumerationPresModel.h"

/// Builds CubeEnumerationPresModel records: the cubes of a hierarchical connection with the
/// columns the list shows, sorted by the sort column, filtered by the search term, with the
/// chosen cube and its position.
///
/// Sorting: with the sort column "invalid" the cubes keep the host's order. Otherwise the
/// direction "asc" lists the last-updated column from the earliest time to the latest, and the
/// name and description columns from the greatest text to the least (Z to A); "desc" runs
/// both the other way. Text is compared without
/// regard to case; cubes that compare equal keep the host's order.
///
/// A cube whose name and description both lack the search term (searched without regard to
/// case) is left out, unless it is the chosen one: the current cube, when valid, matched by its
/// full name, name and description. The chosen cube is always listed, and its index counts only
/// the cubes listed before it; when two listed cubes match, the later one is the chosen one.
///
/// Each record has its full name, and the name, description and last-updated text only when
/// the list shows that column (the time as MetadataFormatter::FormatFriendlyTimeUTC writes it,
/// relative to the current time set with SetCurrentDateTime).
///
/// The two logic exceptions of Build report fixed lines of this builder's source file, which
/// hosts match on: line 201 for the chosen cube missing from the list, line 85 for an unknown
/// sort column.
class HLVPRES_API CubeEnumerationPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit CubeEnumerationPresModelBuilder(RefCntPtr<const HierarchicalDSConnectionConfig> config);
  virtual ~CubeEnumerationPresModelBuilder();

  /// The time "now" for the last-updated texts; null (the default) lets the formatter read the
  /// clock. Not owned: it must outlive every Build that uses it.
  void SetCurrentDateTime(const DateTime* now) noexcept { m_now = now; }

  /// A new record; never null (at its defaults for a null configuration).
  ///
  /// A valid current cube that is not in the host's list raises LogicException at line 201
  /// with "!selectedCubeInfo.IsValid() || presModel->GetSelectedCube() != nullptr"; a sort
  /// column outside the four known ones raises LogicException at line 85 with "false".
  /// Exceptions of the configuration propagate.
  RefCntPtr<const CubeEnumerationPresModel> Build() const;

 private:
  RefCntPtr<const HierarchicalDSConnectionConfig> m_config;
  const DateTime* m_now = nullptr;
};
