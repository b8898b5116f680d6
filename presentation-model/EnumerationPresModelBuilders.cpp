#include "presentation-model/EnumerationPresModelBuilders.h"

#include "host/app/AppConfig.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connect/DataSourceException.h"
#include "presentation-model/ConnectionTableInfoPresModel.h"
#include "presentation-model/WarehouseNamesPresModel.h"

#include <map>
#include <utility>
#include <vector>

namespace {

// Whether the list that `canEnumerate` asks about may be read: there is a configuration, its
// connection is finished far enough, and the list applies to it. Nothing else is asked of a
// connection that is not to be finished yet.
bool MayList(const RefCntPtr<const RelationalDSConnectionConfig>& config,
             bool (RelationalDSConnectionConfig::*canEnumerate)() const) {
  return config && config->ShouldFinishConnection() && ((*config).*canEnumerate)();
}

// The connection class whose failed table fetches are never swallowed.
bool PropagatesTableFailures(const TString& connectionClass) {
  return connectionClass == QLatin1String("nimbara-zeltra");
}

}  // namespace

DatabaseEnumerationPresModelBuilder::DatabaseEnumerationPresModelBuilder(
    RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
DatabaseEnumerationPresModelBuilder::~DatabaseEnumerationPresModelBuilder() = default;

RefCntPtr<const DatabaseEnumerationPresModel> DatabaseEnumerationPresModelBuilder::Build() const {
  RefCntPtr<DatabaseEnumerationPresModel> presModel = MakeRefCnt<DatabaseEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateDatabases)) return presModel;
  std::vector<TString> databases;
  m_config->EnumerateDatabases(databases);
  presModel->SetDatabaseInfos(std::move(databases));
  return presModel;
}

SchemaEnumerationPresModelBuilder::SchemaEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
SchemaEnumerationPresModelBuilder::~SchemaEnumerationPresModelBuilder() = default;

RefCntPtr<const SchemaEnumerationPresModel> SchemaEnumerationPresModelBuilder::Build() const {
  RefCntPtr<SchemaEnumerationPresModel> presModel = MakeRefCnt<SchemaEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateSchemas)) return presModel;
  std::vector<TString> schemas;
  m_config->EnumerateSchemas(schemas);
  presModel->SetSchemaInfos(std::move(schemas));
  return presModel;
}

TableEnumerationPresModelBuilder::TableEnumerationPresModelBuilder(RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
TableEnumerationPresModelBuilder::~TableEnumerationPresModelBuilder() = default;

RefCntPtr<const TableEnumerationPresModel> TableEnumerationPresModelBuilder::Build() const {
  RefCntPtr<TableEnumerationPresModel> presModel = MakeRefCnt<TableEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateTables)) return presModel;

  presModel->SetAllowPreviewData(!m_config->HasCapability(kNoDataPreviewCapability));
  const TString connectionClass = m_config->ClassName();
  if (Connect::Registry::IsSemiStructOrDerivedClass(connectionClass)) presModel->SetAllowPreviewData(false);

  std::vector<RelationalDSConnectionConfigTableInfo> tables;
  try {
    m_config->EnumerateTables(tables);
  } catch (const DataSourceException&) {
    // Elsewhere the page offers the tables that could be read before the failure.
    if (AppConfig::IsHalvanePrep() || PropagatesTableFailures(connectionClass)) throw;
  }

  std::vector<RefCntPtr<const ConnectionTableInfoPresModel>> infos;
  infos.reserve(tables.size());
  for (RelationalDSConnectionConfigTableInfo& table : tables) {
    RefCntPtr<ConnectionTableInfoPresModel> info = MakeRefCnt<ConnectionTableInfoPresModel>();
    info->SetName(table.TakeQualifiedName());
    info->SetCaption(table.TakeCaption());
    info->SetTooltip(table.TakeTooltip());
    info->SetSortKey(table.TakeSortKey());
    info->SetIconEnum(table.GetIconEnum());
    info->SetIsEnabled(table.IsEnabled());
    infos.push_back(std::move(info));
  }
  presModel->SetTableInfos(std::move(infos));
  return presModel;
}

WarehouseEnumerationPresModelBuilder::WarehouseEnumerationPresModelBuilder(
    RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
WarehouseEnumerationPresModelBuilder::~WarehouseEnumerationPresModelBuilder() = default;

RefCntPtr<const WarehouseEnumerationPresModel> WarehouseEnumerationPresModelBuilder::Build() const {
  RefCntPtr<WarehouseEnumerationPresModel> presModel = MakeRefCnt<WarehouseEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateWarehouses)) return presModel;
  std::vector<std::pair<TString, TString>> warehouses;
  m_config->EnumerateWarehouses(warehouses);

  std::vector<RefCntPtr<const WarehouseNamesPresModel>> names;
  names.reserve(warehouses.size());
  for (const auto& [apiName, displayName] : warehouses) {
    RefCntPtr<WarehouseNamesPresModel> name = MakeRefCnt<WarehouseNamesPresModel>();
    name->SetApiName(apiName);
    name->SetDisplayName(displayName);
    names.push_back(std::move(name));
  }
  presModel->SetWarehouseNames(std::move(names));
  return presModel;
}

StoredProcedureEnumerationPresModelBuilder::StoredProcedureEnumerationPresModelBuilder(
    RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
StoredProcedureEnumerationPresModelBuilder::~StoredProcedureEnumerationPresModelBuilder() = default;

RefCntPtr<const StoredProcedureEnumerationPresModel> StoredProcedureEnumerationPresModelBuilder::Build() const {
  RefCntPtr<StoredProcedureEnumerationPresModel> presModel = MakeRefCnt<StoredProcedureEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateStoredProcedures)) return presModel;
  std::vector<QualifiedName> procedures;
  m_config->EnumerateStoredProcedures(procedures);
  presModel->SetStoredProcInfos(std::move(procedures));
  return presModel;
}

StandardConnectionEnumerationPresModelBuilder::StandardConnectionEnumerationPresModelBuilder(
    RefCntPtr<const RelationalDSConnectionConfig> config)
    : m_config(std::move(config)) {}
StandardConnectionEnumerationPresModelBuilder::~StandardConnectionEnumerationPresModelBuilder() = default;

RefCntPtr<const StandardConnectionEnumerationPresModel> StandardConnectionEnumerationPresModelBuilder::Build() const {
  RefCntPtr<StandardConnectionEnumerationPresModel> presModel = MakeRefCnt<StandardConnectionEnumerationPresModel>();
  if (!MayList(m_config, &RelationalDSConnectionConfig::CanEnumerateStandardConnections)) return presModel;
  std::vector<TString> names;
  m_config->EnumerateStandardConnections(names);
  presModel->SetStandardConnectionInfos(names);

  // Every listed name gets an entry, possibly empty; a name listed twice is asked twice and
  // keeps the later answer.
  std::map<TString, TString> tooltips;
  for (const TString& name : names) tooltips.insert_or_assign(name, m_config->GetStandardConnectionTooltip(name));
  presModel->SetStandardConnectionTooltips(std::move(tooltips));
  return presModel;
}
