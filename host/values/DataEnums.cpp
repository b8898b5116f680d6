#include "host/values/DataEnums.h"

namespace DataEnumEncodings {

namespace {

// Built with the library, before any of its functions can run; only read afterwards.
const EnumXMLEncoding<DataType, TString> gDataTypes(
    "DataType", DataType::Unknown,
    {{DataType::Boolean, u"boolean"}, {DataType::Integer, u"integer"}, {DataType::String, u"string"},
     {DataType::Date, u"date"}, {DataType::Real, u"real"}, {DataType::DateTime, u"datetime"},
     {DataType::Spatial, u"spatial"}, {DataType::Binary, u"binary"}, {DataType::Unknown, u"unknown"}});

const EnumXMLEncoding<AggType, TString> gAggTypes(
    "AggType", AggType::None,
    {{AggType::None, u"none"}, {AggType::Sum, u"sum"}, {AggType::Avg, u"avg"}, {AggType::Count, u"count"},
     {AggType::CountD, u"countd"}, {AggType::Min, u"min"}, {AggType::Max, u"max"}, {AggType::Median, u"median"},
     {AggType::Attr, u"attr"}, {AggType::StDev, u"stdev"}, {AggType::StDevP, u"stdevp"}, {AggType::Var, u"var"},
     {AggType::VarP, u"varp"}, {AggType::Collect, u"collect"}, {AggType::Year, u"year"},
     {AggType::Quarter, u"quarter"}, {AggType::Month, u"month"}, {AggType::Week, u"week"}, {AggType::Day, u"day"},
     {AggType::Hour, u"hour"}, {AggType::Minute, u"minute"}, {AggType::Second, u"second"},
     {AggType::Weekday, u"weekday"}, {AggType::MonthDayYear, u"month-day-year"},
     {AggType::TruncatedYear, u"truncated-year"}, {AggType::TruncatedQuarter, u"truncated-quarter"},
     {AggType::TruncatedMonth, u"truncated-month"}, {AggType::TruncatedWeek, u"truncated-week"},
     {AggType::TruncatedDay, u"truncated-day"}, {AggType::TruncatedHour, u"truncated-hour"}});

const EnumXMLEncoding<DatePeriodType, TString> gDatePeriodTypes(
    "DatePeriodType", DatePeriodType::Invalid,
    {{DatePeriodType::Years, u"years"}, {DatePeriodType::Quarters, u"quarters"},
     {DatePeriodType::Months, u"months"}, {DatePeriodType::Weeks, u"weeks"}, {DatePeriodType::Days, u"days"},
     {DatePeriodType::Hours, u"hours"}, {DatePeriodType::Minutes, u"minutes"},
     {DatePeriodType::Seconds, u"seconds"}, {DatePeriodType::Invalid, u"invalid"}});

const EnumXMLEncoding<CalendarType, TString> gCalendarTypes(
    "CalendarType", CalendarType::Gregorian,
    {{CalendarType::Gregorian, u"gregorian"}, {CalendarType::Iso8601, u"iso-8601"}});

}  // namespace

const EnumXMLEncoding<DataType, TString>& DataTypes() { return gDataTypes; }
const EnumXMLEncoding<AggType, TString>& AggTypes() { return gAggTypes; }
const EnumXMLEncoding<DatePeriodType, TString>& DatePeriodTypes() { return gDatePeriodTypes; }
const EnumXMLEncoding<CalendarType, TString>& CalendarTypes() { return gCalendarTypes; }

}  // namespace DataEnumEncodings

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DataType>>() {
  return MakeRefCnt<ParameterTypeSerializer<DataType>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AggType>>() {
  return MakeRefCnt<ParameterTypeSerializer<AggType>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<DatePeriodType>>() {
  return MakeRefCnt<ParameterTypeSerializer<DatePeriodType>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<CalendarType>>() {
  return MakeRefCnt<ParameterTypeSerializer<CalendarType>>();
}
