// Connection configurations made from connector descriptions: the default configurations of
// DSConnectionConfig::CreateInstance.
//
// The factory asks the installed registry for the class's connector. A connector made from a
// description (Connect::ConnectorDescription) gives a relational, hierarchical, Google Analytics
// or plain configuration by the description's model; any other connector (a host's own registry) gives
// a plain configuration that knows only the class, its caption and whether it supports initial
// SQL and OAuth.
//
// Attributes: those of the request; when it has none, those of its data source. The "class"
// attribute is always there, and a new connection also gets the class's default attributes it
// lacks.
//
// Hierarchical and Google Analytics configurations answer their page's queries from a fixture
// (host/connectors/ConnectionFixture.h) when they are made from one.
//
// State: a configuration starts not connected, without uncommitted changes and without
// database variables; the host tells it otherwise through DescribedConfigState. It should
// finish connecting (ShouldFinishConnection) exactly when it is connected: only then can the
// lists of its data source page be read.
#pragma once

#include "host/HostExport.h"
#include "host/connect/DSConnectionConfig.h"

#include <atomic>

/// What a host tells a described configuration as its connection goes.
class HLVHOST_API DescribedConfigState {
 public:
  DescribedConfigState(const DescribedConfigState&) = delete;
  DescribedConfigState& operator=(const DescribedConfigState&) = delete;

  /// The state of `config`, or null when it was not made from a description by the default
  /// factory.
  static DescribedConfigState* Of(DSConnectionConfig& config);

  void SetConnected(bool connected) noexcept { m_connected = connected; }
  void SetHasUncommittedChanges(bool changes) noexcept { m_uncommittedChanges = changes; }
  void SetDbVariablesCount(int count) noexcept { m_dbVariablesCount = count; }

 protected:
  DescribedConfigState();
  virtual ~DescribedConfigState();

  std::atomic<bool> m_connected{false};
  std::atomic<bool> m_uncommittedChanges{false};
  std::atomic<int> m_dbVariablesCount{0};
};

namespace Connect {
class ConnectionFixture;
}

/// Makes configurations from the connector descriptions of Connect::Registry::Instance().
///
/// Without a fixture, a hierarchical configuration lists no catalogs and no cubes and a Google
/// Analytics one answers empty lists, nothing chosen and an unsampled response: neither has a
/// live service to ask.
class HLVHOST_API DescribedConfigFactory final : public IConnectionConfigFactory {
 public:
  /// A class the registry does not know raises HalvaneException naming it.
  RefCntPtr<DSConnectionConfig> CreateConfig(const ConnectionConfigRequest& request) const override;

  /// As CreateConfig, but a hierarchical configuration answers its catalog and cube queries
  /// from the fixture's cube part and a Google Analytics one its page's queries from the
  /// fixture's googleAnalytics part (each empty when missing). The fixture's state is not
  /// applied here (Connect::ConnectionFixture::CreateConfig does that). A position of a chosen
  /// Google Analytics entry outside its list raises LogicException.
  static RefCntPtr<DSConnectionConfig> CreateFixtureConfig(const ConnectionConfigRequest& request,
                                                           const Connect::ConnectionFixture& fixture);
};
