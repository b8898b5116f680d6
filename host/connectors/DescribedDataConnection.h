// DescribedDataConnection: a data connection whose database variables a JSON description gives
// (docs/variables.md), for hosts and tools that prompt for variables without a live service.
//
//   RefCntPtr<IDataConnection> connection = Connect::DescribedDataConnection::Load(path);
#pragma once

#include "host/Exceptions.h"
#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connectors/DescriptionFile.h"
#include "host/connect/DataConnection.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace Connect {

/// The largest variables description read: 16 MiB.
inline constexpr std::size_t kMaxVariablesDescriptionBytes = std::size_t{16} << 20;
/// The deepest nesting of arrays and objects a variables description may have.
inline constexpr int kMaxVariablesDescriptionNesting = 16;

/// A data connection of a class, with the database variables of a description, or none.
///
/// ResolveVariable completes a variable as a server would before a query: a variable without a
/// current value gets its declared default value (when it declares one), and a literal without
/// an alias takes the alias of the selection item holding the same value.
class HLVHOST_API DescribedDataConnection : public IDataConnection {
 public:
  /// A connection of `className` with `variables` (null: a connection without variables).
  DescribedDataConnection(TString className, RefCntPtr<const Database_VariablesCollection_DataModel> variables);

  /// A connection as the constructor makes it; when `members` names member classes, a
  /// federated one, which get_interface<IFederatedSQLConnection*> finds.
  static RefCntPtr<DescribedDataConnection> Create(TString className,
                                                   RefCntPtr<const Database_VariablesCollection_DataModel> variables,
                                                   std::vector<TString> members);

  TString GetConnectionClassName() const override { return m_className; }
  RefCntPtr<const Database_VariablesCollection_DataModel> GetDatabaseVariables() const override { return m_variables; }
  void ResolveVariable(RefCntPtr<Database_Variable_DataModel>& variable) const override;

  /// The connection the UTF-8 JSON text `json` describes; `file` names where the text came from
  /// in messages. Text that is not JSON, too large or too deep, a missing, mistyped, unknown or
  /// repeated field, an unknown data type, a value that is not one of its variable's type, two
  /// variables with one GUID or one name, or a range value without two literals raise
  /// DescriptionFileException.
  static RefCntPtr<DescribedDataConnection> Parse(std::string_view json, const TString& file);
  /// The connection the file `path` describes. A file that cannot be read, or is larger than
  /// kMaxVariablesDescriptionBytes, raises DescriptionFileException as a malformed one does.
  static RefCntPtr<DescribedDataConnection> Load(const TString& path);

 protected:
  ~DescribedDataConnection() override;

 private:
  TString m_className;
  RefCntPtr<const Database_VariablesCollection_DataModel> m_variables;
};

}  // namespace Connect
