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

inline constexpr QLatin1String attrClass = Latin1Literal("class");
/// The id under which the credential service keeps a connection's secrets.
inline constexpr QLatin1String attrCredentialId = Latin1Literal("credential-id");
/// The id of a stored connection.
inline constexpr QLatin1String attrConnectionId = Latin1Literal("connection-id");
inline constexpr QLatin1String attrFilename = Latin1Literal("filename");
inline constexpr QLatin1String attrSSLCert = Latin1Literal("sslcert");
inline constexpr QLatin1String attrSSLFile = Latin1Literal("sslfile");
inline constexpr QLatin1String attrConnectionType = Latin1Literal("connection-type");
inline constexpr QLatin1String attrAuthentication = Latin1Literal("authentication");
inline constexpr QLatin1String attrPassword = Latin1Literal("password");
inline constexpr QLatin1String attrInitialSQL = Latin1Literal("initial-sql");

/// The instance an OAuth sign-in reaches; the one OAuth attribute that is not a secret.
inline constexpr QLatin1String attrInstanceUrl = Latin1Literal("instanceurl");

/// Attributes whose values are secrets whatever a connector's fields say: the password, the
/// workgroup (MDW) password, a private key and the pass phrase of its file, an SSL client key,
/// and the tokens and client secret of an OAuth sign-in.
inline constexpr QLatin1String secretAttrs[] = {
    attrPassword,           Latin1Literal("mdwpassword"),    Latin1Literal("priv-key"),
    Latin1Literal("priv-key-file-pwd"), Latin1Literal("ssl-client-key"), Latin1Literal("access-token"),
    Latin1Literal("refresh-token"),     Latin1Literal("id-token"),       Latin1Literal("client-secret")};

/// Whether `name` is one of secretAttrs.
inline bool IsSecretAttr(const TString& name) {
  for (QLatin1String secret : secretAttrs)
    if (name == secret) return true;
  return false;
}

}  // namespace DataConnectionAttrs
