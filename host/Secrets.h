// Secrets: which values are secrets, and how what is shown around them is kept free of them.
//
// One rule holds everywhere a value or a message leaves the library: a secret is shown by
// nothing, not even by part of it. A value that is a secret is replaced whole by kMask. A
// message is built from parts that cannot hold a secret; text from outside that may quote one
// (an ODBC driver's message, which may repeat the connection string it was given) is left out
// and the failure said in plain words instead. A secret is never searched for inside other text
// and masked there: masking a short password in an ordinary message would spell it out.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

class ParameterInfo;
class ParametersRegistry;

namespace Secrets {

/// What stands in place of a secret that has a value.
inline constexpr QLatin1String kMask = Latin1Literal("********");

/// Tells whether a connection attribute, by name, holds a secret.
using AttributePredicate = std::function<bool(const TString& name)>;

/// Whether the connection attribute `name` holds a secret whatever a connector's fields say:
/// the password and the other credentials of DataConnectionAttrs::secretAttrs, and the
/// connection strings a user may write a password into ("jdbcurl", "jdbcproperties",
/// "odbc-connect-string-extras").
HLVHOST_API bool IsSecretAttribute(const TString& name);

/// Whether a record field, the parameter `info`, holds a secret when a record is shown: a
/// security-sensitive parameter of the password type, or one of the security-sensitive fields
/// that carry a key or a connection string (widget-attr-ssl-client-key, widget-attr-jdbcurl,
/// widget-attr-jdbcproperties, widget-attr-odbc-string-extras). Other security-sensitive
/// parameters (captions, descriptions) are kept out of logs but shown to their user.
HLVHOST_API bool IsSecretParameter(const ParameterInfo& info);

/// `attributes` with the value of every secret attribute that has one replaced by kMask: those
/// IsSecretAttribute names, and those `alsoSecret` names (a connector's secure fields).
HLVHOST_API std::map<TString, TString> MaskAttributes(std::map<TString, TString> attributes,
                                                      const AttributePredicate& alsoSecret = {});

/// The JSON text form `json` of a parameter bag with every secret masked: the text of each
/// parameter IsSecretParameter names, and in the maps of connection attributes
/// (connector-attrs, connection-attrs, connection-props) the values of the secret attributes,
/// by IsSecretAttribute or `alsoSecret`; in oauth-attrs every value but the instance address.
/// Raises JsonTextException when `json` is not JSON.
HLVHOST_API std::string MaskParametersJson(std::string_view json, const ParametersRegistry& registry,
                                           const AttributePredicate& alsoSecret = {});

}  // namespace Secrets
