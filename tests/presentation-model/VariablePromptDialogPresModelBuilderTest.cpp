#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/connectors/DescribedDataConnection.h"
#include "host/parameters/ParametersJson.h"
#include "host/parameters/ParametersRegistry.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The private steps of the builder, for the failures a build never reaches.
class VariablePromptDialogPresModelBuilderTestAccess {
 public:
  using B = VariablePromptDialogPresModelBuilder;
  using Variable = B::Variable;
  using Value = B::Value;

  static void BuildValue(const Variable& variable, const Value& value) {
    B::BuildValue(variable, value, MakeRefCnt<VariableValuePresModel>(), 0);
  }
  static void BuildEditableValue(const Variable& variable, const Value& value) {
    B::BuildEditableValue(variable, value, MakeRefCnt<EditableVariableValuePresModel>(), 0);
  }
  static void BuildServerVariableMetadata(const Variable& variable) {
    B::BuildServerVariableMetadata(variable, MakeRefCnt<ServerVariableMetadataPresModel>());
  }
  static void BuildServerVariableValue(const Variable& variable, const Value& value) {
    B::BuildServerVariableValue(variable, value, MakeRefCnt<PromptVariablePresModel>(),
                                MakeRefCnt<ServerVariableValuePresModel>());
  }
  static void BuildDefaultVariableValue(const Variable& variable) {
    B::BuildDefaultVariableValue(variable, MakeRefCnt<PromptVariablePresModel>());
  }
  static int FindSelectionIndex(const Variable& variable, const AliasedDataValue& value) {
    return B::FindSelectionIndex(variable, MakeRefCnt<PromptVariablePresModel>(), value);
  }
};

namespace {

using Access = VariablePromptDialogPresModelBuilderTestAccess;
using Builder = VariablePromptDialogPresModelBuilder;

RefCntPtr<IDataConnection> Connection(const char* json) {
  return Connect::DescribedDataConnection::Parse(json, QStringLiteral("test"));
}

std::string Write(const RefCntPtr<VariablePromptDialogPresModel>& model) {
  return WriteParametersJson(*model->AsIParameters(), ParametersRegistry::Get());
}

bool Contains(const std::string& json, const std::string& part) { return json.find(part) != std::string::npos; }

// Runs the test body in an application mode.
class AppMode {
 public:
  explicit AppMode(ApplicationMode mode) { m_config->SetApplicationMode(mode); }

 private:
  std::shared_ptr<SettableAppConfig> m_config = std::make_shared<SettableAppConfig>();
  fake::ScopedInstall<AppConfig, IAppConfig> m_install{m_config};
};

// Three variables of the sales cube: a region with a selection list and two values, a year
// range, and a mandatory month without values.
const char kSales[] = R"({"class": "sapbw", "variables": [
  {"name": "[SALES].[REGION]", "guid": "g-region", "description": "Sales region", "data-type": "string",
   "ops": ["=", "<>", "BT"], "multiple-values": true, "prompt-text": "Pick regions",
   "selection-items": [{"value": "EU", "alias": "Europe"}, {"value": "US", "alias": "United States"}],
   "current-values": [{"op": "=", "value1": "EU"}, {"op": "<>", "value1": {"value": "US", "alias": "United States"}}]},
  {"name": "[SALES].[YEAR]", "guid": "g-year", "description": "Fiscal year", "data-type": "integer",
   "ops": ["=", ">="], "range-values-supported": true,
   "current-values": [{"range": true, "value1": 2020, "value2": 2024}]},
  {"name": "[SALES].[MONTH]", "guid": "g-month", "description": "Month", "data-type": "integer",
   "ops": [">=", "<"], "mandatory": true, "user-editable": false}
]})";

