#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "presentation-model/PdfPagePickerPresModelBuilder.h"
#include "presentation-model/ReconnectAuthenticationSettingsPresModelBuilder.h"
#include "presentation-model/SlowMetadataSearchPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <map>

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
  EXPECT_EQ(Write(model), R"({"gen-slow-metadata-search-pres-model":{"slow-metadata-search-term":"ord",)"
                          R"("enumerated-entity-type":"schema-entity","entity-search-type":"contains",)"
                          R"("check-permissions":"true","has-permissions":"false","connection-name":"Sales"}})");
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
  config->state.reconnectMode = AuthenticationEnums::ReconnectMode::ReconnectModeGoogleOauth;
  // Enough names that a hash map's order is unlikely to be the sorted one.
  std::map<TString, TString> expected;
  for (int i = 0; i < 40; ++i) {
    const TString name = QStringLiteral("param-%1").arg((i * 37) % 100, 2, 10, QLatin1Char('0'));
    config->state.reconnectParams[name] = QString::number(i);
    expected[name] = QString::number(i);
  }

  const RefCntPtr<const ReconnectAuthenticationSettingsPresModel> model =
      ReconnectAuthenticationSettingsPresModelBuilder().Build(config);
  EXPECT_EQ(model->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeGoogleOauth);
  EXPECT_EQ(model->GetReconnectAuthParams(), expected);

  config->state.reconnectParams = {{QStringLiteral("user"), QStringLiteral("ann")},
                                   {QStringLiteral("scope"), QStringLiteral("read")}};
  config->state.reconnectMode = AuthenticationEnums::ReconnectMode::ReconnectModeBasic;
  EXPECT_EQ(Write(ReconnectAuthenticationSettingsPresModelBuilder().Build(config)),
            R"({"gen-reconnect-authentication-settings-pres-model":{"reconnect-auth-mode":"reconnect-mode-basic",)"
            R"("string-map":{"scope":"read","user":"ann"}}})");
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
