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

/// The instance an OAuth sign-in reaches; the one OAuth attribute that is not a secret.
inline constexpr QLatin1String attrInstanceUrl{"instanceurl"};

/// Attributes whose values are secrets whatever a connector's fields say: the password, the
/// workgroup (MDW) password, a private key and the pass phrase of its file, an SSL client key,
/// and the tokens and client secret of an OAuth sign-in.
inline constexpr QLatin1String secretAttrs[] = {
    attrPassword,           QLatin1String("mdwpassword"),    QLatin1String("priv-key"),
    QLatin1String("priv-key-file-pwd"), QLatin1String("ssl-client-key"), QLatin1String("access-token"),
    QLatin1String("refresh-token"),     QLatin1String("id-token"),       QLatin1String("client-secret")};

/// Whether `name` is one of secretAttrs.
inline bool IsSecretAttr(const TString& name) {
  for (QLatin1String secret : secretAttrs)
    if (name == secret) return true;
  return false;
}

}  // namespace DataConnectionAttrs
