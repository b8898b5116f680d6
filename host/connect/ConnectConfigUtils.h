// Helpers over a connection configuration that the dialog builders share.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"

class DSConnectionConfig;

namespace ConnectConfigUtils {

/// The caption of the connection `config` describes, as the dialog's title shows it: the
/// configuration's name when it has one, else the class caption.
HLVHOST_API TString GetConnectionCaption(const RefCntPtr<const DSConnectionConfig>& config);

/// The id and the current text of the cube connection specification option that a
/// hierarchical `config` has selected, for its own attributes; both empty when `config` is
/// not hierarchical or selects none.
HLVHOST_API void GetCubeSpecification(const RefCntPtr<const DSConnectionConfig>& config, TString& id, TString& value);

}  // namespace ConnectConfigUtils

namespace DataConnectionAuthentication {

/// Whether connecting with `connectionClass` may need a user name (asked of the registry).
HLVHOST_API bool MayNeedAuth(const TString& connectionClass);

}  // namespace DataConnectionAuthentication