TEST(VariablePromptDialogPresModelBuilderTest, ListsEveryVariableWithItsValuesAndTheDialogTexts) {
  AppMode desktop(ApplicationMode::kDesktop);
  const auto dialog =
      Builder::BuildFromDBVariables(QStringLiteral("Sales BW"), Connection(kSales), TString(), -1, TString());
  EXPECT_EQ(dialog->GetConnectionName(), QStringLiteral("Sales BW"));
  EXPECT_EQ(dialog->GetDialogTitle(), QStringLiteral("SAP BW Variables"));
  EXPECT_EQ(dialog->GetAddVariableLabel(), QStringLiteral("Add Value"));
  EXPECT_EQ(dialog->GetValuesTableHeader(), QStringLiteral("Operator"));
  EXPECT_EQ(dialog->GetValuesTableHeader2(), QStringLiteral("Values"));
  EXPECT_EQ(dialog->GetFromLabel(), QStringLiteral("From"));
  EXPECT_EQ(dialog->GetRequiredVariableMessage(), QStringLiteral("Enter a value for every required variable."));
  EXPECT_TRUE(dialog->GetInstructions().isEmpty());
  ASSERT_EQ(dialog->GetVariableCount(), 3u);

  const auto& region = *dialog->GetVariable(0);
  EXPECT_EQ(region.GetVariableGUID(), QStringLiteral("g-region"));
  EXPECT_EQ(region.GetFullVariableName().GetFullValue(), QStringLiteral("[SALES].[REGION]"));
  EXPECT_EQ(region.GetVariableDisplayName(), QStringLiteral("Sales region"));
  EXPECT_EQ(region.GetVariableDescription(), QStringLiteral("REGION"));
  EXPECT_TRUE(region.GetDoesSupportMultipleValues());
  EXPECT_FALSE(region.GetIsValueRequired());
  EXPECT_TRUE(region.GetIsUserEditable());
  EXPECT_EQ(region.GetPromptText(), QStringLiteral("Pick regions"));
  EXPECT_EQ(region.GetServerVariableMetadata(), nullptr);
  EXPECT_EQ(region.GetVariableAttributesCount(), 0u);
  ASSERT_EQ(region.GetVariableValueCount(), 2u);
  const auto& notUs = *region.GetVariableValue(1);
  EXPECT_EQ(notUs.GetDisplayValue(), QStringLiteral("<> United States"));
  EXPECT_EQ(notUs.GetTooltipValue(), QStringLiteral("<> United States (US)"));
  EXPECT_EQ(notUs.GetValueIndex(), 1u);
  EXPECT_EQ(notUs.GetVariableGUID(), QStringLiteral("g-region"));
  EXPECT_TRUE(notUs.GetIsValid());
  EXPECT_EQ(notUs.GetServerVariableValue(), nullptr);

  EXPECT_EQ(dialog->GetVariable(1)->GetVariableValue(0)->GetDisplayValue(), QStringLiteral("2020 - 2024"));
  // Outside server mode, a variable without values shows one placeholder, which is not valid.
  const auto& month = *dialog->GetVariable(2);
  EXPECT_TRUE(month.GetIsValueRequired());
  EXPECT_FALSE(month.GetIsUserEditable());
  ASSERT_EQ(month.GetVariableValueCount(), 1u);
  EXPECT_FALSE(month.GetVariableValue(0)->GetIsValid());
  EXPECT_TRUE(month.GetVariableValue(0)->GetDisplayValue().isEmpty());

  // The mandatory month has no value.
  EXPECT_FALSE(dialog->GetIsValid());
}

