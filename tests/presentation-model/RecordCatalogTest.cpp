// The whole record catalogue: every record written full, read back and written again; every new
// record written; and the records with shapes of their own.

#include "host/Exceptions.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"
#include "host/values/DataColumn.h"
#include "presentation-model/ConnectionDescriptionPresModel.h"
#include "presentation-model/ConnectionParamsPresModel.h"
#include "presentation-model/CubeCatalogEnumerationPresModel.h"
#include "presentation-model/EditableVariableValuePresModel.h"
#include "presentation-model/GoogleAnalyticsComplexItemPresModel.h"
#include "presentation-model/GoogleAnalyticsConnectionDescriptionPresModel.h"
#include "presentation-model/PromptVariablePresModel.h"
#include "presentation-model/StringCollationPresModel.h"
#include "tests/QStringPrinter.h"
#include "tests/RecordFixtures.h"
#include "tests/support/StringColumnContext.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const ParametersRegistry& Registry() { return ParametersRegistry::Get(); }

std::string Write(const IParameters& bag) { return WriteParametersJson(bag, Registry()); }

template <typename X>
std::string Write(const RefCntPtr<X>& model) {
  return Write(*model->AsIParameters());
}


RefCntPtr<IParameters> Read(const std::string& json) {
  return ReadParametersJson(json, Registry(), StringColumnContext().Get());
}

template <typename X>
RefCntPtr<const X> ReadRecord(const std::string& json) {
  return GetParameterValue<RefCntPtr<const X>>(*Read(json), X::ID);
}

// Every field of a full record holds a value of its own, so a reader or writer that swaps,
// drops or shifts a field fails here: the field is missing from the text, or the text read
// back differs.
TEST(RecordCatalogTest, FullRecordsWriteEveryFieldAndReadBackToTheSameText) {
  EXPECT_EQ(FullRecordSamples().size(), Registry().GetParameters(GetDataPresModelParametersNamespaceName()).size());
  for (const FullRecordSample& sample : FullRecordSamples()) {
    for (int variant = 0; variant < kFullRecordVariants; ++variant) {
      SCOPED_TRACE(std::string(sample.structure) + " variant " + std::to_string(variant));
      const std::string written = Write(*sample.MakeBag(variant));
      for (const char* parameter : sample.parameters)
        EXPECT_NE(written.find('"' + std::string(parameter) + "\":"), std::string::npos) << parameter << " missing";
      EXPECT_EQ(Write(*Read(written)), written);
    }
  }
}

TEST(RecordCatalogTest, NewRecordsWriteCompletelyUnlessARequiredRecordIsNull) {
  const std::set<std::string> unwritable = {
      "gen-connection-settings-pres-model", "gen-gallery-pane-pres-model", "gen-editable-variable-value-pres-model",
      "gen-server-variable-metadata-pres-model", "gen-server-variable-value-pres-model"};
  for (const ParameterInfo* info : Registry().GetParameters(GetDataPresModelParametersNamespaceName())) {
    SCOPED_TRACE(info->GetUtf8Name());
    RefCntPtr<IParameters> bag = Registry().CreateParameters();
    bag->SetParameter(info->GetId(),
                      info->GetStructureSerializer()->DeserializeValue(Registry().CreateParameters(), info->GetId()));
    if (unwritable.count(info->GetUtf8Name()) == 0) {
      EXPECT_NO_THROW(Write(*bag));
      continue;
    }
    try {
      Write(*bag);
      ADD_FAILURE() << "written";
    } catch (const LogicException& e) {
      EXPECT_STREQ(e.what(), "Null pointer dereferenced");
    }
  }
}

TEST(RecordCatalogTest, ARequiredRecordLeftUnsetByTheReaderStillCannotBeWritten) {
  // The lenient reader accepts a record without its members and leaves the current operation
  // null, as a new record has it; only the writer fails, and once the operation is given it writes.
  const RefCntPtr<IParameters> unset = Read(R"({"editable-variable-value":{}})");
  try {
    Write(*unset);
    ADD_FAILURE() << "written";
  } catch (const LogicException& e) {
    EXPECT_STREQ(e.what(), "Null pointer dereferenced");
  }
  const std::string given = Write(*Read(R"({"editable-variable-value":{"variable-value-operation":{}}})"));
  EXPECT_NE(given.find(R"("operation-type":"equals")"), std::string::npos) << given;
  EXPECT_EQ(Write(*Read(given)), given);
}

