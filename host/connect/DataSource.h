// IDataSource: a data source of the host, as the connection dialogs see it.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/ConnectionAttributes.h"
#include "host/connect/SQLRelation.h"

#include <utility>

namespace DataObjectModel {

/// The id of an object of the host's data model; the empty id names none.
class HLVHOST_API ObjectId {
 public:
  ObjectId() = default;
  explicit ObjectId(TString value) : m_value(std::move(value)) {}

  const TString& GetValue() const noexcept { return m_value; }
  bool IsValid() const noexcept { return !m_value.isEmpty(); }

 private:
  TString m_value;
};

}  // namespace DataObjectModel

/// What a data source tells about itself to the code that makes its connection configuration.
class HLVHOST_API IDataSourceInfoProvider : public RefCntObject {
 public:
  /// The name users see for the data source.
  virtual TString GetDataSourceCaption() const = 0;

 protected:
  ~IDataSourceInfoProvider() override;
};

/// A data source: a connection with the relations (tables, custom SQL) read through it.
class HLVHOST_API IDataSource : public RefCntObject {
 public:
  /// The connection class its connection reports, such as "postgres".
  virtual TString GetConnectionClass() const = 0;
  /// The attributes of its connection.
  virtual ConnectionAttributeMap GetConnectionAttributes() const = 0;
  /// Its info provider, or null.
  virtual RefCntPtr<const IDataSourceInfoProvider> GetDataSourceInfoProvider() const = 0;
  /// Whether the data source page shows no description of its connection.
  virtual bool SkipsConnectionDescription() const = 0;
  /// The caption users see for the parameter `name` (its name when it has none); used to show
  /// parameter tokens in SQL text.
  virtual TString GetParameterCaption(const TString& name) const = 0;
  /// The relation (table, custom SQL) that goes by `alias`, or null. A data source that keeps
  /// no relations answers null, as this default does.
  virtual RefCntPtr<const SQLRelation> GetRelationForAlias(const TString& alias) const;

 protected:
  ~IDataSource() override;
};
