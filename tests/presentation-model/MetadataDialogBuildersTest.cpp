#include "presentation-model/PdfPagePickerPresModelBuilder.h"
#include "presentation-model/ReconnectAuthenticationSettingsPresModelBuilder.h"
#include "presentation-model/SlowMetadataSearchPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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
}

TEST(PdfPagePickerPresModelBuilderTest, KeepsThePageTextsAsTyped) {
  const RefCntPtr<const PdfPagePickerPresModel> model =
      PdfPagePickerPresModelBuilder(QStringLiteral(" 12"), QStringLiteral("three")).Build();
  EXPECT_EQ(model->GetPdfStartPage(), QStringLiteral(" 12"));
  EXPECT_EQ(model->GetPdfEndPage(), QStringLiteral("three"));
}

TEST(ReconnectAuthenticationSettingsPresModelBuilderTest, ModeAndParametersOrNothingWithoutAConfiguration) {
  auto config = MakeRefCnt<fake::PlainConfig>();
  config->state.reconnectMode = AuthenticationEnums::ReconnectMode::ReconnectModeBasic;
  for (const char* name : {"user", "scope", "realm", "tenant", "audience"})
    config->state.reconnectParams[QLatin1String(name)] = QString::fromLatin1(name).toUpper();

  const RefCntPtr<const ReconnectAuthenticationSettingsPresModel> model =
      ReconnectAuthenticationSettingsPresModelBuilder().Build(config);
  EXPECT_EQ(model->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeBasic);
  EXPECT_EQ(model->GetReconnectAuthParams(),
            (std::map<TString, TString>{config->state.reconnectParams.begin(), config->state.reconnectParams.end()}));

  const RefCntPtr<const ReconnectAuthenticationSettingsPresModel> none =
      ReconnectAuthenticationSettingsPresModelBuilder().Build(nullptr);
  EXPECT_EQ(none->GetReconnectAuthMode(), AuthenticationEnums::ReconnectMode::ReconnectModeNone);
  EXPECT_EQ(none->GetReconnectAuthParamCount(), 0u);
}

}  // namespace
