#include "host/connectors/CloudFileRegistry.h"

#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/DescriptionRegistry.h"

#include <optional>

namespace {

// The cloud-file part of the class's description; null for any other class.
std::optional<Connect::CloudFileDescription> CloudFileOf(const TString& connectionClass) {
  const RefCntPtr<const Connect::ConnectorDescription> description = Connect::DescriptionOf(connectionClass);
  if (!description) return std::nullopt;
  return description->Facts().cloudFile;
}

// The cloud-file parts of every registered cloud-file class, in registry order.
std::vector<Connect::CloudFileDescription> AllCloudFiles() {
  std::vector<Connect::CloudFileDescription> all;
  for (const TString& connectionClass : Connect::Registry::Instance().GetRegisteredClasses())
    if (std::optional<Connect::CloudFileDescription> cloudFile = CloudFileOf(connectionClass))
      all.push_back(std::move(*cloudFile));
  return all;
}

}  // namespace

bool DescribedCloudFileRegistry::IsValidCloudFileClass(const TString& connectionClass) const {
  return CloudFileOf(connectionClass).has_value();
}

TString DescribedCloudFileRegistry::GetCorsProxyUrlPrefix(const TString& connectionClass) const {
  const std::optional<Connect::CloudFileDescription> cloudFile = CloudFileOf(connectionClass);
  return cloudFile ? cloudFile->corsProxyUrlPrefix : TString();
}

std::vector<TString> DescribedCloudFileRegistry::GetSupportedFileExtensions(const TString& connectionClass) const {
  const std::optional<Connect::CloudFileDescription> cloudFile = CloudFileOf(connectionClass);
  return cloudFile ? cloudFile->extensions : std::vector<TString>();
}

std::set<TString> DescribedCloudFileRegistry::GetAllCloudFileStorageProviders() const {
  std::set<TString> providers;
  for (const Connect::CloudFileDescription& cloudFile : AllCloudFiles()) providers.insert(cloudFile.provider);
  return providers;
}

std::vector<TString> DescribedCloudFileRegistry::GetAllCloudFileClasses() const {
  std::vector<TString> classes;
  for (const TString& connectionClass : Connect::Registry::Instance().GetRegisteredClasses())
    if (CloudFileOf(connectionClass)) classes.push_back(connectionClass);
  return classes;
}

TString DescribedCloudFileRegistry::GetClassDescription(const TString& name, const TString& locale) const {
  if (const std::optional<Connect::CloudFileDescription> cloudFile = CloudFileOf(name))
    return cloudFile->descriptions.In(locale);
  std::optional<TString> firstClassDescription;
  for (const Connect::CloudFileDescription& cloudFile : AllCloudFiles()) {
    if (cloudFile.provider != name) continue;
    if (!cloudFile.providerDescriptions.IsEmpty()) return cloudFile.providerDescriptions.In(locale);
    if (!firstClassDescription) firstClassDescription = cloudFile.descriptions.In(locale);
  }
  return firstClassDescription.value_or(TString());
}