TEST(VariablePromptDialogPresModelBuilderTest, OnlySapBwHasItsOwnTitle) {
  const auto title = [](const char* connectionClass) {
    const std::string json = std::string(R"({"class": ")") + connectionClass + R"(", "variables": []})";
    return Builder::BuildFromDBVariables(TString(), Connection(json.c_str()), TString(), -1, TString())
        ->GetDialogTitle();
  };
  EXPECT_EQ(title("sapbw"), QStringLiteral("SAP BW Variables"));
  EXPECT_EQ(title("SAPBW"), QStringLiteral("Variables and Parameters"));
  EXPECT_EQ(title("saphana"), QStringLiteral("Variables and Parameters"));
}

TEST(VariablePromptDialogPresModelBuilderTest, NothingIsEditedWithoutANameOrWithANegativeIndex) {
  AppMode desktop(ApplicationMode::kDesktop);
  const RefCntPtr<IDataConnection> connection = Connection(kSales);
  for (const auto& [name, index] : std::vector<std::pair<TString, int>>{
           {TString(), 0}, {QStringLiteral("[SALES].[REGION]"), -1}, {QStringLiteral("[SALES].[NOPE]"), 0}}) {
    const auto dialog = Builder::BuildFromDBVariables(TString(), connection, name, index, TString());
    EXPECT_FALSE(dialog->GetIsEditing()) << name.toStdString();
    EXPECT_EQ(dialog->GetVariableValueToEdit(), nullptr);
    EXPECT_TRUE(dialog->GetVariableGUID().isEmpty());
    EXPECT_EQ(dialog->GetValueIndex(), 0u);
    const std::string json = Write(dialog);
    EXPECT_FALSE(Contains(json, "\"editable-variable-value\"")) << json;
    EXPECT_TRUE(Contains(json, R"("is-editing":"false")")) << json;
  }
}

TEST(VariablePromptDialogPresModelBuilderTest, EditsTheChosenValueWithTheVariablesChoices) {
  AppMode desktop(ApplicationMode::kDesktop);
  // The name may be written without brackets.
  const auto dialog =
      Builder::BuildFromDBVariables(TString(), Connection(kSales), QStringLiteral("SALES.REGION"), 1, TString());
  ASSERT_TRUE(dialog->GetIsEditing());
  EXPECT_EQ(dialog->GetVariableGUID(), QStringLiteral("g-region"));
  EXPECT_EQ(dialog->GetValueIndex(), 1u);
  const auto& edited = *dialog->GetVariableValueToEdit();
  EXPECT_EQ(edited.GetValueIndex(), 1u);
  EXPECT_EQ(edited.GetDisplayValue(), QStringLiteral("<> United States"));
  EXPECT_EQ(edited.GetFirstValue(),
            AliasedDataValue(DataValue::MakeString(QStringLiteral("US")), QStringLiteral("United States")));
  EXPECT_FALSE(edited.GetSecondValue().HasValue());
  EXPECT_FALSE(edited.GetIsTwoValued());
  EXPECT_EQ(edited.GetCurrentOperation()->GetOperationType(), OperationType::NotEquals);
  EXPECT_EQ(edited.GetCurrentOperation()->GetOperationName(), QStringLiteral("<>"));
  EXPECT_EQ(edited.GetDataType(), DataType::String);
  ASSERT_EQ(edited.GetSelectionListCount(), 2u);
  EXPECT_EQ(edited.GetSelectionList(1).GetAlias(), QStringLiteral("United States"));
  // Exactly the variable's operations; "BT" is not in the table, so it is a range.
  ASSERT_EQ(edited.GetOperationCount(), 3u);
  EXPECT_EQ(edited.GetOperation(0)->GetOperationType(), OperationType::Equals);
  EXPECT_EQ(edited.GetOperation(2)->GetOperationType(), OperationType::RangeInclusive);
  EXPECT_EQ(edited.GetOperation(2)->GetOperationName(), QStringLiteral("Between"));
  EXPECT_EQ(edited.GetValueDomainTypeCount(), 0u);
  EXPECT_FALSE(edited.GetMinimumRange().HasValue());

  const std::string json = Write(dialog);
  EXPECT_TRUE(Contains(json, R"("variable-value-operation":{"operation-name":"<>","operation-type":"not-equals"})"))
      << json;

  // A range value is two-valued and its operation is the range, whatever its operation string.
  const auto year =
      Builder::BuildFromDBVariables(TString(), Connection(kSales), QStringLiteral("[SALES].[YEAR]"), 0, TString());
  const auto& range = *year->GetVariableValueToEdit();
  EXPECT_TRUE(range.GetIsTwoValued());
  EXPECT_EQ(range.GetSecondValue().GetValue(), DataValue::MakeInteger(2024));
  EXPECT_EQ(range.GetCurrentOperation()->GetOperationType(), OperationType::RangeInclusive);
  EXPECT_EQ(range.GetCurrentOperation()->GetOperationName(), QStringLiteral("Between"));
  EXPECT_EQ(range.GetDataType(), DataType::Integer);
}

TEST(VariablePromptDialogPresModelBuilderTest, AVariableWithoutValuesIsEditedAtAnInvalidDefaultEntry) {
  AppMode desktop(ApplicationMode::kDesktop);
  // Whatever index the host asks for: the default entry is the only value.
  const auto dialog =
      Builder::BuildFromDBVariables(TString(), Connection(kSales), QStringLiteral("[SALES].[MONTH]"), 3, TString());
  ASSERT_TRUE(dialog->GetIsEditing());
  EXPECT_EQ(dialog->GetVariableGUID(), QStringLiteral("g-month"));
  EXPECT_EQ(dialog->GetValueIndex(), 0u);
  const auto& edited = *dialog->GetVariableValueToEdit();
  EXPECT_EQ(edited.GetValueIndex(), 0u);
  // The edit record is built like any value: it is valid, unlike the placeholder in the list.
  EXPECT_TRUE(edited.GetIsValid());
  EXPECT_FALSE(dialog->GetVariable(2)->GetVariableValue(0)->GetIsValid());
  EXPECT_FALSE(edited.GetFirstValue().HasValue());
  // The month offers no "=", so the new value starts with its first operation.
  EXPECT_EQ(edited.GetCurrentOperation()->GetOperationType(), OperationType::GreaterThanEqual);
}

const char kTwoRelations[] = R"({"class": "sapbw", "variables": [
  {"name": "A", "guid": "a", "description": "Alpha", "attributes": {"RELATION_NAME": "Orders"}},
  {"name": "B", "guid": "b", "description": "Beta", "attributes": {"RELATION_NAME": "Returns"}},
  {"name": "C", "guid": "c", "description": "Gamma"},
  {"name": "D", "guid": "d", "description": "Delta", "attributes": {"RELATION_NAME": "Orders"}}
]})";

