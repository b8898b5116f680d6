// The host's enums of data values and fields, and their value serializers.
//
// Their strings are the host's own, written through EnumXMLEncoding singletons:
//
//   DataType        boolean integer string date real datetime spatial binary unknown (0 to 8;
//                   default unknown)
//   AggType         none sum avg count countd min max median attr stdev stdevp var varp collect
//                   year quarter month week day hour minute second weekday month-day-year
//                   truncated-year truncated-quarter truncated-month truncated-week
//                   truncated-day truncated-hour (0 to 29; default none)
//   DatePeriodType  years quarters months weeks days hours minutes seconds invalid (0 to 8;
//                   default invalid)
//   CalendarType    gregorian iso-8601 (0 and 1; default gregorian)
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/HostExport.h"
#include "host/parameters/EncodedEnumSerializer.h"

#include <cstdint>

/// The type of a data value.
enum class DataType : std::int32_t {
  Boolean = 0,
  Integer = 1,
  String = 2,
  Date = 3,
  Real = 4,
  DateTime = 5,
  Spatial = 6,
  Binary = 7,
  Unknown = 8,  ///< no type: the empty value's
};

/// How the values of a field are aggregated, or which part of a date is kept.
enum class AggType : std::int32_t {
  None = 0,
  Sum,
  Avg,
  Count,
  CountD,
  Min,
  Max,
  Median,
  Attr,
  StDev,
  StDevP,
  Var,
  VarP,
  Collect,
  Year,
  Quarter,
  Month,
  Week,
  Day,
  Hour,
  Minute,
  Second,
  Weekday,
  MonthDayYear,
  TruncatedYear,
  TruncatedQuarter,
  TruncatedMonth,
  TruncatedWeek,
  TruncatedDay,
  TruncatedHour,
};

/// A period of time in dates.
enum class DatePeriodType : std::int32_t {
  Years = 0,
  Quarters,
  Months,
  Weeks,
  Days,
  Hours,
  Minutes,
  Seconds,
  Invalid,
};

/// The calendar dates are counted in.
enum class CalendarType : std::int32_t {
  Gregorian = 0,
  Iso8601 = 1,
};

/// The encodings of the four enums, each a process-wide singleton.
namespace DataEnumEncodings {
HLVHOST_API const EnumXMLEncoding<DataType, TString>& DataTypes();
HLVHOST_API const EnumXMLEncoding<AggType, TString>& AggTypes();
HLVHOST_API const EnumXMLEncoding<DatePeriodType, TString>& DatePeriodTypes();
HLVHOST_API const EnumXMLEncoding<CalendarType, TString>& CalendarTypes();
}  // namespace DataEnumEncodings

template <>
class HLVHOST_API ParameterTypeSerializer<DataType> final
    : public EncodedEnumSerializer<DataType, &DataEnumEncodings::DataTypes> {};
template <>
class HLVHOST_API ParameterTypeSerializer<AggType> final
    : public EncodedEnumSerializer<AggType, &DataEnumEncodings::AggTypes> {};
template <>
class HLVHOST_API ParameterTypeSerializer<DatePeriodType> final
    : public EncodedEnumSerializer<DatePeriodType, &DataEnumEncodings::DatePeriodTypes> {};
template <>
class HLVHOST_API ParameterTypeSerializer<CalendarType> final
    : public EncodedEnumSerializer<CalendarType, &DataEnumEncodings::CalendarTypes> {};

template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DataType>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AggType>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DatePeriodType>>();
template <>
HLVHOST_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<CalendarType>>();
