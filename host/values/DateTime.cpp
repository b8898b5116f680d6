#include "host/values/DateTime.h"

#include "host/app/StringIds.h"
#include "host/app/StringTable.h"

DateTime DateTime::Now() { return DateTime(QDateTime::currentDateTimeUtc()); }

DateTime DateTime::FromIsoString(const TString& text) {
  QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
  if (!time.isValid()) return DateTime();
  // A text without a zone designator is a UTC time, not the machine's local time: a time read
  // back must not depend on where it is read.
  if (time.timeSpec() == Qt::LocalTime) time.setTimeSpec(Qt::UTC);
  return DateTime(time);
}

TString DateTime::ToIsoString() const {
  if (IsNull()) return TString();
  // Whole seconds are written without a fraction, so that the usual times read as they were
  // written; milliseconds are kept when there are any.
  return m_time.toString(m_time.time().msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs);
}

namespace MetadataFormatter {

TString FormatFriendlyTimeUTC(const DateTime& time, const DateTime* now) {
  if (time.IsNull()) return TString();
  const QDateTime& utc = time.ToQDateTime();
  const QDate today = (now != nullptr && !now->IsNull() ? *now : DateTime::Now()).ToQDateTime().date();
  const TString clock = utc.toString(QStringLiteral("HH:mm"));
  const QDate day = utc.date();
  if (day == today) return LookupTStr(StringIds::kFriendlyTimeToday) + QLatin1String(", ") + clock;
  if (day == today.addDays(-1)) return LookupTStr(StringIds::kFriendlyTimeYesterday) + QLatin1String(", ") + clock;
  // Older times, and times after `now` (a clock that is behind), are written out.
  return day.toString(Qt::ISODate) + QLatin1Char(' ') + clock;
}

}  // namespace MetadataFormatter
