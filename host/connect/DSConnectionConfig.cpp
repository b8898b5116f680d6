#include "host/connect/DSConnectionConfig.h"

#include "host/Exceptions.h"

#include <utility>

const TString& DSConnectionConfig::InitialSQLAttribute() {
  static const TString name = QStringLiteral("initial-sql");
  return name;
}

DSConnectionConfig::DSConnectionConfig(RefCntPtr<const Connect::IConnector> connector, Attributes attributes)
    : m_connector(std::move(connector)), m_attributes(std::move(attributes)) {
  HLV_ASSERT(m_connector != nullptr);
}

DSConnectionConfig::~DSConnectionConfig() = default;

RefCntPtr<DSConnectionConfig> DSConnectionConfig::CreateInstance(const TString& connectionClass,
                                                                 Attributes attributes) {
  RefCntPtr<const Connect::IConnector> connector = Connect::Registry::Instance().LookupConnector(connectionClass);
  if (!connector) throw HalvaneException(QStringLiteral("Unknown connection class \"%1\"").arg(connectionClass));
  return MakeRefCnt<DSConnectionConfig>(std::move(connector), std::move(attributes));
}

TString DSConnectionConfig::ClassName() const { return m_connector->GetClassName(); }

const DSConnectionConfig::Attributes& DSConnectionConfig::GetConnectionAttributes() const { return m_attributes; }

bool DSConnectionConfig::IsConnected() const { return m_connected; }

bool DSConnectionConfig::SupportsInitialSQL() const { return m_connector->SupportsInitialSQL(); }

TString DSConnectionConfig::GetInitialSQL(const Attributes& attributes) const {
  auto found = attributes.find(InitialSQLAttribute());
  if (found != attributes.end()) return found->second;
  found = m_attributes.find(InitialSQLAttribute());
  return found != m_attributes.end() ? found->second : TString();
}
