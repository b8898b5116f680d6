#include "presentation-model/VariablePromptDialogPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/InitOnce.h"
#include "host/app/AppConfig.h"
#include "host/app/StringIds.h"
#include "host/app/StringTable.h"
#include "host/datamodel/DBVariableFormatter.h"

#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace {

// The process-wide formatter. Every build installs its own and formats with the reference it
// took, so the lock guards only the exchange, never a format.
class FormatterSlot {
 public:
  FormatterSlot() : m_formatter(MakeRefCnt<HanaVariableFormatter>()) {}

  RefCntPtr<DBVariableFormatter> Get() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_formatter;
  }

  // Installs `formatter` and gives back the one it replaces, to be released outside the lock.
  RefCntPtr<DBVariableFormatter> Replace(RefCntPtr<DBVariableFormatter> formatter) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::swap(m_formatter, formatter);
    return formatter;
  }

 private:
  mutable std::mutex m_mutex;
  RefCntPtr<DBVariableFormatter> m_formatter;
};

// Set up when the library loads and released when it unloads.
FormatterSlot g_formatter;

// The formatter of the build running on this thread, set for the length of the build.
thread_local const DBVariableFormatter* t_buildFormatter = nullptr;

// Makes `formatter` the one the steps of this thread's build format with.
class BuildFormatterScope {
 public:
  explicit BuildFormatterScope(const DBVariableFormatter& formatter) : m_previous(t_buildFormatter) {
    t_buildFormatter = &formatter;
  }
  ~BuildFormatterScope() { t_buildFormatter = m_previous; }
  BuildFormatterScope(const BuildFormatterScope&) = delete;
  BuildFormatterScope& operator=(const BuildFormatterScope&) = delete;

 private:
  const DBVariableFormatter* m_previous;
};

// The formatter the steps use: the build's own, or, for a step run outside a build, the
// process-wide one (a null one raises the null-pointer logic exception when used).
RefCntPtr<const DBVariableFormatter> Formatter() {
  if (t_buildFormatter != nullptr) return RefCntPtr<const DBVariableFormatter>(t_buildFormatter);
  return g_formatter.Get();
}

// The operation types of the operation strings, built once and only read afterwards.
InitOnceFlag g_operationTableOnce;
std::map<TString, OperationType> g_operationTable;

const std::map<TString, OperationType>& OperationTable() {
  InitOnce(g_operationTableOnce, [] {
    g_operationTable = {
        {QStringLiteral("="), OperationType::Equals},
        {QStringLiteral("<>"), OperationType::NotEquals},
        {QStringLiteral("<"), OperationType::LessThan},
        {QStringLiteral("<="), OperationType::LessThanEqual},
        {QStringLiteral(">"), OperationType::GreaterThan},
        {QStringLiteral(">="), OperationType::GreaterThanEqual},
        {LookupTStr(StringIds::kVariableRangeOperation), OperationType::RangeInclusive},
    };
  });
  return g_operationTable;
}

RefCntPtr<const VariableValueOperationPresModel> RangeOperation() {
  RefCntPtr<VariableValueOperationPresModel> operation = MakeRefCnt<VariableValueOperationPresModel>();
  operation->SetOperationType(OperationType::RangeInclusive);
  operation->SetOperationName(LookupTStr(StringIds::kVariableRangeOperation));
  return operation;
}

// The relation a variable belongs to; empty when it has no "RELATION_NAME" attribute.
TString RelationOf(const Database_Variable_DataModel& variable) {
  if (!variable.HasAttribute(Database_Variable_DataModel::attrRelationName)) return TString();
  return variable.GetAttribute(Database_Variable_DataModel::attrRelationName).GetString();
}

const AliasedDataValue& LiteralOf(const RefCntPtr<const DBVariableLiteralDataModel>& literal) {
  return literal->GetValue();
}

}  // namespace

VariablePromptDialogPresModelBuilder::~VariablePromptDialogPresModelBuilder() = default;

