#include "presentation-model/GoogleAnalyticsPresModelBuilder.h"

#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "presentation-model/GoogleAnalyticsBasicItemPresModel.h"
#include "presentation-model/GoogleAnalyticsComplexItemPresModel.h"
#include "presentation-model/GoogleAnalyticsDatePresModel.h"
#include "presentation-model/GoogleAnalyticsDateRangeOptionPresModel.h"
#include "presentation-model/GoogleAnalyticsDateRangePresModel.h"
#include "presentation-model/GoogleAnalyticsQueryPartitioningPresModel.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace {

using namespace GoogleAnalyticsConnectionConfigElements;
using BasicItems = IGoogleAnalyticsConnectionConfig::BasicItems;
using Items = IGoogleAnalyticsConnectionConfig::Items;
using BasicItemList = std::vector<RefCntPtr<const GoogleAnalyticsBasicItemPresModel>>;
using ComplexItemList = std::vector<RefCntPtr<const GoogleAnalyticsComplexItemPresModel>>;
using ResponseInfo = std::map<TString, DataValue>;

// The list of an account, property or view picker: the entry that stands for "nothing chosen"
// first, then the host's items in order.
BasicItemList PickerList(const BasicItems& items) {
  BasicItemList list;
  list.reserve(items.size() + 1);
  list.push_back(MakeRefCnt<GoogleAnalyticsBasicItemPresModel>());
  for (const GoogleBasicInfoItem& item : items) {
    RefCntPtr<GoogleAnalyticsBasicItemPresModel> entry = MakeRefCnt<GoogleAnalyticsBasicItemPresModel>();
    entry->SetName(item.name);
    entry->SetId(item.id);
    list.push_back(std::move(entry));
  }
  return list;
}

// Dimensions or measures in id order, each shown by its alternate name when it has one.
ComplexItemList ComplexItems(const Items& items) {
  ComplexItemList list;
  list.reserve(items.size());
  for (const auto& [id, item] : items) {
    RefCntPtr<GoogleAnalyticsComplexItemPresModel> entry = MakeRefCnt<GoogleAnalyticsComplexItemPresModel>();
    entry->SetId(id);
    entry->SetDescription(item.description);
    entry->SetName(item.alternateName.isEmpty() ? item.name : item.alternateName);
    entry->SetCategory(item.category);
    entry->SetIsEnabled(item.enabled);
    list.push_back(std::move(entry));
  }
  return list;
}

// A value of the last response. An absent name reads as the empty value, which is false and 0.
DataValue ResponseValue(const ResponseInfo& info, const char* name) {
  const auto found = info.find(QLatin1String(name));
  return found == info.end() ? DataValue() : found->second;
}

bool ReadBool(const DataValue& value) {
  if (!value.HasValue() || value.IsNull()) return false;
  switch (value.GetType()) {
    case DataType::Boolean:
      return value.GetBoolean();
    case DataType::Integer:
      return value.GetInteger() != 0;
    case DataType::Real:
      return value.GetReal() != 0.0;
    case DataType::String:
      return value.GetString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
             value.GetString() == QLatin1String("1");
    default:
      return false;
  }
}

std::int64_t ReadInteger(const DataValue& value) {
  if (!value.HasValue() || value.IsNull()) return 0;
  switch (value.GetType()) {
    case DataType::Integer:
      return value.GetInteger();
    case DataType::Real:
      return static_cast<std::int64_t>(value.GetReal());
    case DataType::Boolean:
      return value.GetBoolean() ? 1 : 0;
    case DataType::String:
      return value.GetString().trimmed().toLongLong();
    default:
      return 0;
  }
}

// The tooltip naming what keeps the query from being partitioned: the first list's items when
// it has any, else the second's, each on a line of its own, indented by four spaces.
TString RestrictionListText(const Items& first, const Items& second) {
  const bool useFirst = !first.empty();
  TString lines;
  for (const auto& entry : useFirst ? first : second) lines += QStringLiteral("\n    ") + entry.second.name;
  return LookupTFmtStr(useFirst ? StringIds::kAnalyticsRestrictedByFirst : StringIds::kAnalyticsRestrictedBySecond)
      .arg(lines, 0, QLatin1Char(' '));
}

}  // namespace

GoogleAnalyticsPresModelBuilder::GoogleAnalyticsPresModelBuilder(RefCntPtr<const IGoogleAnalyticsConnectionConfig> config)
    : m_config(std::move(config)) {}
GoogleAnalyticsPresModelBuilder::~GoogleAnalyticsPresModelBuilder() = default;

