// Connection fixtures: cube and Google Analytics connections described by a JSON file
// (docs/fixtures.md) instead of read from a live service.
//
// A fixture names a hierarchical or Google Analytics class the connector registry knows, the
// connection's attributes and state, and what its catalog and cube pickers or its Google
// Analytics page hold. The configuration made from it is a described configuration of that
// class (host/connectors/DescribedConfigs.h) whose page queries answer from the fixture:
//
//   RefCntPtr<DSConnectionConfig> config = Connect::ConnectionFixture::Load(path);
//
// A host or a test may also fill a ConnectionFixture in code and call CreateConfig.
#pragma once

#include "host/Exceptions.h"
#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connectors/DescriptionFile.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connect/EnumerationInfo.h"
#include "host/connect/GoogleAnalytics.h"
#include "host/values/DataValue.h"

#include <QDate>

#include <cstddef>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace Connect {

/// The largest fixture read: 16 MiB.
inline constexpr std::size_t kMaxConnectionFixtureBytes = std::size_t{16} << 20;
/// The deepest nesting of arrays and objects a fixture may have.
inline constexpr int kMaxConnectionFixtureNesting = 16;

/// The state of the connection itself.
struct FixtureConnectionState {
  bool connected = true;
  int variablesCount = 0;
  bool uncommittedChanges = false;
};

/// What the catalog and cube pickers of a hierarchical connection hold. The default value is
/// what a configuration without a fixture answers: no catalogs, no cubes, nothing chosen.
struct CubeFixture {
  TString catalogListPrompt;
  /// The catalogs in the order the service lists them.
  std::vector<HierarchicalDSConnectionConfigElements::CatalogInfo> catalogs;
  /// The chosen catalog; invalid when none is.
  HierarchicalDSConnectionConfigElements::CatalogInfo currentCatalog;
  SortDirection catalogSortDirection = SortDirection::Asc;
  TString catalogSearchTerm;

  TString cubeListPrompt;
  /// The cubes of the current catalog in the order the service lists them.
  std::vector<HierarchicalDSConnectionConfigElements::CubeInfo> cubes;
  /// The chosen cube; invalid when none is. It need not be one of `cubes`.
  HierarchicalDSConnectionConfigElements::CubeInfo currentCube;
  /// The columns the cube list shows.
  std::vector<CubeMetadataCategory> metadataCategories;
  /// The column the cubes are sorted by; Invalid keeps the listed order.
  CubeMetadataCategory sortCategory = CubeMetadataCategory::Invalid;
  SortDirection cubeSortDirection = SortDirection::Asc;
  TString cubeSearchTerm;
};

/// What the Google Analytics page of a connection holds. The default value is what a
/// configuration without a fixture answers: empty lists, nothing chosen, the last 30 days
/// without dates, an unsampled response.
struct GoogleAnalyticsFixture {
  using BasicItems = IGoogleAnalyticsConnectionConfig::BasicItems;
  using Items = IGoogleAnalyticsConnectionConfig::Items;

  BasicItems accounts;
  BasicItems properties;
  BasicItems views;
  /// Positions in the lists above; -1 when nothing is chosen.
  int selectedAccount = -1;
  int selectedProperty = -1;
  int selectedView = -1;

  DateRange dateRange = DateRange::DateRangeLast30;
  /// Null dates when the fixture gives none.
  QDate startDate;
  QDate endDate;

  Items possibleDimensions;
  Items possibleMeasures;
  Items selectedDimensions;
  Items selectedMeasures;

  std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet> measureSets;
  int selectedMeasureSet = -1;
  std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment> segments;
  int selectedSegment = -1;

  /// What the last query's response said, by name ("response-sampled", "sample-size",
  /// "sample-space", or any other).
  std::map<TString, DataValue> queryResponseInfo;
  bool partitioningOn = false;
  bool canPartition = false;
  bool generalRestriction = false;
  /// The items that keep the query from being partitioned.
  Items restrictingDimensions;
  Items restrictingMeasures;
};

/// One connection as a fixture describes it.
class HLVHOST_API ConnectionFixture {
 public:
  /// Where the fixture came from, for messages.
  TString file;
  /// A hierarchical or Google Analytics class of Connect::Registry::Instance().
  TString className;
  /// The caption of the connection's data source; empty for none.
  TString name;
  /// The connection's attributes; "class" is added when missing.
  ConnectionAttributeMap attributes;
  FixtureConnectionState state;
  /// Exactly the one that fits the class's model is used; a missing one answers empty.
  std::optional<CubeFixture> cube;
  std::optional<GoogleAnalyticsFixture> googleAnalytics;

  /// The fixture held by the UTF-8 JSON text `json`; `file` names where the text came from in
  /// messages. The class is looked up in Connect::Registry::Instance(). Text that is not JSON,
  /// too large or too deep, a missing, mistyped, unknown or repeated field, an unknown enum
  /// string, an unknown class or one that is neither hierarchical nor Google Analytics, or a
  /// choice that names nothing listed raise DescriptionFileException.
  static ConnectionFixture Parse(std::string_view json, const TString& file);
  /// The fixture in the file `path`. A file that cannot be read, or is larger than
  /// kMaxConnectionFixtureBytes, raises DescriptionFileException as a malformed one does.
  static ConnectionFixture Read(const TString& path);
  /// The configuration the fixture in the file `path` describes: Read(path).CreateConfig().
  static RefCntPtr<DSConnectionConfig> Load(const TString& path);

  /// A new configuration of the fixture's class, not a new connection, with the fixture's
  /// attributes and state and a data source of those attributes captioned with `name`; its
  /// catalog and cube queries (hierarchical class) or its Google Analytics queries answer from
  /// `cube` or `googleAnalytics`. A class the registry does not know, or of another model,
  /// raises DescriptionFileException naming the field "/class".
  RefCntPtr<DSConnectionConfig> CreateConfig() const;
};

}  // namespace Connect
