#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/SerializeStructure.h"
#include "parameters/ParameterIds.h"
#include "presentation-model/InitialSQLPresModel.h"
#include "presentation-model/InitialSQLPresModelBuilder.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using Serializer = StructSerializer<RefCntPtr<const InitialSQLPresModel>, RefCntPtr<InitialSQLPresModel>>;

// Whether every field of `model` holds its default.
bool AtDefaults(const InitialSQLPresModel& model) {
  return !model.GetIsSupported() && !model.GetIsInitialSqlVisible() && model.GetInitialSQL().isEmpty() &&
         model.GetInitialSQLParameterCount() == 0 && !model.GetDoValidation() && model.GetLearnMoreUri().isEmpty();
}

RefCntPtr<InitialSQLPresModel> FullRecord() {
  RefCntPtr<InitialSQLPresModel> model = MakeRefCnt<InitialSQLPresModel>();
  model->SetIsSupported(true);
  model->SetIsInitialSqlVisible(true);
  model->SetInitialSQL(QStringLiteral("SET name = 'Zoë \"\\ ✓';\n"));
  model->AddInitialSQLParameter(QStringLiteral("[HalvaneApp]"));
  model->AddInitialSQLParameter(QStringLiteral("[ServerUser]"));
  model->SetDoValidation(true);
  model->SetLearnMoreUri(QStringLiteral("https://example.com/ä"));
  return model;
}

TEST(InitialSQLPresModelTest, ARecordIsItsOwnBagAndListAccessorsWorkOnTheList) {
  RefCntPtr<InitialSQLPresModel> model = FullRecord();
  EXPECT_EQ(InitialSQLPresModel::ID, 0x0224eb59u);
  EXPECT_EQ(model->GetDefaultParamID(), InitialSQLPresModel::ID);
  const RefCntPtr<IParameters> bag = model->AsIParameters();
  EXPECT_EQ(bag->GetParameterIds(), std::vector<unsigned int>{InitialSQLPresModel::ID});
  EXPECT_EQ(model->GetRefCount(), 2);  // the bag holds a reference of its own

  EXPECT_EQ(model->GetInitialSQLParameterCount(), 2u);
  EXPECT_EQ(model->GetInitialSQLParameter(1), QStringLiteral("[ServerUser]"));
  EXPECT_THROW(model->GetInitialSQLParameter(2), std::out_of_range);
  std::vector<TString> moved = {QStringLiteral("x")};
  model->SetInitialSQLParameters(std::move(moved));
  EXPECT_EQ(model->GetInitialSQLParameters(), std::vector<TString>{QStringLiteral("x")});
  model->ClearInitialSQLParameters();
  EXPECT_EQ(model->GetInitialSQLParameterCount(), 0u);
}

TEST(InitialSQLPresModelTest, ReadingIsLenient) {
  RefCntPtr<IParameters> bag = ParametersRegistry::Get().CreateParameters();
  EXPECT_TRUE(AtDefaults(*Serializer::ToObject(bag, InitialSQLPresModel::ID, nullptr)));

  bag->SetParameter(DataParameters::IsSupported, MakeValParameter(QStringLiteral("true")));  // a string, not a bool
  bag->SetParameter(DataParameters::InitialSql, MakeValParameter(QStringLiteral("new text")));
  RefCntPtr<InitialSQLPresModel> into = FullRecord();
  RefCntPtr<InitialSQLPresModel> updated = Serializer::ToObject(bag, InitialSQLPresModel::ID, &into);
  EXPECT_EQ(updated, into);  // updated in place
  EXPECT_TRUE(updated->GetIsSupported());  // the mistyped value left the field as it was
  EXPECT_EQ(updated->GetInitialSQL(), QStringLiteral("new text"));
  EXPECT_EQ(updated->GetInitialSQLParameterCount(), 2u);  // absent fields keep their values

  RefCntPtr<InitialSQLPresModel> none;
  EXPECT_NE(Serializer::ToObject(bag, InitialSQLPresModel::ID, &none), nullptr);  // no target: a new record
}

TEST(InitialSQLPresModelTest, NullRecordsAreErrors) {
  SerializeStructure ss;
  EXPECT_THROW(Serializer::SerializeObj(nullptr, ss), LogicException);
  EXPECT_THROW(Serializer::ToObject(nullptr, InitialSQLPresModel::ID, nullptr), LogicException);
  EXPECT_EQ(ss.GetJson(), "{}");
}

class InitialSQLPresModelBuilderTest : public ::testing::Test {
 protected:
  ~InitialSQLPresModelBuilderTest() override { AppConfig::SetApplicationMode(ApplicationMode::kDesktop); }
};