TEST(RecordCatalogTest, NestedRecordsStartNewOrNullAsDeclared) {
  const RefCntPtr<ConnectionDescriptionPresModel> description = MakeRefCnt<ConnectionDescriptionPresModel>();
  EXPECT_NE(description->GetTableEnumerationPresModel(), nullptr);
  EXPECT_TRUE(description->GetHasFastMetadata());
  const std::string json = Write(description);
  EXPECT_NE(json.find(R"("connection-type-enum":"server-d-s")"), std::string::npos);
  EXPECT_NE(json.find(R"("connection-widget-type":"invalid")"), std::string::npos);
  EXPECT_EQ(json.find(R"("string-map")"), std::string::npos);  // empty maps are never written

  // Replacing an always-written record by null makes the record unwritable.
  RefCntPtr<ConnectionDescriptionPresModel> broken = MakeRefCnt<ConnectionDescriptionPresModel>();
  broken->SetCubeEnumerationPresModel(nullptr);
  EXPECT_THROW(Write(broken), LogicException);

  // A record created new but written only when set is written because it is set.
  const RefCntPtr<GoogleAnalyticsConnectionDescriptionPresModel> analytics =
      MakeRefCnt<GoogleAnalyticsConnectionDescriptionPresModel>();
  EXPECT_NE(Write(analytics).find(R"("google-analytics-date-range":{)"), std::string::npos);
  RefCntPtr<GoogleAnalyticsConnectionDescriptionPresModel> withoutRange =
      MakeRefCnt<GoogleAnalyticsConnectionDescriptionPresModel>();
  withoutRange->SetDateRangeModel(nullptr);
  EXPECT_EQ(Write(withoutRange).find("google-analytics-date-range\""), std::string::npos);
}

TEST(RecordCatalogTest, MapsAreWrittenOnlyWhenTheyHoldEntries) {
  RefCntPtr<ConnectionParamsPresModel> params = MakeRefCnt<ConnectionParamsPresModel>();
  std::string json = Write(params);
  for (const char* map : {"oauth-attrs", "wdc-attrs", "connector-attrs"})
    EXPECT_EQ(json.find(map), std::string::npos) << map;

  params = MakeRefCnt<ConnectionParamsPresModel>();
  params->AddWDCAttribute(QStringLiteral("Key"), QStringLiteral("old"));
  params->AddWDCAttribute(QStringLiteral("Key"), QStringLiteral("new"));  // replaces, does not add
  params->SetPassword(PasswordString(QStringLiteral("pw")));
  EXPECT_EQ(params->GetWDCAttributeCount(), 1u);
  json = Write(params);
  EXPECT_NE(json.find(R"("wdc-attrs":{"Key":"new"})"), std::string::npos);
  EXPECT_EQ(json.find("oauth-attrs"), std::string::npos);

  const RefCntPtr<const ConnectionParamsPresModel> read = ReadRecord<ConnectionParamsPresModel>(json);
  EXPECT_EQ(read->GetWDCAttribute(QStringLiteral("Key")), QStringLiteral("new"));
  EXPECT_EQ(read->GetPassword().GetString(), QStringLiteral("pw"));
  EXPECT_FALSE(read->HasOAuthAttribute(QStringLiteral("Key")));
  EXPECT_THROW(read->GetOAuthAttribute(QStringLiteral("Key")), std::out_of_range);
}

TEST(RecordCatalogTest, OnlyWhenNonEmptyStringsAreLeftOutAndStayEmpty) {
  const RefCntPtr<StringCollationPresModel> collation = MakeRefCnt<StringCollationPresModel>();
  collation->SetCharSetID(7);
  const std::string json = Write(collation);
  EXPECT_EQ(json, R"({"gen-string-collation-pres-model":{"charset-id":"7"}})");
  const RefCntPtr<const StringCollationPresModel> read = ReadRecord<StringCollationPresModel>(json);
  EXPECT_TRUE(read->GetCollationName().isEmpty());
  EXPECT_EQ(read->GetCharSetID(), 7u);
}

TEST(RecordCatalogTest, TheSelectedCatalogTravelsBesideTheList) {
  RefCntPtr<CubeCatalogPresModel> first = MakeRefCnt<CubeCatalogPresModel>();
  first->SetCatalogName(QStringLiteral("first"));
  RefCntPtr<CubeCatalogPresModel> selected = MakeRefCnt<CubeCatalogPresModel>();
  selected->SetCatalogName(QStringLiteral("selected"));
  RefCntPtr<CubeCatalogEnumerationPresModel> catalogs = MakeRefCnt<CubeCatalogEnumerationPresModel>();
  catalogs->AddPossibleCatalog(first);
  catalogs->SetSelectedCatalog(selected);
  catalogs->SetSelectedCatalogIndex(3);
  const std::string json = Write(catalogs);
  EXPECT_NE(json.find(R"("cube-catalogs":[{"catalog-name":"first"}],"cube-catalog":{"catalog-name":"selected"})"),
            std::string::npos)
      << json;
  const RefCntPtr<const CubeCatalogEnumerationPresModel> read = ReadRecord<CubeCatalogEnumerationPresModel>(json);
  EXPECT_EQ(read->GetPossibleCatalogCount(), 1u);
  EXPECT_EQ(read->GetPossibleCatalog(0)->GetCatalogName(), QStringLiteral("first"));
  EXPECT_EQ(read->GetSelectedCatalog()->GetCatalogName(), QStringLiteral("selected"));

  const RefCntPtr<const CubeCatalogEnumerationPresModel> unselected =
      ReadRecord<CubeCatalogEnumerationPresModel>(Write(MakeRefCnt<CubeCatalogEnumerationPresModel>()));
  EXPECT_EQ(unselected->GetSelectedCatalog(), nullptr);
  EXPECT_EQ(unselected->GetSelectedCatalogIndex(), -1);
}

