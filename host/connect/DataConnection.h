// IDataConnection: a live connection as the database-variable prompt sees it.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/datamodel/DatabaseVariables.h"

#include <type_traits>
#include <vector>

/// A connection made of the connections of several classes, whose queries the host federates.
/// Its database variables belong to its members, which prompt for them themselves.
class HLVHOST_API IFederatedSQLConnection {
 public:
  virtual ~IFederatedSQLConnection();
  /// The connection classes of its members, in order.
  virtual std::vector<TString> GetMemberConnectionClasses() const = 0;
};

/// A data connection and its database variables.
class HLVHOST_API IDataConnection : public RefCntObject {
 public:
  /// The connection class, such as "sapbw" or "saphana".
  virtual TString GetConnectionClassName() const = 0;
  /// The connection's variables; null when it has none (it does not support variables).
  virtual RefCntPtr<const Database_VariablesCollection_DataModel> GetDatabaseVariables() const = 0;
  /// Completes `variable` (a copy of one of the connection's variables) with what the
  /// connection would use for it when it is queried; the copy may be changed or replaced. A
  /// null `variable` raises LogicException.
  virtual void ResolveVariable(RefCntPtr<Database_Variable_DataModel>& variable) const = 0;

 protected:
  ~IDataConnection() override;
};

/// The interface `Interface` (a pointer type, such as IFederatedSQLConnection*) of
/// `connection`, or null when the connection does not have it or is null.
template <typename Interface>
Interface get_interface(const RefCntPtr<IDataConnection>& connection) {
  static_assert(std::is_pointer_v<Interface>, "get_interface asks for a pointer type");
  return dynamic_cast<Interface>(connection.Get());
}
