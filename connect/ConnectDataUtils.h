// ConnectDataUtils: from the connection record a dialog hands back to the connector parameter set
// the host connects with.
#pragma once

#include "connect/DSConnectorParams.h"
#include "host/RefCntPtr.h"
#include "host/connect/DSConnectionConfig.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/ConnectionParamsPresModel.h"

#include <memory>

namespace ConnectDataUtils {

/// The connector parameter set of the edited connection record `presModel` for the connection
/// `config`; never null. Its "class" is the configuration's class.
///
/// With the connection-fields feature flag on and a relational configuration whose field model
/// lists fields, the attributes are the record's connector attributes named by those fields
/// (secure fields marked secure), plus the OAuth attributes of an OAuth sign-in and the key of
/// a Snowflake key-pair sign-in, read from the key file and decrypted. Otherwise a fixed list of
/// dialog fields is copied: a field the dialog shows is always written, even empty, a hidden
/// one only when it has a value.
///
/// A null `config` or `presModel` raises "Null pointer dereferenced"; a field list naming
/// "credential-id" or "connection-id" raises LogicException. A key file that cannot be read or
/// decrypted, or that is larger than kMaxPrivateKeyBytes, raises the host's HalvaneException
/// naming the file, never the key or its pass phrase.
HLVPRES_API std::unique_ptr<DSConnectorParams> DSParamsFromPresModel(
    RefCntPtr<const DSConnectionConfig> config, RefCntPtr<const ConnectionParamsPresModel> presModel);

/// Replaces the certificate file that `presModel` names in its "sslfile" connector attribute by
/// the certificate's text, under "sslcert" of `dsParams`, and drops "sslfile". Runs only with the
/// connection-fields feature flag on, for a relational configuration with a modular dialog.
///
/// "sslfile" holding the already-loaded label keeps the certificate `dsParams` has (both the
/// record's and the set's "sslcert" must then be non-empty, else LogicException); an empty one
/// clears it. A file that is missing or unreadable logs a warning naming it and raises
/// HalvaneException with a localized message; "sslfile" then stays.
HLVPRES_API void LoadSSLCert(RefCntPtr<const DSConnectionConfig> config, DSConnectorParams& dsParams,
                             RefCntPtr<const ConnectionParamsPresModel> presModel);

}  // namespace ConnectDataUtils
