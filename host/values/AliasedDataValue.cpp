#include "host/values/AliasedDataValue.h"

#include <cmath>

namespace {

template <typename T>
int Order(const T& a, const T& b) {
  if (a < b) return -1;
  if (b < a) return 1;
  return 0;
}

// Reals in numeric order, NaN after every number and equal to every NaN.
int OrderReals(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return Order(std::isnan(a), std::isnan(b));
  return Order(a, b);
}

int CompareDataValues(const DataValue& a, const DataValue& b) {
  if (const int byType = Order(static_cast<int>(a.GetType()), static_cast<int>(b.GetType()))) return byType;
  if (!a.HasValue()) return 0;  // both empty
  if (a.IsNull() || b.IsNull()) return Order(!a.IsNull(), !b.IsNull());
  switch (a.GetType()) {
    case DataType::Boolean:
      return Order(a.GetBoolean(), b.GetBoolean());
    case DataType::Integer:
      return Order(a.GetInteger(), b.GetInteger());
    case DataType::Real:
      return OrderReals(a.GetReal(), b.GetReal());
    case DataType::String:
    case DataType::Spatial:
      return Order(a.GetString().compare(b.GetString()), 0);
    case DataType::Date:
      return Order(a.GetDate(), b.GetDate());
    case DataType::DateTime:
      return Order(a.GetDateTime(), b.GetDateTime());
    case DataType::Binary:
      return Order(a.GetBinary(), b.GetBinary());
    case DataType::Unknown:
      break;
  }
  return 0;
}

}  // namespace

int AliasedDataValue::Compare(const AliasedDataValue& a, const AliasedDataValue& b, bool compareAliases) {
  if (const int byValue = CompareDataValues(a.m_value, b.m_value)) return byValue;
  return compareAliases ? Order(a.m_alias.compare(b.m_alias), 0) : 0;
}
