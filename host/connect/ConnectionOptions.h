// The choices a connector offers in its connection dialog: connection options, ODBC data
// source names and transport types. Plain values.
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/TString.h"

#include <utility>
#include <vector>

namespace Connect {

/// One way to reach the server, with the connection type it selects and the prompts it shows.
class HLVHOST_API ConnectionSettingsOption {
 public:
  ConnectionSettingsOption(TString name, TString connectionType, TString serverPrompt, bool showPortPrompt,
                           bool showServicePrompt)
      : m_name(std::move(name)), m_connectionType(std::move(connectionType)),
        m_serverPrompt(std::move(serverPrompt)), m_showPortPrompt(showPortPrompt),
        m_showServicePrompt(showServicePrompt) {}

  const TString& GetName() const noexcept { return m_name; }
  /// The "connection-type" attribute value the option stands for.
  const TString& GetConnectionType() const noexcept { return m_connectionType; }
  const TString& GetServerPrompt() const noexcept { return m_serverPrompt; }
  bool ShowPortPrompt() const noexcept { return m_showPortPrompt; }
  bool ShowServicePrompt() const noexcept { return m_showServicePrompt; }

 private:
  TString m_name;
  TString m_connectionType;
  TString m_serverPrompt;
  bool m_showPortPrompt;
  bool m_showServicePrompt;
};

/// One ODBC data source name offered to the user, with the values it brings.
class HLVHOST_API DsnSettingsOption {
 public:
  DsnSettingsOption(TString name, TString driver, TString server, TString port, TString database, TString username,
                    TString password)
      : m_name(std::move(name)), m_driver(std::move(driver)), m_server(std::move(server)), m_port(std::move(port)),
        m_database(std::move(database)), m_username(std::move(username)), m_password(std::move(password)) {}

  const TString& GetDsnName() const noexcept { return m_name; }
  const TString& GetDsnDriver() const noexcept { return m_driver; }
  const TString& GetDsnServer() const noexcept { return m_server; }
  const TString& GetDsnPort() const noexcept { return m_port; }
  const TString& GetDsnDatabase() const noexcept { return m_database; }
  const TString& GetDsnUsername() const noexcept { return m_username; }
  const TString& GetDsnPassword() const noexcept { return m_password; }

 private:
  TString m_name;
  TString m_driver;
  TString m_server;
  TString m_port;
  TString m_database;
  TString m_username;
  TString m_password;
};

/// The authentication options allowed for one connection type.
class HLVHOST_API ConnTypeToAuthOptionMapping {
 public:
  ConnTypeToAuthOptionMapping(TString connectionType, std::vector<AuthenticationEnums::AuthOption> authOptions)
      : m_connectionType(std::move(connectionType)), m_authOptions(std::move(authOptions)) {}

  const TString& GetConnectionType() const noexcept { return m_connectionType; }
  const std::vector<AuthenticationEnums::AuthOption>& GetAuthOptions() const noexcept { return m_authOptions; }

 private:
  TString m_connectionType;
  std::vector<AuthenticationEnums::AuthOption> m_authOptions;
};

/// One transport type (binary, HTTP, ...), with the authentication options it allows per
/// connection type.
class HLVHOST_API TransportTypeConfig {
 public:
  TransportTypeConfig(TString name, TString transportTypeValue, bool showHttpPrompt,
                      std::vector<ConnTypeToAuthOptionMapping> mappings)
      : m_name(std::move(name)), m_transportTypeValue(std::move(transportTypeValue)),
        m_showHttpPrompt(showHttpPrompt), m_mappings(std::move(mappings)) {}

  /// The name users see.
  const TString& GetName() const noexcept { return m_name; }
  /// The "transport-type" attribute value, such as "2".
  const TString& GetTransportTypeValue() const noexcept { return m_transportTypeValue; }
  bool GetShowHttpPrompt() const noexcept { return m_showHttpPrompt; }
  const std::vector<ConnTypeToAuthOptionMapping>& GetConnTypeToAuthOptionMappings() const noexcept {
    return m_mappings;
  }

 private:
  TString m_name;
  TString m_transportTypeValue;
  bool m_showHttpPrompt;
  std::vector<ConnTypeToAuthOptionMapping> m_mappings;
};

}  // namespace Connect
