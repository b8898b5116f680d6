// ConnectionTypeGroupPresModelBuilder: one group of the connection-type gallery.
#pragma once

#include "connect/ConnectionTypeMru.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectorRegistry.h"
#include "parameters/Enums.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionTypeGroupPresModel.h"
#include "presentation-model/ConnectionTypePresModel.h"

#include <functional>
#include <list>
#include <memory>
#include <unordered_set>
#include <vector>

/// Builds one ConnectionTypeGroupPresModel of the gallery: its label and its entries, one per
/// connection class the user can pick, in the order the connector registry lists them
/// (GetConnectionClasses), followed by the group's fixed entries:
///
/// | group              | label (string id)       | entries                                        |
/// |--------------------|-------------------------|------------------------------------------------|
/// | file               | kGalleryToAFile         | file classes, then "More..." (other files)     |
/// | server             | kGalleryToAServer       | server classes                                 |
/// | mru-server         | kGalleryToAServer       | recent server classes, then "More..."          |
/// | halvane-server     | none                    | the server data-source search (desktop only)   |
/// | connections-flyout | none                    | "All Connectors"                               |
/// | ads-nimbara        | none                    | none                                           |
///
/// Every fixed entry has the class "invalidconnection". The other-files entry is left out in
/// an OEM build whose setting OEMSettingIds::kNoOtherFilesInGallery is on; the "More..." entry
/// of the recent servers closes a list that shows fewer servers than the server group.
///
/// A class is offered when the registry shows it, except a Halvane server connection on the
/// desktop application. Unrestricted, every offered class is enabled; restricted, only a class
/// usable when restricted that is not semi-structured (or derived from such), not among the
/// disabled classes, not a Halvane server connection and not "s3". A class among the disabled
/// classes is marked a disabled data connection either way. In the server application each
/// entry tells whether its driver is installed, and a cloud-file entry its CORS proxy prefix
/// and file extensions.
class HLVPRES_API ConnectionTypeGroupPresModelBuilder {
 public:
  using ConnectionTypes = std::vector<RefCntPtr<const ConnectionTypePresModel>>;

  /// A builder of `group`. `disabledClasses` are the classes to mark as disabled data
  /// connections; `mru` (never null) keeps the recent server classes and is owned from now on;
  /// `searchDisabled` (may be empty) disables the server data-source search of a restricted
  /// gallery when it returns true. An invalid group raises LogicException "m_group !=
  /// CTG_Invalid", a null `mru` LogicException "m_connectionTypeMru".
  ConnectionTypeGroupPresModelBuilder(ConnectionTypeGroup group, bool restricted,
                                      const std::unordered_set<TString>& disabledClasses,
                                      std::unique_ptr<IConnectionTypeMru> mru, std::function<bool()> searchDisabled);
  ~ConnectionTypeGroupPresModelBuilder();

  ConnectionTypeGroupPresModelBuilder(const ConnectionTypeGroupPresModelBuilder&) = delete;
  ConnectionTypeGroupPresModelBuilder& operator=(const ConnectionTypeGroupPresModelBuilder&) = delete;

  /// A new group record; never null. The "mru-server" group seeds an MRU that needs defaults:
  /// in an OEM build with every offered server class that is not a Halvane server connection,
  /// otherwise with "sqlserver", "mysql", "oracle" and "redshift".
  RefCntPtr<const ConnectionTypeGroupPresModel> Build();

 protected:
  /// Replaces `items` by the file classes, then the other-files entry (see the class comment).
  void BuildFileConnections(ConnectionTypes& items) const;
  /// Replaces `items` by the server classes.
  void BuildServerConnections(ConnectionTypes& items) const;
  /// Replaces `items` by the MRU's classes (seeding it first when it needs defaults), then
  /// "More..." when the server group would show more entries.
  void BuildMruServerConnections(ConnectionTypes& items);
  /// Replaces `items` by the server data-source search on the desktop application, and by
  /// nothing elsewhere.
  void BuildHalvaneServerConnections(ConnectionTypes& items) const;
  /// Replaces `items` by the entries of the offered classes of `classes`, in order.
  void BuildDatabaseConnectionTypes(const std::list<TString>& classes, ConnectionTypes& items) const;
  /// The entry of `connectionClass`, or null when the class is not offered.
  RefCntPtr<const ConnectionTypePresModel> BuildDatabaseConnectionType(const TString& connectionClass) const;
  static RefCntPtr<const ConnectionTypePresModel> BuildAllConnectorsConnectionType();
  static RefCntPtr<const ConnectionTypePresModel> BuildMoreItemsConnectionType();
  static RefCntPtr<const ConnectionTypePresModel> BuildOtherFilesConnectionType();
  /// "legacyoauth" for a class signing in through the older OAuth flow, else "cloudfile" for
  /// a cloud-file class, else "database".
  static ConnectionTypeCategory GetConnectionTypeCategory(const Connect::IRegistry& registry,
                                                          const TString& connectionClass);

 private:
  bool m_restricted;
  ConnectionTypeGroup m_group;
  std::unordered_set<TString> m_disabledClasses;
  std::unique_ptr<IConnectionTypeMru> m_connectionTypeMru;
  std::function<bool()> m_searchDisabled;
};
