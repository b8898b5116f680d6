// HlvdocPresModelHelper: what the shared document adds to the data source page of a
// connection, for the parts the library cannot fill from the connection model alone.
#pragma once

#include "host/RefCntObject.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionDescriptionPresModel.h"

#include <QLatin1String>

/// The shared-document helper the connection description builder hands the parts of the page
/// that belong to the host: the published data source a server data source connection points
/// at, the server's browsing state, and the searches of a connection whose metadata is slow.
///
/// It is made by name through ObjectFactoryUtils::CreateObject(kLibrary, kObjectId). The library
/// registers DefaultHlvdocPresModelHelper under that name when it loads; a host registers its
/// own factory under the same name afterwards (ObjectFactoryUtils::RegisterFactory) to replace
/// it. The builder makes one helper per use and releases it at once, so a helper need keep no
/// state between calls.
class HLVPRES_API HlvdocPresModelHelper : public RefCntObject {
 public:
  /// The library and object names the helper is made by.
  static constexpr QLatin1String kLibrary = Latin1Literal("SharedHlvDoc");
  static constexpr QLatin1String kObjectId = Latin1Literal("HlvdocPresModelHelperID");

  /// A new helper from the factory registered under kLibrary and kObjectId. Raises
  /// LogicException when none is registered or it makes no HlvdocPresModelHelper.
  static RefCntPtr<HlvdocPresModelHelper> Create();

  /// Fills the server data source part of `record` (GetHalvaneServerPresModel) for the server
  /// data source connection `config`.
  virtual void AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>& config,
                                RefCntPtr<ConnectionDescriptionPresModel>& record) = 0;
  /// Fills the server's browsing state of `record` (GetHalvaneServerDataPresModel).
  virtual void AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>& record) = 0;
  /// Fills the schema and table searches of `record` for `rel`, a connection whose metadata is
  /// slow to read.
  virtual void AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>& record,
                               const RefCntPtr<const RelationalDSConnectionConfig>& rel) = 0;

 protected:
  HlvdocPresModelHelper() = default;
  ~HlvdocPresModelHelper() override;
};

/// The helper a host without a shared document of its own gets. It reads everything from the
/// connection itself:
///
/// - AddHalvaneServer: the server name from the attribute "server", the user name from
///   "username" and the chosen data source from "datasource" (each empty when absent).
/// - AddHalvaneServerData: from the record's connection attributes, the project of "project"
///   as the only and selected project, and the data source of "datasource" (in that project,
///   connectable) as the only data source listed; the state is empty when neither is set.
/// - AddSlowMetadata: a schema search and a table search, both for the configuration's name,
///   with permissions and without a permission check. The schema search looks for the chosen
///   schema by exact match (all schemas, with the default search, when none is chosen or the
///   connection ignores schemas); the table search lists all tables with the default search.
class HLVPRES_API DefaultHlvdocPresModelHelper : public HlvdocPresModelHelper {
 public:
  void AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>& config,
                        RefCntPtr<ConnectionDescriptionPresModel>& record) override;
  void AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>& record) override;
  void AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>& record,
                       const RefCntPtr<const RelationalDSConnectionConfig>& rel) override;

 protected:
  ~DefaultHlvdocPresModelHelper() override;
};
