// DataValue: one typed value of a data source, and its value serializer.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"
#include "host/parameters/ParameterTypeSerializer.h"
#include "host/values/DataEnums.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>

#include <cstdint>
#include <utility>
#include <variant>

/// A typed data value: a boolean, a 64-bit integer, a real, a string, a date, a datetime, a
/// spatial value (its well-known text) or binary bytes; or the null value of one of these
/// types; or the empty value, which has no type (DataType::Unknown) and holds nothing.
///
/// The default-constructed value is the empty value, and HasValue() is false exactly for it:
/// a null value is a value. Datetimes are wall-clock values without a time zone; dates and
/// datetimes lie in the years 1 to 9999. Values compare equal when their type, their special
/// state and their payload are equal (reals: every NaN equals every NaN).
class HLVHOST_API DataValue {
 public:
  /// The special values MakeSpecial knows. GetSpecial() is kSpecialNone for every other value.
  static constexpr int kSpecialNone = 0;
  static constexpr int kSpecialNull = 1;

  DataValue() = default;

  static DataValue MakeBoolean(bool value);
  static DataValue MakeInteger(std::int64_t value);
  static DataValue MakeReal(double value);
  static DataValue MakeString(TString value);
  /// `value` must be a valid date in the years 1 to 9999 (LogicException otherwise).
  static DataValue MakeDate(const QDate& value);
  /// Keeps the date and the time of day of `value` and drops its time zone. `value` must be
  /// valid, in the years 1 to 9999 (LogicException otherwise).
  static DataValue MakeDateTime(const QDateTime& value);
  /// A geometry as its well-known text, which must not be empty (LogicException otherwise).
  static DataValue MakeSpatial(TString wellKnownText);
  static DataValue MakeBinary(QByteArray bytes);

  /// The special value `special` of `type`. Special 1 (kSpecialNull) is the null value of
  /// the type; the null of DataType::Unknown is the empty value. Any other special is a logic
  /// error.
  static DataValue MakeSpecial(int special, DataType type);

  DataType GetType() const noexcept { return m_type; }
  /// False for the empty value only.
  bool HasValue() const noexcept { return m_type != DataType::Unknown; }
  bool IsNull() const noexcept { return m_special == kSpecialNull; }
  int GetSpecial() const noexcept { return m_special; }

  // The payload. Asking a value that is not a non-null value of the type is a logic error.
  bool GetBoolean() const;
  std::int64_t GetInteger() const;
  double GetReal() const;
  /// The text of a string value, or the well-known text of a spatial value.
  const TString& GetString() const;
  const QDate& GetDate() const;
  /// A datetime in Qt::UTC, standing for the wall-clock value.
  const QDateTime& GetDateTime() const;
  const QByteArray& GetBinary() const;

  friend HLVHOST_API bool operator==(const DataValue& a, const DataValue& b);
  friend bool operator!=(const DataValue& a, const DataValue& b) { return !(a == b); }

 private:
  using Payload = std::variant<std::monostate, bool, std::int64_t, double, TString, QDate, QDateTime, QByteArray>;

  DataValue(DataType type, Payload payload) : m_type(type), m_payload(std::move(payload)) {}

  // The payload of a non-null value of `type`; anything else is a logic error.
  template <typename T>
  const T& PayloadAs(DataType type) const;

  DataType m_type = DataType::Unknown;
  int m_special = kSpecialNone;
  Payload m_payload;
};

/// Writes a DataValue as a self-describing text that needs no column to be read back:
///
///   ""                   the empty value
///   "\<type\>%null%"     the null value of \<type\>, such as "integer%null%"
///   "\<type\>:\<text\>"  a value, such as "integer:-12", "string:O'Neil", "real:0.1",
///                        "boolean:true", "date:2024-02-29",
///                        "datetime:2024-02-29T13:05:00.250", "binary:0x00ff",
///                        "spatial:POINT (1 2)"
///
/// \<type\> is the DataType string (ParameterTypeSerializer<DataType>) and \<text\> is the text
/// ContextualDataValueSerializerCore::ToString writes (strings as they are, so any string,
/// "%null%" included, round-trips). Text of another form raises ParameterParseException.
template <>
class HLVHOST_API ParameterTypeSerializer<DataValue> final
    : public TypedParameterSerializer<DataValue, ParameterTypeSerializer<DataValue>> {
 public:
  static TString TypeToString(const DataValue& value);
  static DataValue TypeFromString(const TString& text);
};

template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DataValue>>();
