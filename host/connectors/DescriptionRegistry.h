// Connect::DescriptionRegistry: the connector registry that answers from connector
// descriptions (docs/connectors.md).
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/ConnectorDescription.h"
#include "host/connectors/DescriptionLoader.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace Connect {

/// The folder of the built-in descriptions among the host's Qt resources.
inline constexpr char kBuiltinConnectorsResource[] = ":/hlv/connectors";

/// A registry holding one description per connection class. Descriptions are added by
/// LoadBuiltins, LoadFolder or Add; a later description of a class replaces the earlier one.
/// Safe to query from several threads, also while another loads.
class HLVHOST_API DescriptionRegistry final : public IRegistry {
 public:
  /// A registry without descriptions.
  DescriptionRegistry();
  ~DescriptionRegistry() override;
  DescriptionRegistry(const DescriptionRegistry&) = delete;
  DescriptionRegistry& operator=(const DescriptionRegistry&) = delete;

  /// The registry a host starts with: the built-in descriptions, then those of each folder of
  /// HLV_CONNECTORS_PATH (colon-separated, in order; empty entries are skipped). Faulty
  /// descriptions are logged and left out.
  static std::shared_ptr<DescriptionRegistry> MakeDefault();

  /// Adds the descriptions compiled into the host, each file named after its class. Each is read
  /// when first asked for, so that a command about one class reads one description; a list of
  /// the classes reads them all. One that cannot be read, which only a broken build holds, is
  /// logged as a warning then and left out.
  void LoadBuiltins();
  /// Loads every "*.json" file of `folder`, in the order of their names. Returns the faults
  /// (a folder that cannot be read is one), each also logged once as a warning; the other
  /// descriptions load all the same.
  std::vector<DescriptionFileException> LoadFolder(const TString& folder);
  /// Adds `description`, replacing the earlier description of its class.
  void Add(RefCntPtr<const ConnectorDescription> description);
  /// The description of `connectionClass`, or null.
  RefCntPtr<const ConnectorDescription> Find(const TString& connectionClass) const;

  RefCntPtr<const IConnector> LookupConnector(const TString& connectionClass) const override;
  /// The class's description: it is immutable, so every caller may share it.
  RefCntPtr<const IConnector> CreateConnector(const TString& connectionClass, int flags) const override;
  RefCntPtr<const IConnectorPlugin> GetConnectorPlugin(const TString& connectionClass) const override;

  /// Every class, sorted by name.
  std::vector<TString> GetRegisteredClasses() const override;
  /// The classes of `kind`, those with a "gallery-order" first by that number, then by English
  /// caption, then by class.
  std::vector<TString> GetConnectionClasses(ConnectionClassKind kind) const override;

  TString GetClassCaption(const TString& connectionClass, const TString& locale) const override;
  TString GetAuthenticationValue(const TString& connectionClass, AuthenticationEnums::AuthOption option) const override;
  AuthenticationEnums::AuthOption GetAuthOption(const TString& connectionClass, const TString& value) const override;

  bool IsConnectionTypeVisible(const TString& connectionClass) const override;
  bool IsUsableWhenRestricted(const TString& connectionClass) const override;
  bool IsCloudFileClass(const TString& connectionClass) const override;
  bool ExcludesGenericAuth(const TString& connectionClass) const override;
  bool IsLegacyOAuthClass(const TString& connectionClass) const override;
  bool IsWebDataConnectorClass(const TString& connectionClass) const override;
  bool IsServerConnectionClass(const TString& connectionClass) const override;
  /// Whether the class, or a class it derives from (through "derived-from"), is
  /// semi-structured.
  bool IsSemiStructuredClass(const TString& connectionClass) const override;
  bool CanRecommendTablesFor(const TString& connectionClass) const override;
  bool CanRecommendDataSourcesFor(const TString& connectionClass) const override;
  bool MayNeedAuth(const TString& connectionClass) const override;
  bool UsesInMemoryCredentials(const TString& connectionClass) const override;

 private:
  std::vector<DescriptionFileException> LoadFiles(const std::vector<TString>& paths);
  template <typename Answer>
  bool Ask(const TString& connectionClass, Answer answer) const;
  // Reads the built-in description of `connectionClass` if it is still unread; m_mutex held.
  void ReadBuiltin(const TString& connectionClass) const;
  // Reads every built-in description still unread; m_mutex held.
  void ReadBuiltins() const;

  mutable std::mutex m_mutex;
  // Guarded by m_mutex; a built-in moves from m_unread to m_descriptions when it is read.
  mutable std::map<TString, RefCntPtr<const ConnectorDescription>> m_descriptions;
  mutable std::map<TString, TString> m_unread;  // class -> the file of its built-in description
};

/// The description of `connectionClass` as the installed registry knows it: null when the
/// registry does not know the class, or its connector was not made from a description.
HLVHOST_API RefCntPtr<const ConnectorDescription> DescriptionOf(const TString& connectionClass);

}  // namespace Connect
