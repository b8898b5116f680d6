// Records read straight from JSON must come out as they do through a bag of their members:
// the same fields set, the same members skipped, the same errors raised.

#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataColumn.h"
#include "parameters/ParameterIds.h"
#include "presentation-model/ConnectionTableInfoPresModel.h"
#include "presentation-model/EditableVariableValuePresModel.h"
#include "presentation-model/TableEnumerationPresModel.h"
#include "tests/QStringPrinter.h"
#include "tests/RecordFixtures.h"
#include "tests/support/StringColumnContext.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

std::string Write(const IParameters& bag) { return WriteParametersJson(bag, Registry()); }

// Reads `json` both ways, checks that both write the same text, and returns the direct read.
RefCntPtr<IParameters> ReadBothWays(const std::string& json, const IParameters* context = nullptr) {
  const RefCntPtr<IParameters> direct = ReadParametersJson(json, Registry(), context);
  EXPECT_EQ(Write(*direct), Write(*ReadParametersJsonThroughBags(json, Registry(), context)));
  return direct;
}

RefCntPtr<const TableEnumerationPresModel> ReadTable(const std::string& fields) {
  const RefCntPtr<IParameters> bag = ReadBothWays("{\"gen-table-enumeration-pres-model\":{" + fields + "}}");
  return GetParameterValue<RefCntPtr<const TableEnumerationPresModel>>(*bag, TableEnumerationPresModel::ID);
}

const std::string kEntry =
    R"({"table-name":"[db].[t]","table-caption":"T","table-pill-icon-type":"found-table","is-enabled":"false"})";

TEST(RecordJsonReaderTest, MembersThatDoNotFitAreSkippedAndTheLastOneThatFitsWins) {
  // A number, an object and an array where strings belong; unknown and foreign names.
  const auto entry = ReadTable(R"("table-infos":[{"table-caption":"first","table-caption":7,"table-tooltip":{},)"
                               R"("table-sortkey":["x"],"no-such-name":"1","is-enabled":"false","is-enabled":"true"}])")
                         ->GetTableInfo(0);
  EXPECT_EQ(entry->GetCaption(), QStringLiteral("first"));
  EXPECT_TRUE(entry->GetTooltip().isEmpty());
  EXPECT_TRUE(entry->GetSortKey().isEmpty());
  EXPECT_TRUE(entry->GetIsEnabled());
}

TEST(RecordJsonReaderTest, OneElementThatIsNotARecordLeavesTheWholeListOut) {
  const std::string good = R"("table-infos":[)" + kEntry + "]";
  EXPECT_EQ(ReadTable(good + R"(,"table-infos":[)" + kEntry + R"(,"x"])")->GetTableInfoCount(), 1u);
  EXPECT_EQ(ReadTable(good + R"(,"table-infos":{})")->GetTableInfoCount(), 1u);
  EXPECT_EQ(ReadTable(R"("table-infos":[])")->GetTableInfoCount(), 0u);
}

TEST(RecordJsonReaderTest, SerializerErrorsArePassedOnAlsoForMembersTheRecordDoesNotHave) {
  for (const char* fields : {R"("table-infos":[{"is-enabled":"maybe"}])",
                             // allow-preview-data is a bool, though not one of the entry's fields
                             R"("table-infos":[{"allow-preview-data":"maybe"}])"}) {
    SCOPED_TRACE(fields);
    const std::string json = std::string("{\"gen-table-enumeration-pres-model\":{") + fields + "}}";
    EXPECT_THROW(ReadParametersJson(json, Registry()), ParameterParseException);
    EXPECT_THROW(ReadParametersJsonThroughBags(json, Registry()), ParameterParseException);
  }
}

TEST(RecordJsonReaderTest, ContextValuesReachTheRecordsAsThroughABag) {
  // A context value under a field's id starts every record; a member read from the text wins.
  RefCntPtr<IParameters> context = Registry().CreateParameters();
  context->SetParameter(DataParameters::TableCaption, MakeValParameter(QStringLiteral("from context")));
  const std::string json = R"({"gen-table-enumeration-pres-model":{"table-infos":[{"table-tooltip":"t"},)"
                           R"({"table-caption":"own"}]}})";
  const RefCntPtr<IParameters> direct = ReadParametersJson(json, Registry(), context.Get());
  EXPECT_EQ(Write(*direct), Write(*ReadParametersJsonThroughBags(json, Registry(), context.Get())));
  const auto& table = GetParameterValue<RefCntPtr<const TableEnumerationPresModel>>(*direct, TableEnumerationPresModel::ID);
  EXPECT_EQ(table->GetTableInfo(0)->GetCaption(), QStringLiteral("from context"));
  EXPECT_EQ(table->GetTableInfo(1)->GetCaption(), QStringLiteral("own"));
}

TEST(RecordJsonReaderTest, EveryFullRecordReadsTheSameBothWays) {
  const RefCntPtr<IParameters> context = StringColumnContext();
  for (const FullRecordSample& sample : FullRecordSamples()) {
    for (int variant = 0; variant < kFullRecordVariants; ++variant) {
      SCOPED_TRACE(std::string(sample.structure) + " variant " + std::to_string(variant));
      ReadBothWays(Write(*sample.MakeBag(variant)), context.Get());
    }
  }
}

TEST(RecordJsonReaderTest, AliasedValuesInsideRecordsAreReadAgainstTheReadersColumn) {
  RefCntPtr<IParameters> context = Registry().CreateParameters();
  const RefCntPtr<const VizEngine::UserType> type = MakeRefCnt<VizEngine::SimpleType>(DataType::Integer);
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(type, std::vector<DataValue>()))));
  const std::string json = R"({"gen-editable-variable-value-pres-model":{"first-alised-value":["42","forty-two"],)"
                           R"("second-alised-value":["null",""]}})";
  // Read through a bag of the record's members as well as straight from the JSON: in both, the
  // inner bags of the record and of its two values start from the context.
  for (const auto& read : {ReadParametersJson, ReadParametersJsonThroughBags}) {
    const RefCntPtr<IParameters> bag = read(json, Registry(), context.Get());
    const auto& record =
        GetParameterValue<RefCntPtr<const EditableVariableValuePresModel>>(*bag, EditableVariableValuePresModel::ID);
    EXPECT_EQ(record->GetFirstValue(), AliasedDataValue(DataValue::MakeInteger(42), QStringLiteral("forty-two")));
    EXPECT_EQ(record->GetSecondValue().GetValue().GetType(), DataType::Integer);
    EXPECT_TRUE(record->GetSecondValue().GetValue().IsNull());
  }
  // Without a column the values cannot be read at all, so the check above is not vacuous.
  EXPECT_THROW(ReadParametersJson(json, Registry()), ParameterParseException);
}

}  // namespace