RefCntPtr<VariablePromptDialogPresModel> VariablePromptDialogPresModelBuilder::BuildFromDBVariables(
    const TString& connectionName, RefCntPtr<IDataConnection> connection, const TString& selectedVariableName,
    int selectedValueIndex, const TString& relationName) {
  const RefCntPtr<IDataConnection>& dc = connection;
  if (!(dc && !get_interface<IFederatedSQLConnection*>(dc)))
    HLV_THROW_LOGIC_AT(102, "dc && !get_interface<IFederatedSQLConnection*>(dc)");

  const TString connectionClass = connection->GetConnectionClassName();
  // The build formats with the formatter it installs, whatever other builds install meanwhile.
  const RefCntPtr<DBVariableFormatter> formatter = DBVariableFormatter::InstanceFromConnection(connection);
  g_formatter.Replace(formatter);
  const BuildFormatterScope formatterScope(*formatter);

  const RefCntPtr<const Database_VariablesCollection_DataModel> dbVariables = connection->GetDatabaseVariables();
  if (!dbVariables) HLV_THROW_LOGIC_AT(108, "dbVariables");

  const bool isServer = AppConfig::IsHalvaneServer();

  RefCntPtr<VariablePromptDialogPresModel> dialog = MakeRefCnt<VariablePromptDialogPresModel>();
  dialog->SetConnectionName(connectionName);
  dialog->SetDialogTitle(LookupTStr(connectionClass == QLatin1String("sapbw") ? StringIds::kSapBwVariablesDialogTitle
                                                                              : StringIds::kVariablesDialogTitle));
  dialog->SetAddVariableLabel(LookupTStr(StringIds::kAddVariableLabel));
  dialog->SetAddVariableTooltip(LookupTStr(StringIds::kAddVariableTooltip));
  dialog->SetDeleteVariableTooltip(LookupTStr(StringIds::kDeleteVariableTooltip));
  dialog->SetFromLabel(LookupTStr(StringIds::kVariableFromLabel));
  dialog->SetToLabel(LookupTStr(StringIds::kVariableToLabel));
  dialog->SetListViewNameLabel(LookupTStr(StringIds::kVariableListNameLabel));
  dialog->SetListViewValueLabel(LookupTStr(StringIds::kVariableListValueLabel));
  dialog->SetValuesTableHeader(LookupTStr(StringIds::kVariableValuesHeader));
  dialog->SetValuesTableHeader2(LookupTStr(StringIds::kVariableValuesHeader2));
  dialog->SetEditWidgetHeader(LookupTStr(StringIds::kEditVariableHeader));
  dialog->SetEditWidgetInstruction(LookupTStr(StringIds::kEditVariableInstruction));
  dialog->SetRequiredVariableMessage(LookupTStr(StringIds::kRequiredVariableMessage));

  const Variable selectedVariable = selectedVariableName.isEmpty()
                                        ? Variable()
                                        : DBVariablesDataModelBuilder::FindVariable(selectedVariableName, dbVariables);
  const bool editing = selectedVariable && selectedValueIndex >= 0;

  bool useRelationSuffix = false;
  if (relationName.isEmpty()) {
    std::set<TString> relations;
    for (const Variable& variable : dbVariables->GetVariables())
      if (variable->HasAttribute(Database_Variable_DataModel::attrRelationName))
        relations.insert(RelationOf(*variable));
    useRelationSuffix = relations.size() > 1;
  }

  Value selectedValue;
  for (const Variable& original : dbVariables->GetVariables()) {
    if (isServer && !original->GetIsUserPrompted()) continue;
    const bool isSelected = editing && original->GetVariableGUID() == selectedVariable->GetVariableGUID();
    if (!relationName.isEmpty() && RelationOf(*original) != relationName) continue;

    RefCntPtr<PromptVariablePresModel> promptVariable = MakeRefCnt<PromptVariablePresModel>();
    promptVariable->SetDoesSupportMultipleValues(original->GetMultipleValues());
    promptVariable->SetIsValueRequired(original->GetIsMandatory());
    promptVariable->SetFullVariableName(original->GetVariableName().GetQualifiedName());

    const TString nameLeaf = original->GetVariableName().GetLeafValue();
    const bool overrides = original->GetOverrideDescription();
    TString displayName = overrides ? nameLeaf : original->GetDescription();
    const TString description = overrides ? original->GetDescription() : nameLeaf;
    if (useRelationSuffix && original->HasAttribute(Database_Variable_DataModel::attrRelationName))
      displayName = TFormatString(QStringLiteral("%1 (%2)")).arg(displayName).arg(RelationOf(*original));
    promptVariable->SetVariableDisplayName(displayName);
    promptVariable->SetIsUserEditable(original->GetIsUserEditable());
    promptVariable->SetIsUserPrompted(original->GetIsUserPrompted());
    promptVariable->SetPromptText(original->GetPromptText());
    promptVariable->SetVariableDescription(description);
    promptVariable->SetVariableGUID(original->GetVariableGUID());

    const bool serverMode = isServer || AppConfig::IsHalvanePrepDesktop() || AppConfig::IsFlowEditor();
    Variable variable = original;
    if (serverMode) {
      // The server works on a resolved copy, which stands for the variable from here on.
      RefCntPtr<Database_Variable_DataModel> copy = DBVariablesDataModelBuilder::CopyVariableDataModel(original);
      DatabaseVariableHelpers::AddModifiedVariableValuesAttr(copy, dbVariables, true, false);
      connection->ResolveVariable(copy);
      variable = copy;

      RefCntPtr<ServerVariableMetadataPresModel> metadata = MakeRefCnt<ServerVariableMetadataPresModel>();
      BuildServerVariableMetadata(variable, metadata);
      const Value defaultData = DBVariablesDataModelBuilder::NewDefaultValueDataModel(variable);
      RefCntPtr<VariableValuePresModel> defaultValue = MakeRefCnt<VariableValuePresModel>();
      BuildValue(variable, defaultData, defaultValue, 0);
      promptVariable->SetServerVariableMetadata(metadata);
      RefCntPtr<ServerVariableValuePresModel> serverDefault = MakeRefCnt<ServerVariableValuePresModel>();
      BuildServerVariableValue(variable, defaultData, promptVariable, serverDefault);
      defaultValue->SetServerVariableValue(serverDefault);
      metadata->SetDefaultVariableValue(defaultValue);
      // Drops what looking up the default value may have added to the selection lists.
      promptVariable->SetServerVariableMetadata(metadata);
      for (const auto& [name, value] : variable->GetAttributes()) promptVariable->AddVariableAttributes(name, value);
    }

    const Database_Variable_DataModel::ValueList& values = variable->GetCurrentValues();
    for (size_t i = 0; i < values.size(); ++i) {
      RefCntPtr<VariableValuePresModel> valuePresModel = MakeRefCnt<VariableValuePresModel>();
      BuildValue(variable, values[i], valuePresModel, static_cast<int>(i));
      if (serverMode) {
        RefCntPtr<ServerVariableValuePresModel> serverValue = MakeRefCnt<ServerVariableValuePresModel>();
        BuildServerVariableValue(variable, values[i], promptVariable, serverValue);
        valuePresModel->SetServerVariableValue(serverValue);
      }
      promptVariable->AddVariableValue(valuePresModel);
    }

    if (variable->GetCurrentValueCount() == 0 && !serverMode) {
      RefCntPtr<DBVariableValueDataModel> defaultData = BuildDefaultVariableValue(variable, promptVariable);
      if (isSelected) {
        selectedValue = defaultData;
        selectedValueIndex = 0;
      }
    }
    if (isSelected && !selectedValue && selectedValueIndex >= 0)
      selectedValue = variable->GetCurrentValue(selectedValueIndex);
    dialog->AddVariable(promptVariable);
  }

  dialog->SetIsEditing(editing);
  if (editing) {
    if (!selectedVariable) HLV_THROW_LOGIC_AT(311, "selectedVariable");
    if (!selectedValue) HLV_THROW_LOGIC_AT(312, "selectedValue");
    dialog->SetVariableGUID(selectedVariable->GetVariableGUID());
    dialog->SetValueIndex(static_cast<unsigned int>(selectedValueIndex));
    RefCntPtr<EditableVariableValuePresModel> editable = MakeRefCnt<EditableVariableValuePresModel>();
    BuildEditableValue(selectedVariable, selectedValue, editable, selectedValueIndex);
    dialog->SetVariableValueToEdit(editable);
  }

  dialog->SetIsValid(!DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(dbVariables, false));
  return dialog;
}