RefCntPtr<const GoogleAnalyticsConnectionDescriptionPresModel> GoogleAnalyticsPresModelBuilder::Build() const {
  RefCntPtr<PresModel> presModel = MakeRefCnt<PresModel>();
  if (!m_config) return presModel;

  presModel->SetAreBasicItemsEnabled(true);
  // Each level is listed only once the one above it has a choice.
  const bool viewChosen = AddAccounts(*presModel) && AddProperties(*presModel) && AddViews(*presModel);
  presModel->SetAreFiltersEnabled(viewChosen);
  presModel->SetAreMeasuresDimensionsEnabled(viewChosen);

  AddDateRange(*presModel);
  AddSegments(*presModel);
  AddDimensionsAndMeasures(*presModel);
  AddMeasureSets(*presModel);
  AddSampleWarning(*presModel);
  return presModel;
}

bool GoogleAnalyticsPresModelBuilder::AddAccounts(PresModel& presModel) const {
  BasicItems accounts;
  m_config->GetAccounts(accounts);
  int chosen = -1;
  m_config->GetSelectedAccount(&chosen);
  presModel.SetSelectedAccountIndex(chosen + 1);
  presModel.SetPossibleAccountss(PickerList(accounts));
  return chosen >= 0;
}

bool GoogleAnalyticsPresModelBuilder::AddProperties(PresModel& presModel) const {
  BasicItems properties;
  m_config->GetProperties(properties);
  int chosen = -1;
  m_config->GetSelectedProperty(&chosen);
  presModel.SetSelectedPropertyIndex(chosen + 1);
  presModel.SetPossiblePropertiess(PickerList(properties));
  return chosen >= 0;
}

bool GoogleAnalyticsPresModelBuilder::AddViews(PresModel& presModel) const {
  BasicItems views;
  m_config->GetViews(views);
  int chosen = -1;
  m_config->GetSelectedView(&chosen);
  presModel.SetSelectedViewIndex(chosen + 1);
  presModel.SetPossibleViewss(PickerList(views));
  return chosen >= 0;
}

void GoogleAnalyticsPresModelBuilder::AddDateRange(PresModel& presModel) const {
  std::map<DateRange, StringId> ranges;
  GoogleAnalytics::GetDateRangesAndDescriptions(ranges);
  const DateRange chosen = m_config->GetDateRange();

  RefCntPtr<GoogleAnalyticsDateRangePresModel> dateRange = MakeRefCnt<GoogleAnalyticsDateRangePresModel>();
  for (const auto& [range, description] : ranges) {
    RefCntPtr<GoogleAnalyticsDateRangeOptionPresModel> option = MakeRefCnt<GoogleAnalyticsDateRangeOptionPresModel>();
    option->SetOptionType(range);
    option->SetDescription(LookupTStr(description));
    dateRange->AddDateRangeOption(std::move(option));
    // The front end finds the option by the range's value, not by its position in the list.
    if (range == chosen) dateRange->SetSelectedIndex(static_cast<int>(range));
  }

  bool startEditable = false;
  bool endEditable = false;
  GoogleAnalytics::GetEditableState(chosen, startEditable, endEditable);
  RefCntPtr<GoogleAnalyticsDatePresModel> start = MakeRefCnt<GoogleAnalyticsDatePresModel>();
  start->SetIsEditable(startEditable);
  start->SetISODate(GoogleAnalytics::ToStringDate(m_config->GetStartDate()));
  RefCntPtr<GoogleAnalyticsDatePresModel> end = MakeRefCnt<GoogleAnalyticsDatePresModel>();
  end->SetIsEditable(endEditable);
  end->SetISODate(GoogleAnalytics::ToStringDate(m_config->GetEndDate()));
  dateRange->SetStartDate(start);
  dateRange->SetEndDate(end);
  presModel.SetDateRangeModel(dateRange);
}

void GoogleAnalyticsPresModelBuilder::AddSegments(PresModel& presModel) const {
  std::vector<GoogleAnalyticsSegment> segments;
  m_config->GetSegments(segments);
  int chosen = -1;
  m_config->GetSelectedSegment(&chosen);
  presModel.SetSelectedSegmentIndex(chosen);
  for (const GoogleAnalyticsSegment& segment : segments) {
    RefCntPtr<GoogleAnalyticsComplexItemPresModel> entry = MakeRefCnt<GoogleAnalyticsComplexItemPresModel>();
    entry->SetName(segment.name);
    entry->SetId(segment.id);
    entry->SetCategory(segment.category);
    presModel.AddPossibleSegments(std::move(entry));
  }
}

