#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/AppConfig.h"
#include "host/app/StringTable.h"
#include "host/connectors/DescribedDataConnection.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Expects `action` to raise the builder's logic exception at `line` with `message`.
void ExpectLogicFailure(const std::function<void()>& action, int line, const char* message) {
  try {
    action();
    ADD_FAILURE() << "no exception; expected line " << line;
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetLine(), line);
    EXPECT_EQ(e.GetExpression(), QLatin1String(message));
  }
}

// The private steps of the builder, for the failures a build never reaches.
class VariablePromptDialogPresModelBuilderTestAccess {
 public:
  using B = VariablePromptDialogPresModelBuilder;
  using Variable = B::Variable;

  static void ExpectStepsToRefuseNulls(const Variable& variable, const B::Value& value) {
    const auto prompt = [] { return MakeRefCnt<PromptVariablePresModel>(); };
    const auto valueModel = [] { return MakeRefCnt<VariableValuePresModel>(); };
    const auto editable = [] { return MakeRefCnt<EditableVariableValuePresModel>(); };
    const auto serverValue = [] { return MakeRefCnt<ServerVariableValuePresModel>(); };
    ExpectLogicFailure([&] { B::BuildValue(nullptr, nullptr, valueModel(), 0); }, 372, "variable");
    ExpectLogicFailure([&] { B::BuildValue(variable, nullptr, valueModel(), 0); }, 373, "variableValue");
    ExpectLogicFailure([&] { B::BuildEditableValue(nullptr, value, editable(), 0); }, 333, "variable");
    ExpectLogicFailure([&] { B::BuildEditableValue(variable, nullptr, editable(), 0); }, 334, "variableValue");
    ExpectLogicFailure([&] { B::BuildServerVariableMetadata(nullptr, MakeRefCnt<ServerVariableMetadataPresModel>()); },
                       434, "variable");
    ExpectLogicFailure([&] { B::BuildServerVariableValue(nullptr, value, prompt(), serverValue()); }, 456, "variable");
    ExpectLogicFailure([&] { B::BuildServerVariableValue(variable, nullptr, prompt(), serverValue()); }, 457,
                       "variableValue");
    ExpectLogicFailure([&] { B::BuildDefaultVariableValue(nullptr, prompt()); }, 503, "variable");
    ExpectLogicFailure([&] { B::FindSelectionIndex(nullptr, prompt(), AliasedDataValue()); }, 54, "variable");
    // A value not among the items is added to the prompt variable's metadata, which must exist.
    const auto text = [](const char* t) { return AliasedDataValue(DataValue::MakeString(QLatin1String(t)), TString()); };
    EXPECT_EQ(B::FindSelectionIndex(variable, prompt(), text("US")), 1);
    try {
      B::FindSelectionIndex(variable, prompt(), text("XX"));
      ADD_FAILURE() << "no exception";
    } catch (const LogicException& e) {
      EXPECT_EQ(e.GetExpression(), QStringLiteral("Null pointer dereferenced"));
    }
  }
};

namespace {

using Builder = VariablePromptDialogPresModelBuilder;

RefCntPtr<IDataConnection> Connection(const char* json) {
  return Connect::DescribedDataConnection::Parse(json, QStringLiteral("test"));
}

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
  // Two of the texts show the wiring; the string table owns the words.
  EXPECT_EQ(dialog->GetAddVariableLabel(), LookupTStr(0xa5c1ac85));
  EXPECT_EQ(dialog->GetRequiredVariableMessage(), LookupTStr(0x481b2e66));
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

std::vector<TString> List(std::initializer_list<const char*> texts) {
  std::vector<TString> list;
  for (const char* text : texts) list.push_back(QString::fromUtf8(text));
  return list;
}

TEST(VariablePromptDialogPresModelBuilderTest, DisplayNamesNameTheRelationOnlyWhenThereAreSeveral) {
  const auto build = [](const char* json, const char* relation) {
    return Builder::BuildFromDBVariables(TString(), Connection(json), TString(), -1, QLatin1String(relation));
  };
  EXPECT_EQ(DisplayNames(*build(kTwoRelations, "")), List({"Alpha (Orders)", "Beta (Returns)", "Gamma", "Delta (Orders)"}));
  // A given relation keeps its variables only, and none of them carries the suffix.
  EXPECT_EQ(DisplayNames(*build(kTwoRelations, "Orders")), List({"Alpha", "Delta"}));
  EXPECT_EQ(DisplayNames(*build(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "description": "Alpha", "attributes": {"RELATION_NAME": "Orders"}},
    {"name": "C", "guid": "c", "description": "%1 and %2"}]})", "")),
            List({"Alpha", "%1 and %2"}));

  // Placeholders in a description stay text when the suffix is added; overriding the
  // description swaps it with the name's leaf.
  const auto swapped = build(R"({"class": "x", "variables": [
    {"name": "[CUBE].[ZYEAR]", "guid": "a", "description": "%2 %1", "attributes": {"RELATION_NAME": "R1"}},
    {"name": "[CUBE].[ZREGION]", "guid": "b", "description": "Region of sale", "override-description": true,
     "attributes": {"RELATION_NAME": "R2"}}]})", "");
  EXPECT_EQ(DisplayNames(*swapped), List({"%2 %1 (R1)", "ZREGION (R2)"}));
  EXPECT_EQ(swapped->GetVariable(0)->GetVariableDescription(), QStringLiteral("ZYEAR"));
  EXPECT_EQ(swapped->GetVariable(1)->GetVariableDescription(), QStringLiteral("Region of sale"));
}