void VariablePromptDialogPresModelBuilder::BuildValue(const Variable& variable, const Value& value,
                                                      const RefCntPtr<VariableValuePresModel>& presModel, int index) {
  if (!variable) HLV_THROW_LOGIC_AT(372, "variable");
  if (!value) HLV_THROW_LOGIC_AT(373, "variableValue");
  const RefCntPtr<const DBVariableFormatter> formatter = Formatter();
  presModel->SetDisplayValue(formatter->FormatVariableValueForUI(value, true, false));
  presModel->SetTooltipValue(formatter->FormatVariableValueForUI(value, true, true));
  presModel->SetIsValid(true);
  presModel->SetVariableGUID(variable->GetVariableGUID());
  presModel->SetValueIndex(static_cast<unsigned int>(index));
}

void VariablePromptDialogPresModelBuilder::BuildEditableValue(
    const Variable& variable, const Value& value, const RefCntPtr<EditableVariableValuePresModel>& presModel,
    int index) {
  if (!variable) HLV_THROW_LOGIC_AT(333, "variable");
  if (!value) HLV_THROW_LOGIC_AT(334, "variableValue");
  BuildValue(variable, value, presModel, index);

  OperationList operations;
  BuildOperationsList(variable->GetOps(), operations, variable->GetRangeValuesSupported());
  presModel->SetOperations(std::move(operations));
  presModel->SetDataType(variable->GetDataType());

  presModel->SetFirstValue(LiteralOf(value->GetValue1()));
  if (value->GetValue2()) presModel->SetSecondValue(LiteralOf(value->GetValue2()));
  presModel->SetIsTwoValued(value->GetIsRange());
  presModel->SetCurrentOperation(value->GetIsRange() ? RangeOperation() : ConvertToOperationType(value->GetOp()));
  presModel->SetSelectionLists(variable->GetSelectionItems());
}

