// DateTime: a point in time (UTC), as the metadata of cubes and tables carries it.
#pragma once

#include "host/HostExport.h"
#include "host/TString.h"

#include <QDateTime>

#include <limits>
#include <utility>

class HLVHOST_API DateTime {
 public:
  /// The null time, earlier than every other.
  DateTime() = default;
  /// `time` in UTC.
  explicit DateTime(const QDateTime& time) : m_time(time.toUTC()) {}

  /// The current time.
  static DateTime Now();
  /// The ISO 8601 text `text` ("2026-03-01T12:00:00Z"); a text that is not one gives the null
  /// time.
  static DateTime FromIsoString(const TString& text);

  bool IsNull() const noexcept { return !m_time.isValid(); }
  const QDateTime& ToQDateTime() const noexcept { return m_time; }
  /// The time as ISO 8601 text in UTC; empty for the null time.
  TString ToIsoString() const;

  friend bool operator<(const DateTime& a, const DateTime& b) { return a.Key() < b.Key(); }
  friend bool operator>(const DateTime& a, const DateTime& b) { return b < a; }
  friend bool operator==(const DateTime& a, const DateTime& b) { return a.Key() == b.Key(); }
  friend bool operator!=(const DateTime& a, const DateTime& b) { return !(a == b); }

 private:
  // Milliseconds since the epoch; the null time sorts first.
  qint64 Key() const noexcept { return m_time.isValid() ? m_time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min(); }

  QDateTime m_time;
};

namespace MetadataFormatter {

/// The text users read for `time` relative to `now` (the current time when null): "Today,
/// 14:05", "Yesterday, 09:30", the date and time for older times, or "" for the null time.
HLVHOST_API TString FormatFriendlyTimeUTC(const DateTime& time, const DateTime* now);

}  // namespace MetadataFormatter
