#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/PdfPagePickerPresModelBuilder.h"
#include "presentation-model/ReconnectAuthenticationSettingsPresModelBuilder.h"
#include "presentation-model/SlowMetadataSearchPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <typename Model>
std::string Write(const RefCntPtr<const Model>& model) {
  return WriteParametersJson(*model->AsIParameters(), ParametersRegistry::Get());
}

TEST(SlowMetadataSearchPresModelBuilderTest, CopiesEveryValueIntoItsOwnField) {
  // Neither value is a default, and the two flags differ, so a swapped pair shows.
  SlowMetadataSearchPresModelBuilder builder(QStringLiteral("Sales"), EntityType::SchemaEntity,
                                             PickEntitySearchType::Contains, QStringLiteral("ord"),
                                             /*hasPermissions=*/false, /*checkPermissions=*/true);
  const RefCntPtr<const SlowMetadataSearchPresModel> model = builder.Build();
  EXPECT_EQ(model->GetConnectionName(), QStringLiteral("Sales"));
  EXPECT_EQ(model->GetEntityType(), EntityType::SchemaEntity);
  EXPECT_EQ(model->GetSearchType(), PickEntitySearchType::Contains);
  EXPECT_EQ(model->GetSearchTerm(), QStringLiteral("ord"));
  EXPECT_TRUE(model->GetCheckPermissions());
  EXPECT_FALSE(model->GetHasPermissions());

  const RefCntPtr<const SlowMetadataSearchPresModel> flipped =
      SlowMetadataSearchPresModelBuilder(QString(), EntityType::NoEnumerationEntity, PickEntitySearchType::Default,
                                         QString(), /*hasPermissions=*/true, /*checkPermissions=*/false)
          .Build();
  EXPECT_TRUE(flipped->GetHasPermissions());
  EXPECT_FALSE(flipped->GetCheckPermissions());
  // The "default" search type is stored, not replaced by the record's own default.
  EXPECT_EQ(flipped->GetSearchType(), PickEntitySearchType::Default);

  EXPECT_NE(builder.Build(), model);  // each build is a new record
}

TEST(PdfPagePickerPresModelBuilderTest, KeepsThePageTextsAsTyped) {
  const RefCntPtr<const PdfPagePickerPresModel> model =
      PdfPagePickerPresModelBuilder(QStringLiteral(" 12"), QStringLiteral("three")).Build();
  EXPECT_EQ(model->GetPdfStartPage(), QStringLiteral(" 12"));
  EXPECT_EQ(model->GetPdfEndPage(), QStringLiteral("three"));

  const RefCntPtr<const PdfPagePickerPresModel> empty = PdfPagePickerPresModelBuilder(QString(), QString()).Build();
  EXPECT_EQ(Write(empty), R"({"gen-pdf-page-picker-pres-model":{"pdf-start-page":"","pdf-end-page":""}})");
}

TEST(ReconnectAuthenticationSettingsPresModelBuilderTest, ParametersComeOutSortedByName) {
  auto config = MakeRefCnt<fake::PlainConfig>();
  config->state.reconnectMode = AuthenticationEnums::ReconnectMode::ReconnectModeBasic;
  for (const char* name : {"user", "scope", "realm", "tenant", "audience"})
    config->state.reconnectParams[QLatin1String(name)] = QString::fromLatin1(name).toUpper();

  const RefCntPtr<const ReconnectAuthenticationSettingsPresModel> model =
      ReconnectAuthenticationSettingsPresModelBuilder().Build(config);
  EXPECT_EQ(model->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeBasic);
  EXPECT_EQ(Write(model),
            R"({"gen-reconnect-authentication-settings-pres-model":{"reconnect-auth-mode":"reconnect-mode-basic",)"
            R"("string-map":{"audience":"AUDIENCE","realm":"REALM","scope":"SCOPE","tenant":"TENANT",)"
            R"("user":"USER"}}})");
}

TEST(ReconnectAuthenticationSettingsPresModelBuilderTest, NullConfigurationGivesNoModeAndNoMap) {
  const RefCntPtr<const ReconnectAuthenticationSettingsPresModel> model =
      ReconnectAuthenticationSettingsPresModelBuilder().Build(nullptr);
  EXPECT_EQ(model->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeNone);
  EXPECT_EQ(model->GetReconnectAuthParamCount(), 0u);
  EXPECT_EQ(Write(model),
            R"({"gen-reconnect-authentication-settings-pres-model":{"reconnect-auth-mode":"reconnect-mode-none"}})");
}

}  // namespace
