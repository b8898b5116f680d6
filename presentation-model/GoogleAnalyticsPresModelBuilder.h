// GoogleAnalyticsPresModelBuilder: the Google Analytics page of the data source page.
#pragma once

#include "host/RefCntPtr.h"
#include "host/connect/GoogleAnalytics.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/GoogleAnalyticsConnectionDescriptionPresModel.h"

/// Builds GoogleAnalyticsConnectionDescriptionPresModel records: the accounts, properties and
/// views to choose from, the date range, segments, dimensions, measures and measure sets, and
/// the warning shown when Google Analytics answered with sampled data.
///
/// The account, property and view lists start with an empty entry (no name, no id) that stands
/// for "nothing chosen", and their selected indexes count it: a chosen account at position 2
/// of the host's list has index 3, no chosen account index 0. Properties are listed only once
/// an account is chosen and views only once a property is; filters, dimensions and measures are
/// enabled only when a view is chosen too. The segment and measure set indexes are the host's
/// positions as they are (-1 for none), and the date range's selected index is the chosen
/// range's enum value.
///
/// The sampled-data warning reads "response-sampled", "sample-size" and "sample-space" from
/// the last response leniently: an absent value is false or 0, and a value of another type is
/// converted (a number is true when not 0, "true" or "1" is true, text is read as a number).
/// The sample share has two decimals and the sample space is grouped by the default locale;
/// a sample space of 0 shows the share as 0.00 rather than as an undefined number.
class HLVPRES_API GoogleAnalyticsPresModelBuilder {
 public:
  /// Takes over `config`, which may be null.
  explicit GoogleAnalyticsPresModelBuilder(RefCntPtr<const IGoogleAnalyticsConnectionConfig> config);
  virtual ~GoogleAnalyticsPresModelBuilder();

  /// A new record; never null (at its defaults, basic items disabled, for a null configuration).
  /// Exceptions of the configuration propagate; its error codes are not looked at.
  RefCntPtr<const GoogleAnalyticsConnectionDescriptionPresModel> Build() const;

 private:
  using PresModel = GoogleAnalyticsConnectionDescriptionPresModel;

  /// The accounts and the chosen one; whether one is chosen.
  bool AddAccounts(PresModel& presModel) const;
  /// The properties of the chosen account and the chosen one; whether one is chosen.
  bool AddProperties(PresModel& presModel) const;
  /// The views of the chosen property and the chosen one; whether one is chosen.
  bool AddViews(PresModel& presModel) const;
  /// Every date range option, the chosen one, and its start and end dates.
  void AddDateRange(PresModel& presModel) const;
  void AddSegments(PresModel& presModel) const;
  /// The possible and the selected dimensions and measures.
  void AddDimensionsAndMeasures(PresModel& presModel) const;
  void AddMeasureSets(PresModel& presModel) const;
  /// The query partitioning control: hidden unless the last response was sampled, and then
  /// saying how large the sample was and whether and why the query can (not) be partitioned.
  void AddSampleWarning(PresModel& presModel) const;

  RefCntPtr<const IGoogleAnalyticsConnectionConfig> m_config;
};
