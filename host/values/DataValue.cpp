#include "host/values/DataValue.h"

#include "host/Exceptions.h"

#include <cmath>

namespace {

bool InSupportedYears(const QDate& date) { return date.isValid() && date.year() >= 1 && date.year() <= 9999; }

TString TypeName(DataType type) { return DataEnumEncodings::DataTypes().Encode(type); }

}  // namespace

DataValue DataValue::MakeBoolean(bool value) { return DataValue(DataType::Boolean, value); }

DataValue DataValue::MakeInteger(std::int64_t value) { return DataValue(DataType::Integer, value); }

DataValue DataValue::MakeReal(double value) { return DataValue(DataType::Real, value); }

DataValue DataValue::MakeString(TString value) { return DataValue(DataType::String, std::move(value)); }

DataValue DataValue::MakeDate(const QDate& value) {
  HLV_ASSERT(InSupportedYears(value));
  return DataValue(DataType::Date, value);
}

DataValue DataValue::MakeDateTime(const QDateTime& value) {
  HLV_ASSERT(value.isValid() && InSupportedYears(value.date()));
  return DataValue(DataType::DateTime, QDateTime(value.date(), value.time(), Qt::UTC));
}

DataValue DataValue::MakeSpatial(TString wellKnownText) {
  HLV_ASSERT(!wellKnownText.isEmpty());
  return DataValue(DataType::Spatial, std::move(wellKnownText));
}

DataValue DataValue::MakeBinary(QByteArray bytes) { return DataValue(DataType::Binary, std::move(bytes)); }

DataValue DataValue::MakeSpecial(int special, DataType type) {
  if (special != kSpecialNull)
    HLV_THROW_LOGIC(QStringLiteral("Unknown special data value %1").arg(special));
  DataValue value;
  if (type == DataType::Unknown) return value;
  value.m_type = type;
  value.m_special = kSpecialNull;
  return value;
}

template <typename T>
const T& DataValue::PayloadAs(DataType type) const {
  if (m_type != type || IsNull())
    HLV_THROW_LOGIC(QStringLiteral("A %1 value was asked for the payload of a %2 value")
                        .arg(IsNull() ? QStringLiteral("null ") + TypeName(m_type) : TypeName(m_type),
                             TypeName(type)));
  return std::get<T>(m_payload);
}

bool DataValue::GetBoolean() const { return PayloadAs<bool>(DataType::Boolean); }
std::int64_t DataValue::GetInteger() const { return PayloadAs<std::int64_t>(DataType::Integer); }
double DataValue::GetReal() const { return PayloadAs<double>(DataType::Real); }
const TString& DataValue::GetString() const {
  return PayloadAs<TString>(m_type == DataType::Spatial ? DataType::Spatial : DataType::String);
}
const QDate& DataValue::GetDate() const { return PayloadAs<QDate>(DataType::Date); }
const QDateTime& DataValue::GetDateTime() const { return PayloadAs<QDateTime>(DataType::DateTime); }
const QByteArray& DataValue::GetBinary() const { return PayloadAs<QByteArray>(DataType::Binary); }

bool operator==(const DataValue& a, const DataValue& b) {
  if (a.m_type != b.m_type || a.m_special != b.m_special) return false;
  if (a.m_type == DataType::Real && !a.IsNull()) {
    const double x = std::get<double>(a.m_payload);
    const double y = std::get<double>(b.m_payload);
    return x == y || (std::isnan(x) && std::isnan(y));
  }
  return a.m_payload == b.m_payload;
}

// ParameterTypeSerializer<DataValue> is written and read in DataValueText.cpp, with the other
// texts of data values.

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DataValue>>() {
  return MakeRefCnt<ParameterTypeSerializer<DataValue>>();
}