TEST_F(InitialSQLPresModelBuilderTest, BuildsForAConnectionClass) {
  const RefCntPtr<const InitialSQLPresModel> model = InitialSQLPresModelBuilder().Build(QStringLiteral("postgres"), true);
  EXPECT_TRUE(model->GetIsSupported());
  EXPECT_TRUE(model->GetIsInitialSqlVisible());
  EXPECT_FALSE(model->GetDoValidation());
  EXPECT_TRUE(model->GetInitialSQL().isEmpty());
  EXPECT_EQ(model->GetInitialSQLParameters(),
            (std::vector<TString>{QStringLiteral("[HalvaneApp]"), QStringLiteral("[ServerUser]"),
                                  QStringLiteral("[ServerUserFull]"), QStringLiteral("[HalvaneVersion]"),
                                  QStringLiteral("[WorkbookName]")}));
  EXPECT_EQ(model->GetLearnMoreUri(), QStringLiteral("https://help.halvane.com/current/connect-basic-initialsql.htm"));

  // Unknown classes and classes without initial SQL keep every default.
  EXPECT_TRUE(AtDefaults(*InitialSQLPresModelBuilder().Build(QStringLiteral("no-such-class"), true)));
  EXPECT_TRUE(AtDefaults(*InitialSQLPresModelBuilder().Build(QStringLiteral("excel-direct"), true)));
}

TEST_F(InitialSQLPresModelBuilderTest, FlowApplicationsOfferOtherParameters) {
  for (ApplicationMode mode :
       {ApplicationMode::kPrepDesktop, ApplicationMode::kFlowProcessor, ApplicationMode::kFlowProcessorService}) {
    AppConfig::SetApplicationMode(mode);
    EXPECT_EQ(InitialSQLPresModelBuilder().Build(QStringLiteral("mysql"), false)->GetInitialSQLParameters(),
              (std::vector<TString>{QStringLiteral("[FlowName]"), QStringLiteral("[HalvaneApp]"),
                                    QStringLiteral("[HalvaneVersion]")}));
  }
}

TEST_F(InitialSQLPresModelBuilderTest, BuildsFromAConnectionConfiguration) {
  auto config = MakeRefCnt<fake::PlainConfig>();
  config->state.supportsInitialSQL = true;
  config->state.isConnected = true;
  config->state.attributes = {{TString(DataConnectionAttrs::attrInitialSQL), QStringLiteral("SET stored;")}};
  const InitialSQLPresModelBuilder builder;
  RefCntPtr<const InitialSQLPresModel> model = builder.Build(config, {}, false);
  EXPECT_TRUE(model->GetIsSupported());
  EXPECT_FALSE(model->GetIsInitialSqlVisible());
  EXPECT_TRUE(model->GetDoValidation());
  EXPECT_EQ(model->GetInitialSQL(), QStringLiteral("SET stored;"));
  model = builder.Build(config, {{TString(DataConnectionAttrs::attrInitialSQL), QStringLiteral("SET edited;")}}, true);
  EXPECT_EQ(model->GetInitialSQL(), QStringLiteral("SET edited;"));

  config->state.supportsInitialSQL = false;
  EXPECT_TRUE(AtDefaults(*builder.Build(config, {}, true)));
  EXPECT_THROW(builder.Build(RefCntPtr<const DSConnectionConfig>(), {}, true), LogicException);
  EXPECT_THROW(DSConnectionConfig::CreateInstance(QStringLiteral("no-such-class"), {}), HalvaneException);
}

TEST(InitialSQLPresModelTest, TextCacheKeepsTheWrittenBytesAndConvertsOnlyOnRequest) {
  RefCntPtr<InitialSQLPresModel> model = MakeRefCnt<InitialSQLPresModel>();
  model->SetInitialSQL(QStringLiteral("caf\u00e9 \U0001F600"));
  SerializeStructure first;
  Serializer::SerializeObj(model, first);
  const std::string json = first.TakeJson();
  EXPECT_EQ("{" + model->GetSerializedJson() + "}", json);
  EXPECT_TRUE(model->GetSerializedVal().contains(QStringLiteral("caf\u00e9 \U0001F600")));

  // A cache set as text is written as its UTF-8 bytes, converted as every TString is.
  const TString text = QStringLiteral("\"initial-sql\":\"\u00e9") + QChar(0xD800) + QStringLiteral("\"");
  model->SetSerializedVal(text);
  EXPECT_EQ(model->GetSerializedJson(), ToUtf8(text));
  SerializeStructure again;
  Serializer::SerializeObj(model, again);
  EXPECT_EQ(again.TakeJson(), "{" + ToUtf8(text) + "}");
}

}  // namespace
