#include "presentation-model/HlvdocPresModelHelper.h"

#include "host/Exceptions.h"
#include "host/ObjectFactory.h"
#include "presentation-model/HalvaneServerConnectionDescriptionPresModel.h"
#include "presentation-model/HalvaneServerDataPresModel.h"
#include "presentation-model/HalvaneServerDataSourcePresModel.h"
#include "presentation-model/HalvaneServerDataSourcesPresModel.h"
#include "presentation-model/HalvaneServerProjectsPresModel.h"
#include "presentation-model/SlowMetadataSearchPresModelBuilder.h"

namespace {

// The attributes the default helper reads.
constexpr QLatin1String kServer = Latin1Literal("server");
constexpr QLatin1String kUsername = Latin1Literal("username");
constexpr QLatin1String kDataSource = Latin1Literal("datasource");
constexpr QLatin1String kProject = Latin1Literal("project");

template <typename Map>
TString ValueOf(const Map& attributes, QLatin1String name) {
  const auto found = attributes.find(name);
  return found == attributes.end() ? TString() : found->second;
}

// The default helper stands until a host registers its own: registered when the library loads.
const struct RegisterDefaultHelper {
  RegisterDefaultHelper() {
    ObjectFactoryUtils::RegisterFactory(HlvdocPresModelHelper::kLibrary, HlvdocPresModelHelper::kObjectId, [] {
      return RefCntPtr<RefCntObject>(MakeRefCnt<DefaultHlvdocPresModelHelper>());
    });
  }
} registerDefaultHelper;

}  // namespace

HlvdocPresModelHelper::~HlvdocPresModelHelper() = default;

RefCntPtr<HlvdocPresModelHelper> HlvdocPresModelHelper::Create() {
  RefCntPtr<HlvdocPresModelHelper> helper = ObjectFactoryUtils::CreateObject<HlvdocPresModelHelper>(kLibrary, kObjectId);
  HLV_ASSERT(helper != nullptr);
  return helper;
}

DefaultHlvdocPresModelHelper::~DefaultHlvdocPresModelHelper() = default;

void DefaultHlvdocPresModelHelper::AddHalvaneServer(const RefCntPtr<const DSConnectionConfig>& config,
                                                    RefCntPtr<ConnectionDescriptionPresModel>& record) {
  const DSConnectionConfig::Attributes& attributes = config->GetConnectionAttributes();
  RefCntPtr<HalvaneServerConnectionDescriptionPresModel> server =
      MakeRefCnt<HalvaneServerConnectionDescriptionPresModel>();
  server->SetServerName(ValueOf(attributes, kServer));
  server->SetUsername(ValueOf(attributes, kUsername));
  server->SetSelectedDSName(ValueOf(attributes, kDataSource));
  record->SetHalvaneServerPresModel(server);
}

void DefaultHlvdocPresModelHelper::AddHalvaneServerData(RefCntPtr<ConnectionDescriptionPresModel>& record) {
  const std::map<TString, TString>& attributes = record->GetConnectionAttributess();
  const TString project = ValueOf(attributes, kProject);
  const TString dataSource = ValueOf(attributes, kDataSource);

  RefCntPtr<HalvaneServerProjectsPresModel> projects = MakeRefCnt<HalvaneServerProjectsPresModel>();
  if (!project.isEmpty()) {
    projects->AddProject(project);
    projects->SetSelectedProject(project);
  }
  RefCntPtr<HalvaneServerDataSourcesPresModel> dataSources = MakeRefCnt<HalvaneServerDataSourcesPresModel>();
  dataSources->SetProjectName(project);
  if (!dataSource.isEmpty()) {
    RefCntPtr<HalvaneServerDataSourcePresModel> chosen = MakeRefCnt<HalvaneServerDataSourcePresModel>();
    chosen->SetDatasourceName(dataSource);
    chosen->SetProjectName(project);
    // The connection reads it already, so it can be connected to.
    chosen->SetConnectable(true);
    dataSources->AddDataSource(chosen);
  }

  RefCntPtr<HalvaneServerDataPresModel> data = MakeRefCnt<HalvaneServerDataPresModel>();
  data->SetHalvaneServerProjectsPresModel(projects);
  data->SetHalvaneServerDataSourcesPresModel(dataSources);
  data->SetIsEmpty(project.isEmpty() && dataSource.isEmpty());
  record->SetHalvaneServerDataPresModel(data);
}

void DefaultHlvdocPresModelHelper::AddSlowMetadata(RefCntPtr<ConnectionDescriptionPresModel>& record,
                                                   const RefCntPtr<const RelationalDSConnectionConfig>& rel) {
  const TString connectionName = rel->GetConfigName();
  const TString schema = rel->ShouldIgnoreSchema() ? TString() : rel->SchemaName();
  record->SetSlowMetadataSchemaSearchPresModel(
      SlowMetadataSearchPresModelBuilder(connectionName, EntityType::SchemaEntity,
                                         schema.isEmpty() ? PickEntitySearchType::Default
                                                          : PickEntitySearchType::ExactMatch,
                                         schema, /*hasPermissions=*/true, /*checkPermissions=*/false)
          .Build());
  record->SetSlowMetadataTableSearchPresModel(
      SlowMetadataSearchPresModelBuilder(connectionName, EntityType::TableEntity, PickEntitySearchType::Default,
                                         TString(), /*hasPermissions=*/true, /*checkPermissions=*/false)
          .Build());
}
