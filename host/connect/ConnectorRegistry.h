// Connect::IRegistry: what the host knows of each connection class, and the process-wide
// registry the builders ask.
//
// The interfaces live here; the default registry, driven by connector descriptions, is
// Connect::DescriptionRegistry (host/connectors/DescriptionRegistry.h).
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"

#include <memory>
#include <vector>

namespace Connect {

/// The kinds of connection class that GetConnectionClasses lists.
enum class ConnectionClassKind : int {
  kFile = 1,    ///< classes that read a file
  kServer = 2,  ///< classes that connect to a server
};

/// A connector of one connection class: what it can do.
class HLVHOST_API IConnector : public RefCntObject {
 public:
  /// The connection class, such as "postgres".
  virtual const TString& GetClassName() const = 0;
  /// The English caption users see, such as "PostgreSQL".
  virtual const TString& GetCaption() const = 0;
  /// Whether the class can run an initial SQL statement when it connects.
  virtual bool SupportsInitialSQL() const = 0;
  /// Whether the class signs in with OAuth.
  virtual bool SupportsOAuth() const = 0;
  /// Whether the OAuth configuration `configId` (the empty id: the class as a whole) accepts a
  /// custom domain.
  virtual bool SupportsCustomDomain(const TString& configId) const = 0;
  /// The ids of the class's OAuth configurations, in the connector's order.
  virtual std::vector<TString> GetOAuthConfigs() const = 0;
  /// The label users see for the OAuth configuration `configId`; empty for an unknown id.
  virtual TString GetOAuthConfigLabel(const TString& configId) const = 0;

 protected:
  ~IConnector() override;
};

/// A web data connector: a connector whose dialog is a web page.
class HLVHOST_API IWebDataConnectorInfo : public RefCntObject {
 public:
  virtual TString GetClassName() const = 0;
  virtual bool UsesOAuth() const = 0;
  virtual bool AllowsGenericAuth() const = 0;
  /// The name users see in `locale` (an ISO string such as "de_DE"); English when the
  /// description has no text for the locale.
  virtual TString GetDisplayName(const TString& locale) const = 0;

 protected:
  ~IWebDataConnectorInfo() override;
};

/// The plug-in that brings a connection class.
class HLVHOST_API IConnectorPlugin : public RefCntObject {
 public:
  /// The web data connector the plug-in describes, or null when it describes none.
  virtual RefCntPtr<const IWebDataConnectorInfo> GetWebDataConnectorInfo() const = 0;

 protected:
  ~IConnectorPlugin() override;
};

/// Everything the host knows of its connection classes. Every query takes a connection class;
/// a class the registry does not know answers false, empty or null.
class HLVHOST_API IRegistry {
 public:
  virtual ~IRegistry();

  /// The connector of `connectionClass`, or null when the class is unknown.
  virtual RefCntPtr<const IConnector> LookupConnector(const TString& connectionClass) const = 0;
  /// A connector object of `connectionClass` for the caller, or null when the class is unknown.
  virtual RefCntPtr<const IConnector> CreateConnector(const TString& connectionClass, int flags) const = 0;
  /// The plug-in of `connectionClass`, or null.
  virtual RefCntPtr<const IConnectorPlugin> GetConnectorPlugin(const TString& connectionClass) const = 0;

  /// Every registered class, in the registry's order.
  virtual std::vector<TString> GetRegisteredClasses() const = 0;
  /// The classes of one kind, in the order the gallery shows them.
  virtual std::vector<TString> GetConnectionClasses(ConnectionClassKind kind) const = 0;

  /// The caption of `connectionClass` in `locale` (an ISO string such as "de_DE"; empty for
  /// the user's language). Falls back to English, then to the class name.
  virtual TString GetClassCaption(const TString& connectionClass, const TString& locale) const = 0;

  /// The "authentication" attribute value that stands for `option` in `connectionClass`;
  /// empty when the class has none for it.
  virtual TString GetAuthenticationValue(const TString& connectionClass,
                                         AuthenticationEnums::AuthOption option) const = 0;
  /// The option that the "authentication" attribute `value` stands for in `connectionClass`:
  /// the inverse of GetAuthenticationValue. A value the class does not know gives
  /// AuthOptionInvalid.
  virtual AuthenticationEnums::AuthOption GetAuthOption(const TString& connectionClass,
                                                        const TString& value) const = 0;

  virtual bool IsConnectionTypeVisible(const TString& connectionClass) const = 0;
  virtual bool IsUsableWhenRestricted(const TString& connectionClass) const = 0;
  virtual bool IsCloudFileClass(const TString& connectionClass) const = 0;
  virtual bool ExcludesGenericAuth(const TString& connectionClass) const = 0;
  /// Whether the class signs in through the older, class-specific OAuth flow.
  virtual bool IsLegacyOAuthClass(const TString& connectionClass) const = 0;
  virtual bool IsWebDataConnectorClass(const TString& connectionClass) const = 0;
  /// Whether the class connects to a data source published on the analytics server.
  virtual bool IsServerConnectionClass(const TString& connectionClass) const = 0;
  /// Whether the class reads semi-structured data, or derives from such a class.
  virtual bool IsSemiStructuredClass(const TString& connectionClass) const = 0;
  virtual bool CanRecommendTablesFor(const TString& connectionClass) const = 0;
  virtual bool CanRecommendDataSourcesFor(const TString& connectionClass) const = 0;
  /// Whether connecting with the class may ask for a user name (and so copies it).
  virtual bool MayNeedAuth(const TString& connectionClass) const = 0;
  /// Whether the class keeps its secrets in the in-memory credential service.
  virtual bool UsesInMemoryCredentials(const TString& connectionClass) const = 0;
};

/// The process-wide registry, and the class queries the builders ask of it.
class HLVHOST_API Registry {
 public:
  Registry() = delete;

  /// The installed registry; by default a DescriptionRegistry holding the built-in connector
  /// descriptions and those of the folders in HLV_CONNECTORS_PATH.
  static IRegistry& Instance();
  /// Installs `registry` (null puts the default back) and returns the one it replaces.
  static std::shared_ptr<IRegistry> Install(std::shared_ptr<IRegistry> registry);

  static bool IsLegacyOAuthDataSource(const TString& connectionClass);
  static bool IsWDCBasedDataSource(const TString& connectionClass);
  static bool IsHalvaneServerConnection(const TString& connectionClass);
  static bool IsSemiStructOrDerivedClass(const TString& connectionClass);
  static bool CanRecommendTables(const TString& connectionClass);
  static bool CanRecommendDataSources(const TString& connectionClass);
};

}  // namespace Connect
