#include "host/app/FeatureFlags.h"

#include "host/Exceptions.h"

#include "tests/support/FakeConnectionModel.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testenv::ScopedEnvironment;

constexpr const char* kVariable = "HLV_TEST_FEATURE_FLAGS";

TEST(FeatureFlagsTest, DefaultsAreThoseOfTheirOwnSet) {
  const ConfigurableFeatureFlags local(false, "HLV_TEST_FLAGS_NEVER_SET");
  EXPECT_TRUE(local.IsOn(FeatureFlagIds::kConnectionFieldsModel));
  EXPECT_FALSE(local.IsOn(FeatureFlagIds::kDataCloudObjectSelector));
  EXPECT_FALSE(local.IsOn(FeatureFlagIds::kGoogleDriveOwnAuth));
  EXPECT_FALSE(local.IsOn(FeatureFlagIds::kDropboxOwnAuth));
  // A remote flag's default does not leak into the other set, nor the other way round.
  EXPECT_FALSE(local.IsOn(RemoteFeatureFlagIds::kSnowflakeKeyPair));
  EXPECT_FALSE(local.IsOn(RemoteFeatureFlagIds::kOAuthConfigs));
  EXPECT_FALSE(local.IsOn(0x12345678));

  const ConfigurableFeatureFlags remote(true, nullptr);
  EXPECT_TRUE(remote.IsOn(RemoteFeatureFlagIds::kSnowflakeKeyPair));
  EXPECT_TRUE(remote.IsOn(RemoteFeatureFlagIds::kOAuthConfigs));
  EXPECT_FALSE(remote.IsOn(RemoteFeatureFlagIds::kBoxOwnAuth));
  EXPECT_FALSE(remote.IsOn(FeatureFlagIds::kConnectionFieldsModel));
}

TEST(FeatureFlagsTest, EnvironmentOverridesDefaultsInBothIdForms) {
  const ScopedEnvironment env(kVariable, " 0xDC326D3=off, 1852073249=ON,0x8d5e9932 = on,, 77=on,77=off ");
  ConfigurableFeatureFlags flags(false, kVariable);
  EXPECT_FALSE(flags.IsOn(FeatureFlagIds::kConnectionFieldsModel));
  EXPECT_TRUE(flags.IsOn(FeatureFlagIds::kDataCloudObjectSelector));
  EXPECT_TRUE(flags.IsOn(FeatureFlagIds::kDropboxOwnAuth));
  EXPECT_FALSE(flags.IsOn(77)) << "the later entry for an id wins";
  EXPECT_FALSE(flags.IsOn(FeatureFlagIds::kGoogleDriveOwnAuth)) << "unlisted flags keep their default";

  // Set wins over both the default and the environment.
  flags.Set(FeatureFlagIds::kConnectionFieldsModel, true);
  flags.Set(0xFFFFFFFF, true);
  EXPECT_TRUE(flags.IsOn(FeatureFlagIds::kConnectionFieldsModel));
  EXPECT_TRUE(flags.IsOn(0xFFFFFFFF));
}

TEST(FeatureFlagsTest, MalformedEntriesAreRefusedByName) {
  for (const char* entry : {"0xDC326D3", "abc=on", "-1=on", "+5=on", "0x=on", "=on", "4294967296=on",
                            "0x1FFFFFFFF=on", "12=yes", "12=", "0o17=off"}) {
    const std::string list = std::string("5=on,") + entry;
    const ScopedEnvironment env(kVariable, list.c_str());
    try {
      ConfigurableFeatureFlags flags(true, kVariable);
      ADD_FAILURE() << entry << " was accepted";
    } catch (const HalvaneException& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(std::string("\"") + entry + "\""), std::string::npos) << message;
      EXPECT_NE(message.find(kVariable), std::string::npos) << message;
    }
  }
}

TEST(FeatureFlagsTest, FacadesReadTheirOwnVariableAndInstalledSets) {
  // Made now, before the variables change, so that what the scopes below put back is a set
  // that never saw them.
  FeatureFlags::Instance();
  RemoteFeatureFlags::Instance();
  {
    const ScopedEnvironment local("HLV_FEATURE_FLAGS", "0x6E646521=on");
    const ScopedEnvironment remote("HLV_REMOTE_FEATURE_FLAGS", "0x3af328fb=off");
    // Installing null puts back a fresh default, which reads its variable now.
    const fake::ScopedInstall<FeatureFlags, IFeatureFlags> localDefault(nullptr);
    const fake::ScopedInstall<RemoteFeatureFlags, IFeatureFlags> remoteDefault(nullptr);
    EXPECT_TRUE(FeatureFlags::IsOn(FeatureFlagIds::kDataCloudObjectSelector));
    EXPECT_FALSE(RemoteFeatureFlags::IsOn(RemoteFeatureFlagIds::kOAuthConfigs));
    EXPECT_FALSE(RemoteFeatureFlags::IsOn(FeatureFlagIds::kDataCloudObjectSelector));
  }

  auto flags = std::make_shared<ConfigurableFeatureFlags>(false, nullptr);
  const fake::ScopedInstall<FeatureFlags, IFeatureFlags> installed(flags);
  flags->Set(RemoteFeatureFlagIds::kBoxOwnAuth, true);
  EXPECT_TRUE(FeatureFlags::IsOn(RemoteFeatureFlagIds::kBoxOwnAuth));
  EXPECT_EQ(&FeatureFlags::Instance(), flags.get());
  EXPECT_FALSE(RemoteFeatureFlags::IsOn(RemoteFeatureFlagIds::kBoxOwnAuth)) << "the remote set is apart";
}

}  // namespace
