// DSConnectionConfig: the configuration of one data source connection.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectorRegistry.h"

#include <unordered_map>

/// The connection attributes of a data source, with what its connector can do.
///
/// The default implementation is driven by data: a connector from the registry and a map of
/// connection attributes. Hosts with richer connection models derive from it.
class HLVHOST_API DSConnectionConfig : public RefCntObject {
 public:
  using Attributes = std::unordered_map<TString, TString>;

  /// The attribute that holds the initial SQL statement.
  static const TString& InitialSQLAttribute();

  /// A configuration of `connector` holding `attributes`; not connected.
  DSConnectionConfig(RefCntPtr<const Connect::IConnector> connector, Attributes attributes);

  /// A configuration of the registry's connector for `connectionClass`. An unknown class is
  /// a HalvaneException.
  static RefCntPtr<DSConnectionConfig> CreateInstance(const TString& connectionClass, Attributes attributes);

  virtual TString ClassName() const;
  virtual const Attributes& GetConnectionAttributes() const;
  virtual bool IsConnected() const;
  virtual bool SupportsInitialSQL() const;
  /// The initial SQL statement of `attributes`, or of this configuration's own attributes
  /// when `attributes` has none.
  virtual TString GetInitialSQL(const Attributes& attributes) const;

  void SetConnected(bool connected) { m_connected = connected; }

 protected:
  ~DSConnectionConfig() override;

 private:
  RefCntPtr<const Connect::IConnector> m_connector;
  Attributes m_attributes;
  bool m_connected = false;
};