std::vector<TString> DisplayNames(const VariablePromptDialogPresModel& dialog) {
  std::vector<TString> names;
  for (const auto& variable : dialog.GetVariables()) names.push_back(variable->GetVariableDisplayName());
  return names;
}

TEST(VariablePromptDialogPresModelBuilderTest, DisplayNamesNameTheRelationOnlyWhenThereAreSeveral) {
  const auto all = Builder::BuildFromDBVariables(TString(), Connection(kTwoRelations), TString(), -1, TString());
  EXPECT_EQ(DisplayNames(*all),
            (std::vector<TString>{QStringLiteral("Alpha (Orders)"), QStringLiteral("Beta (Returns)"),
                                  QStringLiteral("Gamma"), QStringLiteral("Delta (Orders)")}));

  // A given relation keeps its variables only, and none of them carries the suffix.
  const auto orders =
      Builder::BuildFromDBVariables(TString(), Connection(kTwoRelations), TString(), -1, QStringLiteral("Orders"));
  EXPECT_EQ(DisplayNames(*orders), (std::vector<TString>{QStringLiteral("Alpha"), QStringLiteral("Delta")}));

  const auto one = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "description": "Alpha", "attributes": {"RELATION_NAME": "Orders"}},
    {"name": "C", "guid": "c", "description": "%1 and %2"}]})"),
                                                 TString(), -1, TString());
  EXPECT_EQ(DisplayNames(*one), (std::vector<TString>{QStringLiteral("Alpha"), QStringLiteral("%1 and %2")}));

  // Placeholders in a description stay text when the suffix is added.
  const auto placeholders = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "description": "%2 %1", "attributes": {"RELATION_NAME": "R1"}},
    {"name": "B", "guid": "b", "description": "B", "attributes": {"RELATION_NAME": "R2"}}]})"),
                                                          TString(), -1, TString());
  EXPECT_EQ(placeholders->GetVariable(0)->GetVariableDisplayName(), QStringLiteral("%2 %1 (R1)"));
}