TEST(RecordCatalogTest, DerivedRecordsWriteTheirBaseFirstUnderAGuard) {
  RefCntPtr<GoogleAnalyticsComplexItemPresModel> item = MakeRefCnt<GoogleAnalyticsComplexItemPresModel>();
  EXPECT_TRUE(item->GetIsEnabled());
  item->SetName(QStringLiteral("sessions"));
  item->SetCategory(QStringLiteral("users"));

  // Entered again while its flag is set, the writer writes nothing.
  RefCntPtr<GoogleAnalyticsComplexItemPresModel> busy = MakeRefCnt<GoogleAnalyticsComplexItemPresModel>();
  busy->SetIsSerializingGoogleAnalyticsComplexItemPresModel(true);
  EXPECT_EQ(Write(busy), R"({"gen-google-analytics-complex-item-pres-model":{}})");

  const std::string json = Write(item);
  EXPECT_EQ(json, R"({"gen-google-analytics-complex-item-pres-model":{"name":"sessions","item-id":"",)"
                  R"("item-description":"","item-category":"users","is-enabled":"true"}})");
  EXPECT_FALSE(item->GetIsSerializingGoogleAnalyticsComplexItemPresModel());  // restored after the write

  // The base reader fills the inherited fields of the same object.
  const RefCntPtr<const GoogleAnalyticsComplexItemPresModel> read = ReadRecord<GoogleAnalyticsComplexItemPresModel>(json);
  EXPECT_EQ(read->GetName(), QStringLiteral("sessions"));
  EXPECT_EQ(read->GetCategory(), QStringLiteral("users"));
}

TEST(RecordCatalogTest, EditableValuesWriteTheirOptionalPartsOnlyWhenThereAreAny) {
  RefCntPtr<VariableValueOperationPresModel> operation = MakeRefCnt<VariableValueOperationPresModel>();
  RefCntPtr<EditableVariableValuePresModel> value = MakeRefCnt<EditableVariableValuePresModel>();
  value->SetDisplayValue(QStringLiteral("shown"));
  value->SetCurrentOperation(operation);
  value->SetFirstValue(AliasedDataValue(DataValue::MakeString(QStringLiteral("a \"b\"")), QStringLiteral("A")));
  const std::string json = Write(value);
  EXPECT_NE(json.find(R"("display-value":"shown")"), std::string::npos);  // the inherited fields come first
  EXPECT_NE(json.find(R"("variable-value-operation":{"operation-name":"","operation-type":"equals"})"),
            std::string::npos);
  EXPECT_NE(json.find(R"("first-alised-value":["a \"b\"","A"],"second-alised-value":["",""])"), std::string::npos);
  EXPECT_NE(json.find(R"("variable-value-operations":[],"data-type":"unknown","aliased-selection-list":[])"),
            std::string::npos);
  for (const char* absent : {"value-domain-types", "minimum-range-value", "maximum-range-value"})
    EXPECT_EQ(json.find(absent), std::string::npos) << absent;

  const RefCntPtr<const EditableVariableValuePresModel> read = ReadRecord<EditableVariableValuePresModel>(json);
  EXPECT_EQ(read->GetDisplayValue(), QStringLiteral("shown"));
  EXPECT_EQ(read->GetFirstValue(), value->GetFirstValue());
  EXPECT_FALSE(read->GetMinimumRange().HasValue());

  // An aliased value is a list of strings; an object there does not fit and is skipped.
  const RefCntPtr<const EditableVariableValuePresModel> skipped = ReadRecord<EditableVariableValuePresModel>(
      R"({"gen-editable-variable-value-pres-model":{"first-alised-value":{"alias":"x"}}})");
  EXPECT_FALSE(skipped->GetFirstValue().HasValue());
}

TEST(RecordCatalogTest, TheGuardIsRestoredWhenTheWriterFails) {
  RefCntPtr<EditableVariableValuePresModel> value = MakeRefCnt<EditableVariableValuePresModel>();
  EXPECT_THROW(Write(value), LogicException);  // its operation, always written, is null
  EXPECT_FALSE(value->GetIsSerializingEditableVariableValuePresModel());
}

TEST(RecordCatalogTest, DataValueMapsTravelAsTypedText) {
  EXPECT_EQ(Write(MakeRefCnt<PromptVariablePresModel>()).find("variable-attributes"), std::string::npos);
  RefCntPtr<PromptVariablePresModel> variable = MakeRefCnt<PromptVariablePresModel>();
  variable->AddVariableAttributes(QStringLiteral("max"), DataValue::MakeInteger(12));
  variable->AddVariableAttributes(QStringLiteral("Label"), DataValue::MakeString(QStringLiteral("x")));
  const std::string json = Write(variable);
  EXPECT_NE(json.find(R"("variable-attributes":{"Label":"string:x","max":"integer:12"})"), std::string::npos);
  EXPECT_EQ(ReadRecord<PromptVariablePresModel>(json)->GetVariableAttributes(QStringLiteral("max")),
            DataValue::MakeInteger(12));
}

}  // namespace
