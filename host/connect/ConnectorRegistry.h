// Connect::IRegistry: the connectors the host knows, by connection class.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"

#include <map>
#include <string_view>
#include <vector>

namespace Connect {

/// What the host knows of one connection class.
class HLVHOST_API IConnector : public RefCntObject {
 public:
  /// The connection class, such as "postgres".
  virtual const TString& GetClassName() const = 0;
  /// The name users see, such as "PostgreSQL".
  virtual const TString& GetCaption() const = 0;
  /// Whether the class can run an initial SQL statement when it connects.
  virtual bool SupportsInitialSQL() const = 0;

 protected:
  ~IConnector() override;
};

/// Looks connectors up by connection class.
class HLVHOST_API IRegistry {
 public:
  virtual ~IRegistry();
  /// The connector of `connectionClass`, or null when the class is unknown.
  virtual RefCntPtr<const IConnector> LookupConnector(const TString& connectionClass) const = 0;
  /// Every known connection class, in byte order.
  virtual std::vector<TString> GetConnectionClasses() const = 0;
};

/// The connector registry, driven by connector descriptions in JSON.
///
/// Instance() starts with the built-in descriptions of host/connect/connectors.json; Load adds
/// more or replaces them. A description file is an object with a "connectors" array; each
/// connector is an object with "class" (required), "caption" and "supports-initial-sql".
/// Loading is meant for start-up: lookups may run on several threads, loading may not.
class HLVHOST_API Registry final : public IRegistry {
 public:
  Registry();
  ~Registry() override;

  /// The process-wide registry.
  static Registry& Instance();

  RefCntPtr<const IConnector> LookupConnector(const TString& connectionClass) const override;
  std::vector<TString> GetConnectionClasses() const override;

  /// Adds the connectors described by `json`, replacing those of the same class. A text that is
  /// not such a description raises HalvaneException and adds nothing.
  void Load(std::string_view json);

 private:
  std::map<TString, RefCntPtr<const IConnector>> m_connectors;
};

}  // namespace Connect