TEST(VariablePromptDialogPresModelBuilderTest, OverridingTheDescriptionSwapsItWithTheNameLeaf) {
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "[CUBE].[ZREGION]", "guid": "a", "description": "Region of sale", "override-description": true,
     "attributes": {"RELATION_NAME": "R1"}},
    {"name": "[CUBE].[ZYEAR]", "guid": "b", "description": "Year", "attributes": {"RELATION_NAME": "R2"}}]})"),
                                                    TString(), -1, TString());
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableDisplayName(), QStringLiteral("ZREGION (R1)"));
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableDescription(), QStringLiteral("Region of sale"));
  EXPECT_EQ(dialog->GetVariable(1)->GetVariableDisplayName(), QStringLiteral("Year (R2)"));
  EXPECT_EQ(dialog->GetVariable(1)->GetVariableDescription(), QStringLiteral("ZYEAR"));
}

TEST(VariablePromptDialogPresModelBuilderTest, OperationsOutsideTheTableAreRangesWithTheLocalizedName) {
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "V", "guid": "v", "ops": ["<", "<=", ">", ">=", "", "like", "Between"],
     "current-values": [{"op": "", "value1": "a"}]}]})"),
                                                    QStringLiteral("V"), 0, TString());
  const auto& edited = *dialog->GetVariableValueToEdit();
  const std::vector<std::pair<OperationType, const char*>> expected = {{OperationType::LessThan, "<"},
                                                                       {OperationType::LessThanEqual, "<="},
                                                                       {OperationType::GreaterThan, ">"},
                                                                       {OperationType::GreaterThanEqual, ">="},
                                                                       {OperationType::RangeInclusive, "Between"},
                                                                       {OperationType::RangeInclusive, "Between"},
                                                                       {OperationType::RangeInclusive, "Between"}};
  ASSERT_EQ(edited.GetOperationCount(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(edited.GetOperation(static_cast<unsigned>(i))->GetOperationType(), expected[i].first) << i;
    EXPECT_EQ(edited.GetOperation(static_cast<unsigned>(i))->GetOperationName(), QLatin1String(expected[i].second))
        << i;
  }
  // The empty operation of a single value, too.
  EXPECT_FALSE(edited.GetIsTwoValued());
  EXPECT_EQ(edited.GetCurrentOperation()->GetOperationType(), OperationType::RangeInclusive);
  EXPECT_EQ(edited.GetCurrentOperation()->GetOperationName(), QStringLiteral("Between"));
}

TEST(VariablePromptDialogPresModelBuilderTest, TheDialogIsValidOnceEveryMandatoryVariableHasAValue) {
  const auto valid = [](const char* json) {
    return Builder::BuildFromDBVariables(TString(), Connection(json), TString(), -1, TString())->GetIsValid();
  };
  EXPECT_TRUE(valid(R"({"class": "x", "variables": [{"name": "V", "guid": "v", "mandatory": true,
                        "current-values": [{"value1": "a"}]}, {"name": "W", "guid": "w"}]})"));
  // Not being prompted for does not make a mandatory variable optional.
  EXPECT_FALSE(valid(R"({"class": "x", "variables": [{"name": "V", "guid": "v", "mandatory": true,
                         "user-prompted": false}]})"));
  EXPECT_TRUE(valid(R"({"class": "x", "variables": []})"));
}

// --- Server mode ---------------------------------------------------------------------------

// A region whose values are partly outside its selection list, an unprompted variable and a
// variable without selection items whose declared default fills its missing value.
const char kServer[] = R"({"class": "sapbw", "variables": [
  {"name": "[S].[REGION]", "guid": "g-region", "description": "Region", "ops": ["=", "<>"],
   "selection-items": [{"value": "EU", "alias": "Europe"}, {"value": "US", "alias": "United States"}],
   "default-value": {"op": "=", "value1": "APAC"},
   "current-values": [{"op": "=", "value1": "US"}, {"op": "<>", "value1": "LATAM"},
                      {"range": true, "value1": "EU", "value2": "MEA"}],
   "attributes": {"RELATION_NAME": "Orders", "CATALOG": "Sales", "AREA": 7}},
  {"name": "[S].[HIDDEN]", "guid": "g-hidden", "user-prompted": false, "current-values": [{"value1": "x"}]},
  {"name": "[S].[YEAR]", "guid": "g-year", "data-type": "integer", "ops": [">="],
   "default-value": {"op": ">=", "value1": 2020}}
]})";

