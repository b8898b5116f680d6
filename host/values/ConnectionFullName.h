// ConnectionFullName: which connection of which data source a dialog is about.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <utility>

/// The full name of one connection: the name of its data source, its own name within that data
/// source, and the context it was opened in. Any of the three may be empty; the default name has
/// all three empty.
class HLVHOST_API ConnectionFullName {
 public:
  ConnectionFullName() = default;

  /// The name of a connection that has no connections of its own below it.
  static ConnectionFullName LeafConnection(const TString& dataSource, const TString& connection,
                                           const TString& context) {
    return ConnectionFullName(dataSource, connection, context);
  }

  const TString& GetDataSourceName() const noexcept { return m_dataSource; }
  const TString& GetConnectionName() const noexcept { return m_connection; }
  const TString& GetContext() const noexcept { return m_context; }

  friend bool operator==(const ConnectionFullName& a, const ConnectionFullName& b) {
    return a.m_dataSource == b.m_dataSource && a.m_connection == b.m_connection && a.m_context == b.m_context;
  }
  friend bool operator!=(const ConnectionFullName& a, const ConnectionFullName& b) { return !(a == b); }

 private:
  ConnectionFullName(TString dataSource, TString connection, TString context)
      : m_dataSource(std::move(dataSource)), m_connection(std::move(connection)), m_context(std::move(context)) {}

  TString m_dataSource;
  TString m_connection;
  TString m_context;
};
