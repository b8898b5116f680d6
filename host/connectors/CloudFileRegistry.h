// The default cloud-file registry: the cloud-file classes among the connector descriptions.
#pragma once

#include "host/HostExport.h"
#include "host/connect/CloudFileConnectorsRegistry.h"

/// Answers from the descriptions of the installed connector registry, asked afresh each time,
/// so that descriptions loaded later are seen. A class is a cloud-file class when its
/// description has a "cloud-file" part.
class HLVHOST_API DescribedCloudFileRegistry final : public ICloudFileConnectorsRegistry {
 public:
  bool IsValidCloudFileClass(const TString& connectionClass) const override;
  TString GetCorsProxyUrlPrefix(const TString& connectionClass) const override;
  std::vector<TString> GetSupportedFileExtensions(const TString& connectionClass) const override;
  std::set<TString> GetAllCloudFileStorageProviders() const override;
  std::vector<TString> GetAllCloudFileClasses() const override;
  /// For a class, its description; for a provider, its provider description (from the first
  /// class, in registry order, whose description gives one), else the description of its
  /// first class.
  TString GetClassDescription(const TString& name, const TString& locale) const override;
};
