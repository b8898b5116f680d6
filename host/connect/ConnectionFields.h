// The connection fields of a connector: the attributes its dialog edits, and which of them
// hold secrets.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"

#include <vector>

namespace Connect {

/// Selects the fields that apply to a connection in a given state: a field may apply only when
/// other attributes hold given values (the key file only for key-pair authentication, say).
class HLVHOST_API ConnectionFieldsFilter {
 public:
  explicit ConnectionFieldsFilter(ConnectionAttributeMap attributes);

  /// The attributes the filter decides by.
  const ConnectionAttributeMap& GetAttributes() const noexcept { return m_attributes; }
  /// The value of `name` among those attributes; empty when absent.
  TString GetValue(const TString& name) const;

 private:
  ConnectionAttributeMap m_attributes;
};

/// Makes the filters the connection model asks fields with.
class HLVHOST_API ConnectionFieldsFilterFactory {
 public:
  static const ConnectionFieldsFilterFactory& Instance();

  /// The filter of a connection whose attributes are `attributes`.
  ConnectionFieldsFilter CreateFilter(const ConnectionAttributeMap& attributes) const;
};

/// One connection field: an attribute that the connector's dialog edits.
class HLVHOST_API ConnectionField {
 public:
  ConnectionField(TString name, bool secure);

  /// The attribute's name, such as "server".
  const TString& GetName() const noexcept { return m_name; }
  /// Whether the attribute's value is a secret, kept by the credential service.
  bool IsSecure() const noexcept { return m_secure; }

 private:
  TString m_name;
  bool m_secure;
};

/// The connection fields of one connection class.
class HLVHOST_API IConnectionFieldsModel : public RefCntObject {
 public:
  /// The names of the fields that apply under `filter`, in the connector's order.
  virtual std::vector<TString> GetConnectionFieldsNames(const ConnectionFieldsFilter& filter) const = 0;
  /// The field called `name`, or null when the connector has none by that name.
  virtual const ConnectionField* GetField(const TString& name) const = 0;

 protected:
  ~IConnectionFieldsModel() override;
};

}  // namespace Connect
