// OEMInfo: whether the product runs as a partner's (OEM) build, and that build's settings.
//
// An OEM build is the product shipped under a partner's name; its partner switches some of the
// product's behaviour through numbered boolean settings. The default information is read once
// from the JSON file that HLV_OEM_INFO names (docs/oem-and-recent-connections.md); without the
// variable the product is not an OEM build and every setting is off.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <cstdint>
#include <memory>

using OEMSettingId = std::uint32_t;

/// The OEM settings the presentation-layer library reads.
namespace OEMSettingIds {

/// The file group of the connection-type gallery leaves out its closing other-files entry.
inline constexpr OEMSettingId kNoOtherFilesInGallery = 1059;

}  // namespace OEMSettingIds

/// What the host knows of an OEM build.
class HLVHOST_API IOEMInfo {
 public:
  virtual ~IOEMInfo();

  /// Whether the running product is an OEM build.
  virtual bool IsOEMBuild() const = 0;
  /// The boolean setting `id`; false for a setting that is not set.
  virtual bool GetAsBoolean(OEMSettingId id) const = 0;
};

/// OEM information held in memory, changed by its setters. Safe to read from several threads;
/// the setters are meant for start-up and tests.
class HLVHOST_API SettableOEMInfo : public IOEMInfo {
 public:
  /// Not an OEM build, every setting off.
  SettableOEMInfo();
  ~SettableOEMInfo() override;

  bool IsOEMBuild() const override;
  bool GetAsBoolean(OEMSettingId id) const override;

  void SetOEMBuild(bool oemBuild);
  void SetBoolean(OEMSettingId id, bool on);

  /// The information the JSON file `path` holds:
  ///   {"oem-build": true, "settings": {"1059": true}}
  /// Both members are optional; a setting's id is its decimal number. The file is read through
  /// the host's hardened text and JSON readers; a missing, unreadable or malformed file, or a
  /// member of the wrong kind, raises HalvaneException naming the file and the fault.
  static std::shared_ptr<SettableOEMInfo> FromFile(const TString& path);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

/// The process-wide OEM information.
class HLVHOST_API OEMInfo {
 public:
  OEMInfo() = delete;

  /// The installed information; by default the file HLV_OEM_INFO names, read on first use (a
  /// faulty file raises HalvaneException, as FromFile does), or, without the variable, a
  /// SettableOEMInfo that is not an OEM build. `reload` set reads the variable's file again
  /// and makes that the installed information, replacing one a host installed; the builders
  /// pass false.
  static const IOEMInfo& Singleton(bool reload);
  /// Installs `info` (null puts the default back) and returns the one it replaces.
  static std::shared_ptr<IOEMInfo> Install(std::shared_ptr<IOEMInfo> info);
};
