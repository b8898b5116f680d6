// Times as metadata carries them, the friendly texts of the cube list, and the date helpers of
// the Google Analytics page.
#include "host/values/DateTime.h"

#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/connect/GoogleAnalytics.h"

#include "tests/QStringPrinter.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

namespace {

DateTime Utc(const char* text) {
  const DateTime time = DateTime::FromIsoString(QLatin1String(text));
  EXPECT_FALSE(time.IsNull()) << text;
  return time;
}

TEST(DateTimeTest, IsoTextIsReadAsUtcAndWrittenBack) {
  EXPECT_EQ(Utc("2026-03-01T12:00:00Z").ToIsoString(), QStringLiteral("2026-03-01T12:00:00Z"));
  // An offset is converted; a time without a zone is UTC whatever the machine's zone.
  EXPECT_EQ(Utc("2026-03-01T01:30:00+02:00").ToIsoString(), QStringLiteral("2026-02-28T23:30:00Z"));
  EXPECT_EQ(Utc("2026-03-01T12:00:00"), Utc("2026-03-01T12:00:00Z"));
  {
    // Far from UTC, so that a zone-less time read as the machine's local time would show.
    testenv::ScopedEnvironment zone("TZ", "Pacific/Kiritimati");
    EXPECT_EQ(Utc("2026-03-01T12:00:00").ToIsoString(), QStringLiteral("2026-03-01T12:00:00Z"));
  }
  // Milliseconds are kept, and written only when there are any.
  EXPECT_EQ(Utc("2026-03-01T12:00:00.250Z").ToIsoString(), QStringLiteral("2026-03-01T12:00:00.250Z"));
  EXPECT_LT(Utc("2026-03-01T12:00:00Z"), Utc("2026-03-01T12:00:00.001Z"));

  for (const char* text : {"", "yesterday", "2026-13-01T00:00:00Z", "2026-03-01T25:00:00Z"})
    EXPECT_TRUE(DateTime::FromIsoString(QLatin1String(text)).IsNull()) << text;
  EXPECT_EQ(DateTime().ToIsoString(), QString());
}

TEST(DateTimeTest, NowIsTheCurrentUtcTime) {
  const QDateTime before = QDateTime::currentDateTimeUtc();
  const DateTime now = DateTime::Now();
  EXPECT_EQ(now.ToQDateTime().timeSpec(), Qt::UTC);
  EXPECT_LE(before.msecsTo(now.ToQDateTime()), 60000);
  EXPECT_GE(before.msecsTo(now.ToQDateTime()), 0);
}

TEST(MetadataFormatterTest, FriendlyTimesCountDaysInUtc) {
  const DateTime now = Utc("2026-03-01T00:30:00Z");
  const auto friendly = [&now](const char* time) { return MetadataFormatter::FormatFriendlyTimeUTC(Utc(time), &now); };
  const TString today = LookupTStr(StringIds::kFriendlyTimeToday);
  const TString yesterday = LookupTStr(StringIds::kFriendlyTimeYesterday);
  EXPECT_EQ(today, QStringLiteral("Today"));
  EXPECT_EQ(yesterday, QStringLiteral("Yesterday"));

  EXPECT_EQ(friendly("2026-03-01T00:05:00Z"), QStringLiteral("Today, 00:05"));
  // Late on the day before, and the same moment written with an offset, are yesterday.
  EXPECT_EQ(friendly("2026-02-28T23:59:00Z"), QStringLiteral("Yesterday, 23:59"));
  EXPECT_EQ(friendly("2026-03-01T00:59:00+01:00"), QStringLiteral("Yesterday, 23:59"));
  EXPECT_EQ(friendly("2026-02-28T00:00:00Z"), QStringLiteral("Yesterday, 00:00"));
  EXPECT_EQ(friendly("2026-02-27T23:59:00Z"), QStringLiteral("2026-02-27 23:59"));
  EXPECT_EQ(friendly("2025-03-01T09:30:00Z"), QStringLiteral("2025-03-01 09:30"));
  // A time after "now" (a clock behind) is written out, unless it is still today.
  EXPECT_EQ(friendly("2026-03-01T18:00:00Z"), QStringLiteral("Today, 18:00"));
  EXPECT_EQ(friendly("2026-03-02T08:00:00Z"), QStringLiteral("2026-03-02 08:00"));

  EXPECT_EQ(MetadataFormatter::FormatFriendlyTimeUTC(DateTime(), &now), QString());
  EXPECT_EQ(MetadataFormatter::FormatFriendlyTimeUTC(DateTime(), nullptr), QString());
}

TEST(MetadataFormatterTest, WithoutNowTheCurrentTimeCounts) {
  const DateTime time = DateTime::Now();
  const TString clock = time.ToQDateTime().toString(QStringLiteral("HH:mm"));
  const TString text = MetadataFormatter::FormatFriendlyTimeUTC(time, nullptr);
  // Midnight may pass between the two readings of the clock.
  EXPECT_TRUE(text == QStringLiteral("Today, ") + clock || text == QStringLiteral("Yesterday, ") + clock)
      << text.toStdString();
  const DateTime nullNow;
  EXPECT_EQ(MetadataFormatter::FormatFriendlyTimeUTC(Utc("2001-01-01T10:00:00Z"), &nullNow),
            QStringLiteral("2001-01-01 10:00"));
}

// Every range but the count, in order, with its description, is pinned through the CLI
// (tests/cli/describe/google-analytics.expected).
TEST(GoogleAnalyticsDatesTest, OnlyFixedDatesCanBeEdited) {
  for (int value = 0; value <= static_cast<int>(DateRange::DateRangeCount); ++value) {
    const auto range = static_cast<DateRange>(value);
    bool start = true, end = true;
    GoogleAnalytics::GetEditableState(range, start, end);
    EXPECT_EQ(start, range == DateRange::DateRangeFixedRange || range == DateRange::DateRangeFixedStart) << value;
    EXPECT_EQ(end, range == DateRange::DateRangeFixedRange) << value;
  }
}

TEST(GoogleAnalyticsDatesTest, DatesAreWrittenInIsoForm) {
  EXPECT_EQ(GoogleAnalytics::ToStringDate(QDate(2026, 3, 1)), QStringLiteral("2026-03-01"));
  EXPECT_EQ(GoogleAnalytics::ToStringDate(QDate()), QString());
}

}  // namespace