TEST(VariablePromptDialogPresModelBuilderTest, ServerModeAddsMetadataServerValuesAndAttributes) {
  AppMode server(ApplicationMode::kServer);
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(kServer), TString(), -1, TString());
  // The unprompted variable is left out on the server.
  ASSERT_EQ(dialog->GetVariableCount(), 2u);
  const auto& region = *dialog->GetVariable(0);

  // Attributes in name order, with the values the user set recorded as they were set, before
  // the connection resolved them.
  std::vector<TString> names;
  for (const auto& [name, value] : region.GetVariableAttributess()) names.push_back(name);
  EXPECT_EQ(names, (std::vector<TString>{QStringLiteral("AREA"), QStringLiteral("CATALOG"),
                                         QStringLiteral("MODIFIED_VALUES"), QStringLiteral("RELATION_NAME")}));
  EXPECT_EQ(region.GetVariableAttributes(QStringLiteral("MODIFIED_VALUES")).GetString(),
            QStringLiteral("US; <> LATAM; EU - MEA"));
  const std::string json = Write(dialog);
  EXPECT_TRUE(Contains(json, R"("variable-attributes":{"AREA":"integer:7","CATALOG":"string:Sales")")) << json;

  // The default value is the declared one, and it is not selectable.
  const auto& metadata = *region.GetServerVariableMetadata();
  EXPECT_EQ(metadata.GetDataType(), DataType::String);
  ASSERT_EQ(metadata.GetOperationListCount(), 2u);
  EXPECT_EQ(metadata.GetOperationList(1)->GetOperationType(), OperationType::NotEquals);
  const auto& defaultValue = *metadata.GetDefaultVariableValue();
  EXPECT_EQ(defaultValue.GetDisplayValue(), QStringLiteral("APAC"));
  EXPECT_TRUE(defaultValue.GetIsValid());
  EXPECT_EQ(defaultValue.GetServerVariableValue()->GetFirstValue(), QStringLiteral("APAC"));
  EXPECT_EQ(defaultValue.GetServerVariableValue()->GetFirstValueIndex(), 2);

  // The lists: the two items, then each value not among them, in the order they were looked
  // up; the default's addition was dropped when its metadata was stored again.
  EXPECT_EQ(metadata.GetSelectionValueLists(),
            (std::vector<TString>{QStringLiteral("Europe"), QStringLiteral("United States"), QStringLiteral("LATAM"),
                                  QStringLiteral("MEA")}));
  ASSERT_EQ(metadata.GetAliasedSelectionListCount(), 4u);
  EXPECT_EQ(metadata.GetAliasedSelectionList(3).GetValue(), DataValue::MakeString(QStringLiteral("MEA")));
  EXPECT_EQ(metadata.GetDefaultVariableValue(), region.GetServerVariableMetadata()->GetDefaultVariableValue());

  ASSERT_EQ(region.GetVariableValueCount(), 3u);
  const auto& us = *region.GetVariableValue(0)->GetServerVariableValue();
  EXPECT_EQ(us.GetFirstValue(), QStringLiteral("United States"));  // resolved: the alias of the item
  EXPECT_EQ(us.GetFirstValueIndex(), 1);
  EXPECT_EQ(us.GetSecondValueIndex(), -1);
  EXPECT_TRUE(us.GetSecondValue().isEmpty());
  EXPECT_EQ(us.GetCurrentOperation()->GetOperationType(), OperationType::Equals);
  const auto& latam = *region.GetVariableValue(1)->GetServerVariableValue();
  EXPECT_EQ(latam.GetFirstValueIndex(), 2);
  EXPECT_EQ(latam.GetCurrentOperation()->GetOperationType(), OperationType::NotEquals);
  const auto& range = *region.GetVariableValue(2)->GetServerVariableValue();
  EXPECT_TRUE(range.GetIsTwoValued());
  EXPECT_EQ(range.GetFirstValueIndex(), 0);
  EXPECT_EQ(range.GetSecondValue(), QStringLiteral("MEA"));
  EXPECT_EQ(range.GetSecondValueIndex(), 3);
  EXPECT_EQ(range.GetCurrentOperation()->GetOperationType(), OperationType::RangeInclusive);

  // Without selection items nothing is added and no index is found. The missing value was
  // resolved from the declared default, so there is no placeholder.
  const auto& year = *dialog->GetVariable(1);
  ASSERT_EQ(year.GetVariableValueCount(), 1u);
  EXPECT_TRUE(year.GetVariableValue(0)->GetIsValid());
  EXPECT_EQ(year.GetVariableValue(0)->GetDisplayValue(), QStringLiteral(">= 2020"));
  EXPECT_EQ(year.GetVariableValue(0)->GetServerVariableValue()->GetFirstValueIndex(), -1);
  EXPECT_EQ(year.GetServerVariableMetadata()->GetSelectionValueListCount(), 0u);
  // Its default equals its value: nothing was modified.
  EXPECT_FALSE(year.HasVariableAttributes(QStringLiteral("MODIFIED_VALUES")));
}

