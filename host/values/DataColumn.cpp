#include "host/values/DataColumn.h"

#include "host/Exceptions.h"

const Collation& Collation::GetUnknownCollation() {
  static const Collation unknown;
  return unknown;
}

namespace VizEngine {

UserType::~UserType() = default;
SimpleType::~SimpleType() = default;
StringType::~StringType() = default;

}  // namespace VizEngine

IColumn::~IColumn() = default;

const Collation& IColumn::GetCollation() const {
  if (const auto* stringType = dynamic_cast<const VizEngine::StringType*>(&GetUserType()))
    return stringType->GetCollation();
  return Collation::GetUnknownCollation();
}

DataColumn::DataColumn(RefCntPtr<const VizEngine::UserType> userType, std::vector<DataValue> values)
    : m_userType(std::move(userType)), m_values(std::move(values)) {
  HLV_ASSERT(m_userType != nullptr);
  const DataType type = m_userType->GetDataType();
  for (const DataValue& value : m_values)
    if (value.GetType() != type)
      HLV_THROW_LOGIC(QStringLiteral("A %1 value cannot be held by a %2 column")
                          .arg(DataEnumEncodings::DataTypes().Encode(value.GetType()),
                               DataEnumEncodings::DataTypes().Encode(type)));
}

DataColumn::~DataColumn() = default;
