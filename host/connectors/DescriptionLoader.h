// Reading connector descriptions: one JSON file per connection class, in the format of
// docs/connectors.md.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connectors/DescriptionFile.h"
#include "host/connectors/ConnectorDescription.h"

#include <cstddef>
#include <string_view>

namespace Connect {

/// The largest description read: 1 MiB.
inline constexpr std::size_t kMaxConnectorDescriptionBytes = std::size_t{1} << 20;
/// The deepest nesting of arrays and objects a description may have (its modular dialog
/// included).
inline constexpr int kMaxConnectorDescriptionNesting = 64;

/// The description held by the UTF-8 JSON text `json`; `file` names where the text came from
/// in messages. Text that is not JSON, too large or too deep, a missing or mistyped field, an
/// unknown field or enum string, or facts that contradict each other raise
/// DescriptionFileException.
HLVHOST_API RefCntPtr<const ConnectorDescription> ParseConnectorDescription(std::string_view json,
                                                                          const TString& file);

/// The description in the file `path` (a file or a Qt resource such as
/// ":/hlv/connectors/postgres.json"). A file that cannot be read raises
/// DescriptionFileException as a malformed one does.
HLVHOST_API RefCntPtr<const ConnectorDescription> LoadConnectorDescription(const TString& path);

}  // namespace Connect