TEST(VariablePromptDialogPresModelBuilderTest, AnEmptyServerTextHasNoIndexAndAddsNothing) {
  AppMode prep(ApplicationMode::kPrepDesktop);
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "V", "guid": "v", "selection-items": ["a", "b"], "ops": ["="]}]})"),
                                                    TString(), -1, TString());
  const auto& variable = *dialog->GetVariable(0);
  // Server mode makes no placeholder: the variable has no value to edit.
  EXPECT_EQ(variable.GetVariableValueCount(), 0u);
  const auto& defaultValue = *variable.GetServerVariableMetadata()->GetDefaultVariableValue()->GetServerVariableValue();
  EXPECT_TRUE(defaultValue.GetFirstValue().isEmpty());
  EXPECT_EQ(defaultValue.GetFirstValueIndex(), -1);
  EXPECT_EQ(variable.GetServerVariableMetadata()->GetSelectionValueListCount(), 2u);
}

TEST(VariablePromptDialogPresModelBuilderTest, OnlyTheServerLeavesOutUnpromptedVariables) {
  for (const ApplicationMode mode : {ApplicationMode::kPrepDesktop, ApplicationMode::kFlowEditor}) {
    AppMode app(mode);
    const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(kServer), TString(), -1, TString());
    ASSERT_EQ(dialog->GetVariableCount(), 3u);
    EXPECT_NE(dialog->GetVariable(1)->GetServerVariableMetadata(), nullptr);
    EXPECT_FALSE(dialog->GetVariable(1)->GetIsUserPrompted());
  }
}

// --- Failures ------------------------------------------------------------------------------

void ExpectLogicFailure(const std::function<void()>& action, int line, const char* message) {
  try {
    action();
    ADD_FAILURE() << "no exception; expected line " << line;
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetLine(), line);
    EXPECT_EQ(e.GetExpression(), QLatin1String(message));
    EXPECT_TRUE(QString::fromUtf8(e.GetFile())
                    .endsWith(QLatin1String("presentation-model/VariablePromptDialogPresModelBuilder.cpp")))
        << e.GetFile();
  }
}

TEST(VariablePromptDialogPresModelBuilderTest, ConnectionsWithoutOwnVariablesAreLogicErrors) {
  const auto build = [](RefCntPtr<IDataConnection> connection) {
    return [connection] { Builder::BuildFromDBVariables(TString(), connection, TString(), -1, TString()); };
  };
  ExpectLogicFailure(build(nullptr), 102, "dc && !get_interface<IFederatedSQLConnection*>(dc)");
  ExpectLogicFailure(build(Connection(R"({"class": "federated", "federated-members": ["postgres"], "variables": []})")),
                     102, "dc && !get_interface<IFederatedSQLConnection*>(dc)");
  ExpectLogicFailure(build(Connection(R"({"class": "postgres"})")), 108, "dbVariables");
}

