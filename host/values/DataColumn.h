// Columns of data values: their collation, their user type and the column itself.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/values/DataEnums.h"
#include "host/values/DataValue.h"

#include <utility>
#include <vector>

/// How the strings of a column compare: a collation name (such as "LEN_RUS_S2") and the id
/// of the character set of the source.
///
/// The default-constructed collation is the unknown collation (no name, charset 0): the
/// source did not say.
class HLVHOST_API Collation {
 public:
  Collation() = default;
  Collation(TString name, unsigned int charsetId) : m_name(std::move(name)), m_charsetId(charsetId) {}

  static const Collation& GetUnknownCollation();

  const TString& GetName() const noexcept { return m_name; }
  unsigned int GetCharsetID() const noexcept { return m_charsetId; }

  friend bool operator==(const Collation& a, const Collation& b) {
    return a.m_name == b.m_name && a.m_charsetId == b.m_charsetId;
  }
  friend bool operator!=(const Collation& a, const Collation& b) { return !(a == b); }

 private:
  TString m_name;
  unsigned int m_charsetId = 0;
};

namespace VizEngine {

/// The type of a column as its users see it: a data type, refined by the subclasses. Its
/// kind is the data type as a number (2 for strings).
class HLVHOST_API UserType : public RefCntObject {
 public:
  DataType GetDataType() const noexcept { return m_type; }
  int GetKind() const noexcept { return static_cast<int>(m_type); }

 protected:
  explicit UserType(DataType type) : m_type(type) {}
  ~UserType() override;

 private:
  DataType m_type;
};

/// A type that is its data type and nothing more.
class HLVHOST_API SimpleType final : public UserType {
 public:
  explicit SimpleType(DataType type) : UserType(type) {}

 private:
  ~SimpleType() override;
};

/// The string type under a collation.
class HLVHOST_API StringType final : public UserType {
 public:
  explicit StringType(Collation collation) : UserType(DataType::String), m_collation(std::move(collation)) {}

  const Collation& GetCollation() const noexcept { return m_collation; }

 private:
  ~StringType() override;

  Collation m_collation;
};

}  // namespace VizEngine

/// A column of data values, all of one data type.
class HLVHOST_API IColumn : public RefCntObject {
 public:
  virtual DataType GetDataType() const = 0;
  /// The data type as a number: 2 for strings, 3 for dates, 5 for datetimes (see DataType).
  int GetDataTypeCode() const { return static_cast<int>(GetDataType()); }

  virtual const VizEngine::UserType& GetUserType() const = 0;
  /// The collation of the column's strings: that of a StringType, otherwise unknown.
  const Collation& GetCollation() const;

  virtual const std::vector<DataValue>& GetValues() const = 0;

 protected:
  ~IColumn() override;
};

/// A column held in memory: a user type and its values, in order.
class HLVHOST_API DataColumn final : public IColumn {
 public:
  /// Every value must be of the user type's data type (null values included); a null user
  /// type or a value of another type is a logic error.
  DataColumn(RefCntPtr<const VizEngine::UserType> userType, std::vector<DataValue> values);

  DataType GetDataType() const override { return m_userType->GetDataType(); }
  const VizEngine::UserType& GetUserType() const override { return *m_userType; }
  const std::vector<DataValue>& GetValues() const override { return m_values; }

 private:
  ~DataColumn() override;

  RefCntPtr<const VizEngine::UserType> m_userType;
  std::vector<DataValue> m_values;
};
