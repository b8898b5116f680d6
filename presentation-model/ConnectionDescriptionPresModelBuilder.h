// ConnectionDescriptionPresModelBuilder: the data source page of an open connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionDescriptionPresModel.h"
#include "presentation-model/SimpleConnectionDescriptionPresModel.h"

#include <map>

/// Builds ConnectionDescriptionPresModel records: what the data source page shows beside its
/// join area for one connection (its kind, state, labels and attributes, what it allows, its
/// pickers and its main widget), and the lighter SimpleConnectionDescriptionPresModel.
///
/// The pickers are built by the enumeration, cube and Google Analytics builders; the parts a
/// shared document owns (a server data source's connection, the slow-metadata searches) by the
/// shared-document helper (HlvdocPresModelHelper), made anew for each use.
class HLVPRES_API ConnectionDescriptionPresModelBuilder {
 public:
  /// Keeps `config`, which may be null. A federated configuration is never described: it
  /// raises LogicException "!config || !config->IsFederatedConfig()".
  explicit ConnectionDescriptionPresModelBuilder(RefCntPtr<const DSConnectionConfig> config);
  virtual ~ConnectionDescriptionPresModelBuilder();

  /// The page of the connection. The record stays at its defaults for a null configuration, a
  /// configuration without a data source, or one whose data source skips the description (the
  /// caller cannot tell these apart). `olapFlag` true allows custom SQL whatever the
  /// connection says of custom SQL with OLAP off. Exceptions of the configuration and of the
  /// picker builders propagate.
  RefCntPtr<ConnectionDescriptionPresModel> Build(bool olapFlag);

  /// The connection's kind, recommendation abilities and attributes; at its defaults for a null
  /// configuration.
  RefCntPtr<SimpleConnectionDescriptionPresModel> BuildSimple();

 private:
  using Record = RefCntPtr<ConnectionDescriptionPresModel>;

  void BuildRelationalConfig(Record& record, bool olapFlag);
  void BuildHierarchicalConfig(Record& record);
  /// Keeps only the fifteen label keys of the join area (JoinDescription), compared exactly.
  static void DiscardNonLabelProperties(std::map<TString, TString>& properties);

  void AddWarehouses(Record& record);
  void AddDatabases(Record& record);
  void AddSchemas(Record& record);
  void AddStandardConnections(Record& record);
  void AddStoredProcedures(Record& record);
  void AddTableInfos(Record& record);
  void AddCatalogs(Record& record);
  void AddCubes(Record& record);
  void AddGoogleAnalytics(Record& record);
  /// The server data source part, by the shared-document helper.
  void AddHalvaneServer(Record& record);
  /// The server's browsing state, by the shared-document helper. Nothing in the library calls
  /// it; the page asks for it as the user browses.
  void AddHalvaneServerData(Record& record);

  RefCntPtr<const DSConnectionConfig> m_config;
};
