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
//
// Live connections: DescribedConfigState::Connect opens a relational configuration's
// connection with its attributes (LiveConnection); its data source page then lists what the
// database's catalogue holds. A relational configuration without a live connection lists
// nothing and answers the page's other questions from its description.
#pragma once

#include "host/HostExport.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/connectors/Preview.h"

#include <atomic>
#include <memory>

class LiveConnection;

/// What a host tells a described configuration as its connection goes, and how it opens it.
class HLVHOST_API DescribedConfigState {
 public:
  DescribedConfigState(const DescribedConfigState&) = delete;
  DescribedConfigState& operator=(const DescribedConfigState&) = delete;

  /// The state of `config`, or null when it was not made from a description by the default
  /// factory.
  static DescribedConfigState* Of(DSConnectionConfig& config);

  /// Opens a live connection with the configuration's attributes, through the driver of its
  /// class's description, and marks the configuration connected. A connection already open is
  /// closed first. Raises DataSourceException, leaving the configuration not connected, when
  /// the configuration is not relational, when its class names no driver the host opens
  /// (SQLite, PostgreSQL, ODBC) or the driver is not installed, and when the database refuses
  /// the connection; the message says what the host was doing and quotes the database's own
  /// message, never a secret. An unknown "credential-id" raises the credential service's
  /// HalvaneException.
  ///
  /// The connection belongs to the calling thread (Qt's rule for a QSqlDatabase): read the
  /// configuration's lists, call Disconnect and release the configuration on that thread.
  /// Reading a list on another thread raises LogicException.
  void Connect();
  /// Closes the live connection, if one is open, and marks the configuration not connected.
  void Disconnect() noexcept;
  /// Whether a live connection is open.
  bool HasLiveConnection() const noexcept { return m_live != nullptr; }
  /// The columns and first rows of the table or query `request` names, read through the open
  /// live connection (LiveConnection::Preview) on the thread that connected. Raises
  /// DataSourceException when no live connection is open, and what LiveConnection::Preview
  /// raises.
  Preview::Result Preview(const Preview::Request& request) const;

  /// Marks the configuration connected or not without opening anything (for a host that
  /// connects by its own means); a live connection stays as it is.
  void SetConnected(bool connected) noexcept { m_connected = connected; }
  void SetHasUncommittedChanges(bool changes) noexcept { m_uncommittedChanges = changes; }
  void SetDbVariablesCount(int count) noexcept { m_dbVariablesCount = count; }

 protected:
  DescribedConfigState();
  virtual ~DescribedConfigState();

  /// Opens the configuration's live connection (see Connect).
  virtual std::unique_ptr<LiveConnection> OpenLiveConnection() const = 0;
  /// The open live connection, or null.
  const LiveConnection* Live() const noexcept { return m_live.get(); }

  std::atomic<bool> m_connected{false};
  std::atomic<bool> m_uncommittedChanges{false};
  std::atomic<int> m_dbVariablesCount{0};

 private:
  std::unique_ptr<LiveConnection> m_live;
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
