// CloudFileConnectorsRegistry: the connectors that read files kept by a cloud storage provider.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <memory>
#include <set>
#include <vector>

/// What the host knows of cloud-file connectors: storage providers (such as "dropbox") and the
/// connection classes that read their files.
class HLVHOST_API ICloudFileConnectorsRegistry {
 public:
  virtual ~ICloudFileConnectorsRegistry();

  /// Whether `connectionClass` is a cloud-file class.
  virtual bool IsValidCloudFileClass(const TString& connectionClass) const = 0;
  /// The address prefix through which the browser reaches the provider of `connectionClass`.
  virtual TString GetCorsProxyUrlPrefix(const TString& connectionClass) const = 0;
  /// The file extensions `connectionClass` opens, such as "xlsx", in the description's order.
  virtual std::vector<TString> GetSupportedFileExtensions(const TString& connectionClass) const = 0;
  /// Every storage provider.
  virtual std::set<TString> GetAllCloudFileStorageProviders() const = 0;
  /// Every cloud-file class, in the registry's order.
  virtual std::vector<TString> GetAllCloudFileClasses() const = 0;
  /// The description users see of a provider or class in `locale`; English when the locale has
  /// none, empty for an unknown name.
  virtual TString GetClassDescription(const TString& name, const TString& locale) const = 0;
};

/// The process-wide cloud-file registry.
class HLVHOST_API CloudFileConnectorsRegistry {
 public:
  CloudFileConnectorsRegistry() = delete;

  /// The installed registry; by default the one the connector descriptions make.
  static const ICloudFileConnectorsRegistry& Get();
  /// Installs `registry` (null puts the default back) and returns the one it replaces.
  static std::shared_ptr<ICloudFileConnectorsRegistry> Install(std::shared_ptr<ICloudFileConnectorsRegistry> registry);
};