TEST(VariablePromptDialogPresModelBuilderTest, OperationsOutsideTheTableAreRangesWithTheLocalizedName) {
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "V", "guid": "v", "ops": ["<", "<=", ">", ">=", "", "like", "Between"],
     "current-values": [{"op": "", "value1": "a"}]}]})"),
                                                    QStringLiteral("V"), 0, TString());
  const auto& edited = *dialog->GetVariableValueToEdit();
  std::vector<std::pair<OperationType, TString>> operations;
  for (const auto& operation : edited.GetOperations())
    operations.emplace_back(operation->GetOperationType(), operation->GetOperationName());
  const std::pair<OperationType, TString> between = {OperationType::RangeInclusive, QStringLiteral("Between")};
  EXPECT_EQ(operations, (std::vector<std::pair<OperationType, TString>>{
                            {OperationType::LessThan, QStringLiteral("<")},
                            {OperationType::LessThanEqual, QStringLiteral("<=")},
                            {OperationType::GreaterThan, QStringLiteral(">")},
                            {OperationType::GreaterThanEqual, QStringLiteral(">=")}, between, between, between}));
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
  EXPECT_EQ(names, List({"AREA", "CATALOG", "MODIFIED_VALUES", "RELATION_NAME"}));
  EXPECT_EQ(region.GetVariableAttributes(QStringLiteral("MODIFIED_VALUES")).GetString(),
            QStringLiteral("US; <> LATAM; EU - MEA"));
  EXPECT_EQ(region.GetVariableAttributes(QStringLiteral("AREA")), DataValue::MakeInteger(7));

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
  EXPECT_EQ(metadata.GetSelectionValueLists(), List({"Europe", "United States", "LATAM", "MEA"}));
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

TEST(VariablePromptDialogPresModelBuilderTest, ServerIndexesSearchTheVariablesOwnItemsEachTime) {
  AppMode prep(ApplicationMode::kPrepDesktop);
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "x", "variables": [
    {"name": "V", "guid": "v", "selection-items": ["a", "b"], "ops": ["="]},
    {"name": "W", "guid": "w", "selection-items": ["a"], "ops": ["="],
     "current-values": [{"value1": "c"}, {"value1": "c"}]}]})"),
                                                    TString(), -1, TString());
  const auto& variable = *dialog->GetVariable(0);
  // Server mode makes no placeholder: the variable has no value to edit.
  EXPECT_EQ(variable.GetVariableValueCount(), 0u);
  // An empty text has no index and adds nothing.
  const auto& defaultValue = *variable.GetServerVariableMetadata()->GetDefaultVariableValue()->GetServerVariableValue();
  EXPECT_TRUE(defaultValue.GetFirstValue().isEmpty());
  EXPECT_EQ(defaultValue.GetFirstValueIndex(), -1);
  EXPECT_EQ(variable.GetServerVariableMetadata()->GetSelectionValueListCount(), 2u);

  // A value looked up twice is not found among the items either time, so it is added twice.
  const auto& twice = *dialog->GetVariable(1);
  EXPECT_EQ(twice.GetVariableValue(0)->GetServerVariableValue()->GetFirstValueIndex(), 1);
  EXPECT_EQ(twice.GetVariableValue(1)->GetServerVariableValue()->GetFirstValueIndex(), 2);
  EXPECT_EQ(twice.GetServerVariableMetadata()->GetSelectionValueLists(), List({"a", "c", "c"}));
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
  using Access = VariablePromptDialogPresModelBuilderTestAccess;
  const Access::Variable variable = connection->GetDatabaseVariables()->GetVariables().front();
  Access::ExpectStepsToRefuseNulls(variable, variable->GetCurrentValue(0));
}

TEST(VariablePromptDialogPresModelBuilderTest, HanaValuesLeadWithTheirKey) {
  const auto dialog = Builder::BuildFromDBVariables(TString(), Connection(R"({"class": "saphana", "variables": [
    {"name": "V", "guid": "v", "current-values": [{"op": "<>", "value1": {"value": "EU", "alias": "Europe"}}]}]})"),
                                                    TString(), -1, TString());
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableValue(0)->GetDisplayValue(), QStringLiteral("<> EU (Europe)"));
  EXPECT_EQ(dialog->GetVariable(0)->GetVariableValue(0)->GetTooltipValue(), QStringLiteral("<> EU (Europe)"));
}

}  // namespace