void VariablePromptDialogPresModelBuilder::BuildServerVariableMetadata(
    const Variable& variable, const RefCntPtr<ServerVariableMetadataPresModel>& metadata) {
  if (!variable) HLV_THROW_LOGIC_AT(434, "variable");
  OperationList operations;
  BuildOperationsList(variable->GetOps(), operations, variable->GetRangeValuesSupported());
  metadata->SetOperationLists(std::move(operations));
  metadata->SetDataType(variable->GetDataType());
  const std::vector<AliasedDataValue>& items = variable->GetSelectionItems();
  metadata->SetSelectionValueLists(Formatter()->FormatAliasedValueList(items));
  metadata->SetAliasedSelectionLists(items);
}

void VariablePromptDialogPresModelBuilder::BuildServerVariableValue(
    const Variable& variable, const Value& value, const RefCntPtr<PromptVariablePresModel>& promptVariable,
    const RefCntPtr<ServerVariableValuePresModel>& serverValue) {
  if (!variable) HLV_THROW_LOGIC_AT(456, "variable");
  if (!value) HLV_THROW_LOGIC_AT(457, "variableValue");
  const RefCntPtr<const DBVariableFormatter> formatter = Formatter();

  const AliasedDataValue& first = LiteralOf(value->GetValue1());
  const TString firstText = formatter->FormatAliasedValue(first);
  serverValue->SetFirstValue(firstText);
  serverValue->SetFirstValueIndex(firstText.isEmpty() ? -1 : FindSelectionIndex(variable, promptVariable, first));

  if (value->GetValue2()) {
    const AliasedDataValue& second = LiteralOf(value->GetValue2());
    const TString secondText = formatter->FormatAliasedValue(second);
    serverValue->SetSecondValue(secondText);
    serverValue->SetSecondValueIndex(secondText.isEmpty() ? -1 : FindSelectionIndex(variable, promptVariable, second));
  } else {
    serverValue->SetSecondValueIndex(-1);
  }

  serverValue->SetIsTwoValued(value->GetIsRange());
  serverValue->SetCurrentOperation(value->GetIsRange() ? RangeOperation() : ConvertToOperationType(value->GetOp()));
}

