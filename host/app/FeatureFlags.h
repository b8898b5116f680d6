// Feature flags: optional behaviour switched on or off per process, by numeric id.
//
// FeatureFlags are the ones the product ships with; RemoteFeatureFlags are the ones a server
// may switch for the running product. Each starts from the documented defaults of
// docs/feature-flags.md, changed by its environment variable (HLV_FEATURE_FLAGS,
// HLV_REMOTE_FEATURE_FLAGS: a comma list of ID=on or ID=off, ids decimal or 0x-hex) and by Set.
#pragma once

#include "host/HostExport.h"

#include <cstdint>
#include <memory>

using FeatureFlagId = std::uint32_t;

/// The flags the presentation-layer library reads.
namespace FeatureFlagIds {

/// Connection dialogs take their fields from the connector's connection fields model.
inline constexpr FeatureFlagId kConnectionFieldsModel = 0xDC326D3;      // 230893267
/// The data source page offers the data cloud object selector.
inline constexpr FeatureFlagId kDataCloudObjectSelector = 0x6E646521;   // 1852073249
/// Google Drive signs in through its own flow; off, its credentials are generic OAuth ones.
inline constexpr FeatureFlagId kGoogleDriveOwnAuth = 0x33656526;
/// Dropbox signs in through its own flow; off, its credentials are generic OAuth ones.
inline constexpr FeatureFlagId kDropboxOwnAuth = 0x8d5e9932;

}  // namespace FeatureFlagIds

/// The remote flags the presentation-layer library reads.
namespace RemoteFeatureFlagIds {

/// Snowflake key-pair authentication reads the key file into the connection.
inline constexpr FeatureFlagId kSnowflakeKeyPair = 0x24EC5689;  // 619468425
/// Box signs in through its own flow; off, its credentials are generic OAuth ones.
inline constexpr FeatureFlagId kBoxOwnAuth = 0x751cd809;
/// The OAuth settings page lists each connector's OAuth configurations.
inline constexpr FeatureFlagId kOAuthConfigs = 0x3af328fb;

}  // namespace RemoteFeatureFlagIds

/// A set of feature flags.
class HLVHOST_API IFeatureFlags {
 public:
  virtual ~IFeatureFlags();
  virtual bool IsOn(FeatureFlagId id) const = 0;
};

/// Flags with defaults, overridden by an environment variable and by Set. Safe to read from
/// several threads; Set is meant for start-up and tests.
class HLVHOST_API ConfigurableFeatureFlags : public IFeatureFlags {
 public:
  /// Flags whose defaults are those of the product's flags (remote or not), overridden by the
  /// environment variable `environmentVariable` when it is set. A malformed entry in the
  /// variable raises HalvaneException naming it.
  ConfigurableFeatureFlags(bool remote, const char* environmentVariable);
  ~ConfigurableFeatureFlags() override;

  bool IsOn(FeatureFlagId id) const override;
  void Set(FeatureFlagId id, bool on);

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

class HLVHOST_API FeatureFlags {
 public:
  FeatureFlags() = delete;
  static bool IsOn(FeatureFlagId id);
  /// The installed flags; by default ConfigurableFeatureFlags reading HLV_FEATURE_FLAGS.
  static IFeatureFlags& Instance();
  static std::shared_ptr<IFeatureFlags> Install(std::shared_ptr<IFeatureFlags> flags);
};

class HLVHOST_API RemoteFeatureFlags {
 public:
  RemoteFeatureFlags() = delete;
  static bool IsOn(FeatureFlagId id);
  /// The installed flags; by default ConfigurableFeatureFlags reading HLV_REMOTE_FEATURE_FLAGS.
  static IFeatureFlags& Instance();
  static std::shared_ptr<IFeatureFlags> Install(std::shared_ptr<IFeatureFlags> flags);
};