TEST(VariablePromptDialogPresModelBuilderTest, EditingAValueTheDialogDoesNotHoldIsALogicError) {
  const auto edit = [](const char* json, const char* name, int index, const char* relation) {
    return [=] {
      Builder::BuildFromDBVariables(TString(), Connection(json), QLatin1String(name), index, QLatin1String(relation));
    };
  };
  {
    AppMode desktop(ApplicationMode::kDesktop);
    // An index past the values, and a variable of another relation.
    ExpectLogicFailure(edit(kSales, "[SALES].[REGION]", 2, ""), 312, "selectedValue");
    ExpectLogicFailure(edit(kTwoRelations, "B", 0, "Orders"), 312, "selectedValue");
  }
  AppMode server(ApplicationMode::kServer);
  ExpectLogicFailure(edit(kServer, "[S].[HIDDEN]", 0, ""), 312, "selectedValue");
  // On the server a variable without values gets no placeholder to edit.
  ExpectLogicFailure(edit(R"({"class": "x", "variables": [{"name": "V", "guid": "v"}]})", "V", 0, ""), 312,
                     "selectedValue");
}

TEST(VariablePromptDialogPresModelBuilderTest, StepsRefuseNullVariablesAndValues) {
  const RefCntPtr<IDataConnection> connection = Connection(kSales);
  const Access::Variable variable = connection->GetDatabaseVariables()->GetVariables().front();
  const Access::Value value = variable->GetCurrentValue(0);
  ExpectLogicFailure([] { Access::BuildValue(nullptr, nullptr); }, 372, "variable");
  ExpectLogicFailure([&] { Access::BuildValue(variable, nullptr); }, 373, "variableValue");
  ExpectLogicFailure([&] { Access::BuildEditableValue(nullptr, value); }, 333, "variable");
  ExpectLogicFailure([&] { Access::BuildEditableValue(variable, nullptr); }, 334, "variableValue");
  ExpectLogicFailure([] { Access::BuildServerVariableMetadata(nullptr); }, 434, "variable");
  ExpectLogicFailure([&] { Access::BuildServerVariableValue(nullptr, value); }, 456, "variable");
  ExpectLogicFailure([&] { Access::BuildServerVariableValue(variable, nullptr); }, 457, "variableValue");
  ExpectLogicFailure([] { Access::BuildDefaultVariableValue(nullptr); }, 503, "variable");
  ExpectLogicFailure([] { Access::FindSelectionIndex(nullptr, AliasedDataValue()); }, 54, "variable");
  // A value not among the items is added to the prompt variable's metadata, which must exist.
  EXPECT_EQ(
      Access::FindSelectionIndex(variable, AliasedDataValue(DataValue::MakeString(QStringLiteral("US")), TString())),
      1);
  try {
    Access::FindSelectionIndex(variable, AliasedDataValue(DataValue::MakeString(QStringLiteral("XX")), TString()));
    ADD_FAILURE() << "no exception";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), QStringLiteral("Null pointer dereferenced"));
  }
}

TEST(VariablePromptDialogPresModelBuilderTest, HanaValuesLeadWithTheirKey) {
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "saphana", "variables": [
    {"name": "V", "guid": "v", "current-values": [{"op": "<>", "value1": {"value": "EU", "alias": "Europe"}}]}]})"),
                                                    TString(), -1, TString());
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableValue(0)->GetDisplayValue(), QStringLiteral("<> EU (Europe)"));
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableValue(0)->GetTooltipValue(), QStringLiteral("<> EU (Europe)"));
  EXPECT_EQ(dialog->GetDialogTitle(), QStringLiteral("Variables and Parameters"));
}

}  // namespace