void GoogleAnalyticsPresModelBuilder::AddDimensionsAndMeasures(PresModel& presModel) const {
  Items possibleDimensions, possibleMeasures, selectedDimensions, selectedMeasures;
  m_config->GetPossibleDimensions(possibleDimensions);
  m_config->GetPossibleMeasures(possibleMeasures);
  m_config->GetSelectedDimensions(selectedDimensions);
  m_config->GetSelectedMeasures(selectedMeasures);
  presModel.SetPossibleDimensionss(ComplexItems(possibleDimensions));
  presModel.SetPossibleMeasuress(ComplexItems(possibleMeasures));
  presModel.SetSelectedDimensionss(ComplexItems(selectedDimensions));
  presModel.SetSelectedMeasuress(ComplexItems(selectedMeasures));
}

void GoogleAnalyticsPresModelBuilder::AddMeasureSets(PresModel& presModel) const {
  std::vector<GoogleAnalyticsMeasureSet> sets;
  m_config->GetMeasureSets(sets);
  for (const GoogleAnalyticsMeasureSet& set : sets) {
    RefCntPtr<GoogleAnalyticsBasicItemPresModel> entry = MakeRefCnt<GoogleAnalyticsBasicItemPresModel>();
    entry->SetName(set.name);
    entry->SetId(set.id);
    presModel.AddPossibleMeasureSets(std::move(entry));
  }
  int chosen = -1;
  m_config->GetSelectedMeasureSet(&chosen);
  presModel.SetSelectedMeasureSetIndex(chosen);
}

void GoogleAnalyticsPresModelBuilder::AddSampleWarning(PresModel& presModel) const {
  RefCntPtr<GoogleAnalyticsQueryPartitioningPresModel> partitioning =
      MakeRefCnt<GoogleAnalyticsQueryPartitioningPresModel>();
  ResponseInfo response;
  m_config->GetQueryResponseInfo(response);
  if (!ReadBool(ResponseValue(response, "response-sampled"))) {
    presModel.SetQueryPartitioningModel(partitioning);
    return;
  }

  Items firstRestricting, secondRestricting;
  m_config->GetPartitionRestrictingItems(0, firstRestricting);
  m_config->GetPartitionRestrictingItems(1, secondRestricting);
  const bool generalRestriction = m_config->HasGeneralPartitionRestriction();
  const bool canPartition = m_config->CanPartitionQuery();
  const std::int64_t sampleSize = ReadInteger(ResponseValue(response, "sample-size"));
  const std::int64_t sampleSpace = ReadInteger(ResponseValue(response, "sample-space"));

  // Single precision, as the sample share is shown with two decimals only. An empty sample
  // space (a response that names none) shows as 0% rather than as an undefined number.
  const float percentage =
      sampleSpace == 0 ? 0.0f : static_cast<float>(sampleSize) / static_cast<float>(sampleSpace) * 100.0f;
  const TString percentageText = TString::number(percentage, 'f', 2);
  const TString sampleSpaceText =
      QStringLiteral("%L1").arg(static_cast<qlonglong>(sampleSpace), 0, 10, QLatin1Char(' '));

  const bool partitioningOn = m_config->IsQueryPartitioningOn();
  if (canPartition && partitioningOn) {
    partitioning->SetStatusText(LookupTStr(StringIds::kAnalyticsPartitionedStatus));
    partitioning->SetButtonText(LookupTStr(StringIds::kAnalyticsStopPartitioning));
    partitioning->SetButtonTooltip(LookupTStr(StringIds::kAnalyticsStopPartitioningTip));
  } else if (canPartition) {
    partitioning->SetStatusText(
        LookupTFmtStr(StringIds::kAnalyticsSampledStatus).arg(sampleSpaceText).arg(percentageText));
    partitioning->SetButtonText(LookupTStr(StringIds::kAnalyticsPartitionQuery));
    partitioning->SetButtonTooltip(LookupTStr(StringIds::kAnalyticsPartitionQueryTip));
  } else {
    partitioning->SetStatusText(
        LookupTFmtStr(StringIds::kAnalyticsSampledNoPartition).arg(sampleSpaceText).arg(percentageText));
    partitioning->SetButtonText(LookupTStr(StringIds::kAnalyticsPartitionQuery));
    partitioning->SetButtonTooltip(generalRestriction ? LookupTStr(StringIds::kAnalyticsCannotPartitionTip)
                                                      : RestrictionListText(firstRestricting, secondRestricting));
  }
  partitioning->SetCanPartition(canPartition);
  partitioning->SetIsEnabled(partitioningOn);
  partitioning->SetIsVisible(true);
  presModel.SetQueryPartitioningModel(partitioning);
}
