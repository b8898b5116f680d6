// Reading connector descriptions: one JSON file per connection class, in the format of
// docs/connectors.md.
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connectors/ConnectorDescription.h"

#include <cstddef>
#include <string_view>

namespace Connect {

/// A connector description that cannot be used. The message names the file, the field (as a
/// JSON pointer such as "/authentication/mode") and what is wrong with it.
class HLVHOST_API ConnectorDescriptionException : public HalvaneException {
 public:
  /// `field` is empty when the fault is the text as a whole (not JSON, too large, ...).
  ConnectorDescriptionException(TString file, TString field, TString problem);
  ~ConnectorDescriptionException() override;

  const TString& GetFile() const noexcept { return m_file; }
  const TString& GetField() const noexcept { return m_field; }
  const TString& GetProblem() const noexcept { return m_problem; }

 private:
  TString m_file;
  TString m_field;
  TString m_problem;
};

/// The largest description read: 1 MiB.
inline constexpr std::size_t kMaxConnectorDescriptionBytes = std::size_t{1} << 20;
/// The deepest nesting of arrays and objects a description may have (its modular dialog
/// included).
inline constexpr int kMaxConnectorDescriptionNesting = 64;

/// The description held by the UTF-8 JSON text `json`; `file` names where the text came from
/// in messages. Text that is not JSON, too large or too deep, a missing or mistyped field, an
/// unknown field or enum string, or facts that contradict each other raise
/// ConnectorDescriptionException.
HLVHOST_API RefCntPtr<const ConnectorDescription> ParseConnectorDescription(std::string_view json,
                                                                          const TString& file);

/// The description in the file `path` (a file or a Qt resource such as
/// ":/hlv/connectors/postgres.json"). A file that cannot be read raises
/// ConnectorDescriptionException as a malformed one does.
HLVHOST_API RefCntPtr<const ConnectorDescription> LoadConnectorDescription(const TString& path);

}  // namespace Connect
