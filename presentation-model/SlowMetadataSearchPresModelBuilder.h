// SlowMetadataSearchPresModelBuilder: one search of a slow metadata connection.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "parameters/Enums.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/SlowMetadataSearchPresModel.h"

/// Builds SlowMetadataSearchPresModel records from the values it is constructed with, unchanged.
class HLVPRES_API SlowMetadataSearchPresModelBuilder {
 public:
  /// A builder of the search for `searchTerm` among the `entityType` entities of the connection
  /// `connectionName`. Mind the order of the flags: whether the user has the permissions comes
  /// before whether they are to be checked.
  SlowMetadataSearchPresModelBuilder(const TString& connectionName, EntityType entityType,
                                     PickEntitySearchType searchType, const TString& searchTerm, bool hasPermissions,
                                     bool checkPermissions);

  /// A new record holding the constructor's values; never null.
  RefCntPtr<const SlowMetadataSearchPresModel> Build();

 private:
  TString m_connectionName;
  EntityType m_entityType;
  PickEntitySearchType m_searchType;
  TString m_searchTerm;
  bool m_hasPermissions;
  bool m_checkPermissions;
};
