// Connection attributes: the flat name-to-value map a connection is described by.
#pragma once

#include "host/TString.h"

#include <QLatin1String>

#include <unordered_map>

/// Connection attributes by name: "server", "port", "class", ...
using ConnectionAttributeMap = std::unordered_map<TString, TString>;

/// Secret attribute values by attribute name, as handed to the credential service.
using SecretMap = std::unordered_map<TString, TString>;

/// Names of connection attributes that the host itself gives a meaning to.
namespace DataConnectionAttrs {

inline constexpr QLatin1String attrClass{"class"};
/// The id under which the credential service keeps a connection's secrets.
inline constexpr QLatin1String attrCredentialId{"credential-id"};
/// The id of a stored connection.
inline constexpr QLatin1String attrConnectionId{"connection-id"};
inline constexpr QLatin1String attrFilename{"filename"};
inline constexpr QLatin1String attrSSLCert{"sslcert"};
inline constexpr QLatin1String attrSSLFile{"sslfile"};
inline constexpr QLatin1String attrConnectionType{"connection-type"};
inline constexpr QLatin1String attrAuthentication{"authentication"};
inline constexpr QLatin1String attrPassword{"password"};
inline constexpr QLatin1String attrInitialSQL{"initial-sql"};

}  // namespace DataConnectionAttrs
