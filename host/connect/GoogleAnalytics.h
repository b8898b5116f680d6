// The Google Analytics connection: its configuration interface, the records it answers with,
// and the date range helpers its page uses.
#pragma once

#include "host/HostEnums.h"
#include "host/HostExport.h"
#include "host/TString.h"
#include "host/app/StringTable.h"
#include "host/connect/DSConnectionConfig.h"
#include "host/values/DataValue.h"

#include <QDate>

#include <map>
#include <utility>
#include <vector>

namespace GoogleAnalyticsConnectionConfigElements {

/// An account, property or view, by name and id.
struct GoogleBasicInfoItem {
  TString name;
  TString id;
};

/// A set of measures offered together.
struct GoogleAnalyticsMeasureSet {
  TString name;
  TString id;
};

/// A segment of the data.
struct GoogleAnalyticsSegment {
  TString id;
  TString name;
  TString category;
};

/// A dimension or a measure.
struct GoogleAnalyticsItem {
  TString category;
  TString name;
  /// The name to show instead of `name`, when not empty.
  TString alternateName;
  TString description;
  bool enabled = true;
};

/// Dimensions or measures by id.
using GoogleAnalyticsItemMap = std::map<TString, GoogleAnalyticsItem>;

}  // namespace GoogleAnalyticsConnectionConfigElements

/// The configuration of a Google Analytics connection: what the account holds, what is chosen,
/// and how the last query was answered. A position written through an `int*` is left as it is
/// when nothing is chosen.
class HLVHOST_API IGoogleAnalyticsConnectionConfig : public DSConnectionConfig {
 public:
  using BasicItems = std::vector<GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem>;
  using Items = GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsItemMap;

  /// Fill `items`; the result is an error code (0: fine), which callers may ignore.
  virtual int GetAccounts(BasicItems& items) const = 0;
  virtual int GetProperties(BasicItems& items) const = 0;
  virtual int GetViews(BasicItems& items) const = 0;

  /// The chosen item; its position in the list goes to `index`.
  virtual GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedAccount(int* index) const = 0;
  virtual GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedProperty(int* index) const = 0;
  virtual GoogleAnalyticsConnectionConfigElements::GoogleBasicInfoItem GetSelectedView(int* index) const = 0;

  virtual DateRange GetDateRange() const = 0;
  virtual QDate GetStartDate() const = 0;
  virtual QDate GetEndDate() const = 0;

  virtual void GetPossibleDimensions(Items& items) const = 0;
  virtual void GetPossibleMeasures(Items& items) const = 0;
  virtual void GetSelectedDimensions(Items& items) const = 0;
  virtual void GetSelectedMeasures(Items& items) const = 0;

  virtual void GetMeasureSets(std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet>& sets) const = 0;
  virtual GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsMeasureSet GetSelectedMeasureSet(int* index) const = 0;
  virtual void GetSegments(std::vector<GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment>& segments) const = 0;
  virtual GoogleAnalyticsConnectionConfigElements::GoogleAnalyticsSegment GetSelectedSegment(int* index) const = 0;

  /// What the last query's response said ("response-sampled", "sample-size", "sample-space").
  virtual void GetQueryResponseInfo(std::map<TString, DataValue>& info) const = 0;
  virtual bool IsQueryPartitioningOn() const = 0;
  virtual bool CanPartitionQuery() const = 0;
  virtual bool HasGeneralPartitionRestriction() const = 0;
  /// The items that keep the query from being partitioned: `which` 0 for the dimensions, 1 for
  /// the measures.
  virtual void GetPartitionRestrictingItems(int which, Items& items) const = 0;

 protected:
  ~IGoogleAnalyticsConnectionConfig() override;
};

namespace GoogleAnalytics {

/// Every date range the page offers (all but "date-range-count"), each with the string id of
/// its description.
HLVHOST_API void GetDateRangesAndDescriptions(std::map<DateRange, StringId>& ranges);
/// Whether the start and the end date of `range` may be edited: both for a fixed range, the
/// start for a range fixed at its start, neither for the others.
HLVHOST_API void GetEditableState(DateRange range, bool& startEditable, bool& endEditable);
/// `date` as the page writes it: "2026-03-01" (ISO 8601); empty for a null date.
HLVHOST_API TString ToStringDate(const QDate& date);

}  // namespace GoogleAnalytics
