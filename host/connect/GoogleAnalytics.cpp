#include "host/connect/GoogleAnalytics.h"

#include "host/app/StringIds.h"

namespace GoogleAnalytics {

void GetDateRangesAndDescriptions(std::map<DateRange, StringId>& ranges) {
  static constexpr std::pair<DateRange, StringId> kRanges[] = {
      {DateRange::DateRangeLast30, StringIds::kAnalyticsRangeLast30Days},
      {DateRange::DateRangeToday, StringIds::kAnalyticsRangeToday},
      {DateRange::DateRangeYesterday, StringIds::kAnalyticsRangeYesterday},
      {DateRange::DateRangeLastWeek, StringIds::kAnalyticsRangeLastWeek},
      {DateRange::DateRangeLastMonth, StringIds::kAnalyticsRangeLastMonth},
      {DateRange::DateRangeLastYear, StringIds::kAnalyticsRangeLastYear},
      {DateRange::DateRangeThisWeekToYesterday, StringIds::kAnalyticsRangeThisWeekToYesterday},
      {DateRange::DateRangeThisMonthToYesterday, StringIds::kAnalyticsRangeThisMonthToYesterday},
      {DateRange::DateRangeThisYearToYesterday, StringIds::kAnalyticsRangeThisYearToYesterday},
      {DateRange::DateRangeLastWeekToYesterday, StringIds::kAnalyticsRangeLastWeekToYesterday},
      {DateRange::DateRangeLastMonthToYesterday, StringIds::kAnalyticsRangeLastMonthToYesterday},
      {DateRange::DateRangeLastYearToYesterday, StringIds::kAnalyticsRangeLastYearToYesterday},
      {DateRange::DateRangeFixedRange, StringIds::kAnalyticsRangeFixedRange},
      {DateRange::DateRangeFixedStart, StringIds::kAnalyticsRangeFixedStart},
  };
  for (const auto& [range, description] : kRanges) ranges.insert_or_assign(range, description);
}

void GetEditableState(DateRange range, bool& startEditable, bool& endEditable) {
  startEditable = range == DateRange::DateRangeFixedRange || range == DateRange::DateRangeFixedStart;
  endEditable = range == DateRange::DateRangeFixedRange;
}

TString ToStringDate(const QDate& date) { return date.isValid() ? date.toString(Qt::ISODate) : TString(); }

}  // namespace GoogleAnalytics
