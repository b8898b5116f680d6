#include "presentation-model/HlvdocPresModelHelper.h"

#include "host/Exceptions.h"
#include "host/ObjectFactory.h"
#include "presentation-model/HalvaneServerConnectionDescriptionPresModel.h"
#include "presentation-model/HalvaneServerDataPresModel.h"
#include "presentation-model/HalvaneServerDataSourcePresModel.h"
#include "presentation-model/HalvaneServerDataSourcesPresModel.h"
#include "presentation-model/HalvaneServerProjectsPresModel.h"
#include "presentation-model/SlowMetadataSearchPresModel.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

TString T(const char* text) { return QString::fromUtf8(text); }

class OtherHelper final : public HlvdocPresModelHelper {
 public:
  void AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>&, RefCntPtr<ConnectionDescriptionPresModel>&) override {}
  void AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>&) override {}
  void AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>&,
                       const RefCntPtr<const RelationalDSConnectionConfig>&) override {}
};

void RegisterDefault() {
  ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, [] {
    return RefCntPtr<RefCntObject>(MakeRefCnt<DefaultHlvdocPresModelHelper>());
  });
}

TEST(HlvdocPresModelHelperTest, TheDefaultStandsUntilAHostRegistersItsOwn) {
  EXPECT_NE(DynamicPointerCast<DefaultHlvdocPresModelHelper>(HlvdocPresModelHelper::Create()), nullptr);

  ObjectFactoryUtils::RegisterFactory(T("SharedHlvDoc"), T("HlvdocPresModelHelperID"),
                                      [] { return RefCntPtr<RefCntObject>(MakeRefCnt<OtherHelper>()); });
  EXPECT_NE(DynamicPointerCast<OtherHelper>(HlvdocPresModelHelper::Create()), nullptr);

  // A factory of something else, or none at all, is a fault of the host.
  ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId,
                                      [] { return RefCntPtr<RefCntObject>(MakeRefCnt<fake::DataSource>()); });
  EXPECT_THROW(HlvdocPresModelHelper::Create(), LogicException);
  ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, nullptr);
  EXPECT_THROW(HlvdocPresModelHelper::Create(), LogicException);
  RegisterDefault();
}

TEST(HlvdocPresModelHelperTest, TheServerPartsComeFromTheConnectionsAttributes) {
  auto config = MakeRefCnt<fake::PlainConfig>();
  config->state.attributes = {{T("server"), T("https://analytics.example.com")},
                              {T("username"), T("ann")},
                              {T("datasource"), T("Orders")},
                              {T("project"), T("Finance")}};
  RefCntPtr<ConnectionDescriptionPresModel> record = MakeRefCnt<ConnectionDescriptionPresModel>();
  const RefCntPtr<DefaultHlvdocPresModelHelper> helper = MakeRefCnt<DefaultHlvdocPresModelHelper>();
  helper->AddHalvaneServer(config, record);
  const RefCntPtr<const HalvaneServerConnectionDescriptionPresModel> server = record->GetHalvaneServerPresModel();
  EXPECT_EQ(server->GetServerName(), T("https://analytics.example.com"));
  EXPECT_EQ(server->GetUsername(), T("ann"));
  EXPECT_EQ(server->GetSelectedDSName(), T("Orders"));

  // The browsing state reads the record's own attributes.
  record->SetConnectionAttributess({config->state.attributes.begin(), config->state.attributes.end()});
  helper->AddHalvaneServerData(record);
  const RefCntPtr<const HalvaneServerDataPresModel> data = record->GetHalvaneServerDataPresModel();
  EXPECT_FALSE(data->GetIsEmpty());
  EXPECT_EQ(data->GetHalvaneServerProjectsPresModel()->GetProjects(), std::vector<TString>{T("Finance")});
  EXPECT_EQ(data->GetHalvaneServerProjectsPresModel()->GetSelectedProject(), T("Finance"));
  const RefCntPtr<const HalvaneServerDataSourcesPresModel> dataSources = data->GetHalvaneServerDataSourcesPresModel();
  ASSERT_EQ(dataSources->GetDataSourceCount(), 1u);
  EXPECT_EQ(dataSources->GetDataSource(0)->GetDatasourceName(), T("Orders"));
  EXPECT_EQ(dataSources->GetDataSource(0)->GetProjectName(), T("Finance"));

  record->ClearConnectionAttributess();
  helper->AddHalvaneServerData(record);
  EXPECT_TRUE(record->GetHalvaneServerDataPresModel()->GetIsEmpty());
}

TEST(HlvdocPresModelHelperTest, SlowMetadataSearchesTheChosenSchemaAndEveryTable) {
  auto rel = MakeRefCnt<fake::RelationalConfig>();
  rel->state.configName = T("Sales");
  rel->rel.texts[T("SchemaName")] = T("public");
  RefCntPtr<ConnectionDescriptionPresModel> record = MakeRefCnt<ConnectionDescriptionPresModel>();
  const RefCntPtr<DefaultHlvdocPresModelHelper> helper = MakeRefCnt<DefaultHlvdocPresModelHelper>();
  helper->AddSlowMetadata(record, rel);

  RefCntPtr<const SlowMetadataSearchPresModel> schemas = record->GetSlowMetadataSchemaSearchPresModel();
  EXPECT_EQ(schemas->GetConnectionName(), T("Sales"));
  EXPECT_EQ(schemas->GetEntityType(), EntityType::SchemaEntity);
  EXPECT_EQ(schemas->GetSearchType(), PickEntitySearchType::ExactMatch);
  EXPECT_EQ(schemas->GetSearchTerm(), T("public"));
  const RefCntPtr<const SlowMetadataSearchPresModel> tables = record->GetSlowMetadataTableSearchPresModel();
  EXPECT_EQ(tables->GetEntityType(), EntityType::TableEntity);
  EXPECT_EQ(tables->GetSearchType(), PickEntitySearchType::Default);
  EXPECT_EQ(tables->GetSearchTerm(), TString());

  // A connection that ignores schemas looks for none in particular.
  rel->rel.answers.insert(T("ShouldIgnoreSchema"));
  helper->AddSlowMetadata(record, rel);
  schemas = record->GetSlowMetadataSchemaSearchPresModel();
  EXPECT_EQ(schemas->GetSearchType(), PickEntitySearchType::Default);
  EXPECT_EQ(schemas->GetSearchTerm(), TString());
}

}  // namespace