RefCntPtr<DBVariableValueDataModel> VariablePromptDialogPresModelBuilder::BuildDefaultVariableValue(
    const Variable& variable, const RefCntPtr<PromptVariablePresModel>& promptVariable) {
  if (!variable) HLV_THROW_LOGIC_AT(503, "variable");
  RefCntPtr<DBVariableValueDataModel> defaultData = DBVariablesDataModelBuilder::NewDefaultValueDataModel(variable);
  RefCntPtr<VariableValuePresModel> presModel = MakeRefCnt<VariableValuePresModel>();
  BuildValue(variable, defaultData, presModel, 0);
  // A placeholder for the user to fill, not a value of the variable yet.
  presModel->SetIsValid(false);
  promptVariable->AddVariableValue(presModel);
  return defaultData;
}

void VariablePromptDialogPresModelBuilder::BuildOperationsList(const std::vector<TString>& ops,
                                                               OperationList& operations, bool) {
  operations.clear();
  operations.reserve(ops.size());
  for (const TString& op : ops) operations.push_back(ConvertToOperationType(op));
}

RefCntPtr<VariableValueOperationPresModel> VariablePromptDialogPresModelBuilder::ConvertToOperationType(
    const TString& op) {
  RefCntPtr<VariableValueOperationPresModel> operation = MakeRefCnt<VariableValueOperationPresModel>();
  const std::map<TString, OperationType>& table = OperationTable();
  const auto found = table.find(op);
  if (found == table.end()) {
    operation->SetOperationType(OperationType::RangeInclusive);
    operation->SetOperationName(LookupTStr(StringIds::kVariableRangeOperation));
    return operation;
  }
  operation->SetOperationType(found->second);
  operation->SetOperationName(op);
  return operation;
}

int VariablePromptDialogPresModelBuilder::FindSelectionIndex(const Variable& variable,
                                                             const RefCntPtr<PromptVariablePresModel>& promptVariable,
                                                             const AliasedDataValue& value) {
  if (!variable) HLV_THROW_LOGIC_AT(54, "variable");
  const std::vector<AliasedDataValue>& items = variable->GetSelectionItems();
  for (size_t i = 0; i < items.size(); ++i)
    if (AliasedDataValue::Compare(value, items[i], false) == 0) return static_cast<int>(i);
  if (items.empty()) return -1;

  // Not selectable yet: the value joins the selection lists of a new metadata record, so that
  // the records already handed out keep theirs. The search itself stays on the variable's own
  // items, so a value looked up twice is added twice.
  const RefCntPtr<const ServerVariableMetadataPresModel> current = promptVariable->GetServerVariableMetadata();
  RefCntPtr<ServerVariableMetadataPresModel> extended = MakeRefCnt<ServerVariableMetadataPresModel>();
  extended->SetOperationLists(current->GetOperationLists());
  extended->SetDataType(current->GetDataType());
  extended->SetDefaultVariableValue(current->GetDefaultVariableValue());
  std::vector<TString> texts = current->GetSelectionValueLists();
  texts.push_back(Formatter()->FormatAliasedValue(value));
  extended->SetSelectionValueLists(std::move(texts));
  std::vector<AliasedDataValue> aliased = current->GetAliasedSelectionLists();
  aliased.push_back(value);
  const int index = static_cast<int>(aliased.size()) - 1;
  extended->SetAliasedSelectionLists(std::move(aliased));
  promptVariable->SetServerVariableMetadata(extended);
  return index;
}
