#include "host/datamodel/DatabaseVariables.h"

#include "host/Exceptions.h"
#include "host/datamodel/DBVariableFormatter.h"

#include <algorithm>

namespace {

bool SameLiteral(const RefCntPtr<const DBVariableLiteralDataModel>& a,
                 const RefCntPtr<const DBVariableLiteralDataModel>& b) {
  if (!a || !b) return !a && !b;
  return a->GetValue() == b->GetValue();
}

bool SameValues(const Database_Variable_DataModel::ValueList& values,
                const RefCntPtr<const DBVariableValueDataModel>& defaultValue) {
  if (!defaultValue) return false;
  return values.size() == 1 && values.front() && values.front()->IsSameAs(*defaultValue);
}

// A name compared as a qualified name, so that "[Sales].[Region]" and "Sales.Region" match.
QualifiedName Qualified(const TString& name) { return FieldName(name).GetQualifiedName(); }

}  // namespace

const TString Database_Variable_DataModel::attrRelationName = QStringLiteral("RELATION_NAME");
const TString Database_Variable_DataModel::attrModifiedValues = QStringLiteral("MODIFIED_VALUES");

DBVariableLiteralDataModel::~DBVariableLiteralDataModel() = default;
DBVariableValueDataModel::~DBVariableValueDataModel() = default;
Database_Variable_DataModel::~Database_Variable_DataModel() = default;
Database_VariablesCollection_DataModel::~Database_VariablesCollection_DataModel() = default;

bool DBVariableValueDataModel::IsSameAs(const DBVariableValueDataModel& other) const {
  return m_isRange == other.m_isRange && m_op == other.m_op && SameLiteral(m_value1, other.m_value1) &&
         SameLiteral(m_value2, other.m_value2);
}

RefCntPtr<const DBVariableValueDataModel> Database_Variable_DataModel::GetCurrentValue(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_currentValues.size()) return nullptr;
  return m_currentValues[static_cast<size_t>(index)];
}

DataValue Database_Variable_DataModel::GetAttribute(const TString& name) const {
  const auto found = m_attributes.find(name);
  return found == m_attributes.end() ? DataValue() : found->second;
}

RefCntPtr<const Database_Variable_DataModel> DBVariablesDataModelBuilder::FindVariable(
    const TString& name, const RefCntPtr<const Database_VariablesCollection_DataModel>& collection) {
  if (name.isEmpty() || !collection) return nullptr;
  const QualifiedName wanted = Qualified(name);
  for (const RefCntPtr<const Database_Variable_DataModel>& variable : collection->GetVariables())
    if (variable && variable->GetVariableName().GetQualifiedName() == wanted) return variable;
  return nullptr;
}

RefCntPtr<Database_Variable_DataModel> DBVariablesDataModelBuilder::CopyVariableDataModel(
    const RefCntPtr<const Database_Variable_DataModel>& variable) {
  HLV_ASSERT(variable);
  RefCntPtr<Database_Variable_DataModel> copy = MakeRefCnt<Database_Variable_DataModel>();
  const Database_Variable_DataModel& from = *variable;
  Database_Variable_DataModel& to = *copy;
  to.m_variableName = from.m_variableName;
  to.m_description = from.m_description;
  to.m_overrideDescription = from.m_overrideDescription;
  to.m_variableGUID = from.m_variableGUID;
  to.m_promptText = from.m_promptText;
  to.m_multipleValues = from.m_multipleValues;
  to.m_isMandatory = from.m_isMandatory;
  to.m_isUserEditable = from.m_isUserEditable;
  to.m_isUserPrompted = from.m_isUserPrompted;
  to.m_rangeValuesSupported = from.m_rangeValuesSupported;
  to.m_dataType = from.m_dataType;
  to.m_ops = from.m_ops;
  to.m_selectionItems = from.m_selectionItems;
  to.m_currentValues = from.m_currentValues;
  to.m_defaultValue = from.m_defaultValue;
  to.m_attributes = from.m_attributes;
  return copy;
}

RefCntPtr<DBVariableValueDataModel> DBVariablesDataModelBuilder::NewDefaultValueDataModel(
    const RefCntPtr<const Database_Variable_DataModel>& variable) {
  HLV_ASSERT(variable);
  RefCntPtr<DBVariableValueDataModel> value = MakeRefCnt<DBVariableValueDataModel>();
  if (const RefCntPtr<const DBVariableValueDataModel>& declared = variable->GetDefaultValue()) {
    value->SetValue1(declared->GetValue1());
    value->SetValue2(declared->GetValue2());
    value->SetIsRange(declared->GetIsRange());
    value->SetOp(declared->GetOp());
    return value;
  }
  const std::vector<TString>& ops = variable->GetOps();
  const TString equals = QStringLiteral("=");
  value->SetOp(ops.empty() || std::find(ops.begin(), ops.end(), equals) != ops.end() ? equals : ops.front());
  value->SetValue1(MakeRefCnt<DBVariableLiteralDataModel>(AliasedDataValue()));
  return value;
}

bool DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(
    const RefCntPtr<const Database_VariablesCollection_DataModel>& collection, bool promptedOnly) {
  if (!collection) return false;
  for (const RefCntPtr<const Database_Variable_DataModel>& variable : collection->GetVariables()) {
    if (!variable || !variable->GetIsMandatory()) continue;
    if (promptedOnly && !variable->GetIsUserPrompted()) continue;
    const Database_Variable_DataModel::ValueList& values = variable->GetCurrentValues();
    const bool assigned = std::any_of(values.begin(), values.end(), [](const auto& value) {
      return value && value->GetValue1() && value->GetValue1()->GetValue().HasValue();
    });
    if (!assigned) return true;
  }
  return false;
}

void DatabaseVariableHelpers::AddModifiedVariableValuesAttr(
    RefCntPtr<Database_Variable_DataModel>& variable,
    const RefCntPtr<const Database_VariablesCollection_DataModel>& collection, bool onlyWhenModified,
    bool withAliases) {
  HLV_ASSERT(variable && collection);

  const Database_Variable_DataModel::ValueList& values = variable->GetCurrentValues();
  if (onlyWhenModified && (values.empty() || SameValues(values, variable->GetDefaultValue()))) return;
  const RefCntPtr<DBVariableFormatter> formatter = MakeRefCnt<DBVariableFormatter>();
  TString text;
  for (const RefCntPtr<const DBVariableValueDataModel>& value : values) {
    if (!text.isEmpty()) text += QStringLiteral("; ");
    text += formatter->FormatVariableValueForUI(value, true, withAliases);
  }
  variable->SetAttribute(Database_Variable_DataModel::attrModifiedValues, DataValue::MakeString(text));
}
