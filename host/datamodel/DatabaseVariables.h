// The database variables of a data connection: variables (prompts) whose values the user
// supplies before data can be read, with their current values, and the helpers that find, copy
// and check them.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/values/AliasedDataValue.h"
#include "host/values/DataEnums.h"
#include "host/values/DataValue.h"
#include "host/values/SimpleValues.h"

#include <map>
#include <utility>
#include <vector>

/// One literal of a variable value: a data value with its alias.
class HLVHOST_API DBVariableLiteralDataModel : public RefCntObject {
 public:
  explicit DBVariableLiteralDataModel(AliasedDataValue value) : m_value(std::move(value)) {}

  const AliasedDataValue& GetValue() const noexcept { return m_value; }

 protected:
  ~DBVariableLiteralDataModel() override;

 private:
  AliasedDataValue m_value;
};

/// One value of a variable: an operation and its literal, or a range of two literals.
///
/// The operation is one of the variable's operation strings ("=", "<>", "<", "<=", ">", ">=",
/// or a connector's own). A range value holds both literals and its operation does not count.
class HLVHOST_API DBVariableValueDataModel : public RefCntObject {
 public:
  DBVariableValueDataModel() = default;

  /// The first literal; null only for a value made without one.
  const RefCntPtr<const DBVariableLiteralDataModel>& GetValue1() const noexcept { return m_value1; }
  /// The second literal of a range; null for any other value.
  const RefCntPtr<const DBVariableLiteralDataModel>& GetValue2() const noexcept { return m_value2; }
  bool GetIsRange() const noexcept { return m_isRange; }
  const TString& GetOp() const noexcept { return m_op; }

  void SetValue1(RefCntPtr<const DBVariableLiteralDataModel> value) { m_value1 = std::move(value); }
  void SetValue2(RefCntPtr<const DBVariableLiteralDataModel> value) { m_value2 = std::move(value); }
  void SetIsRange(bool isRange) noexcept { m_isRange = isRange; }
  void SetOp(const TString& op) { m_op = op; }

  /// Whether `other` holds the same operation, range flag and literals (values and aliases).
  bool IsSameAs(const DBVariableValueDataModel& other) const;

 protected:
  ~DBVariableValueDataModel() override;

 private:
  RefCntPtr<const DBVariableLiteralDataModel> m_value1;
  RefCntPtr<const DBVariableLiteralDataModel> m_value2;
  bool m_isRange = false;
  TString m_op;
};

/// One database variable: its name and texts, what the user may do with it, its data type,
/// operations and selectable values, its current values and its attributes.
///
/// The attribute "RELATION_NAME", a string, names the relation (table, cube) the variable
/// belongs to. A variable may declare a default value, which the connection uses when the
/// variable has no current value (IDataConnection::ResolveVariable).
class HLVHOST_API Database_Variable_DataModel : public RefCntObject {
 public:
  using ValueList = std::vector<RefCntPtr<const DBVariableValueDataModel>>;
  using AttributeMap = std::map<TString, DataValue>;

  Database_Variable_DataModel() = default;

  /// The qualified name, such as "[Sales].[Region]"; its leaf is the variable's own name.
  const FieldName& GetVariableName() const noexcept { return m_variableName; }
  const TString& GetDescription() const noexcept { return m_description; }
  /// Whether the description, rather than the name, describes the variable: the dialog then
  /// shows the name as the variable's label and the description below it.
  bool GetOverrideDescription() const noexcept { return m_overrideDescription; }
  const TString& GetVariableGUID() const noexcept { return m_variableGUID; }
  const TString& GetPromptText() const noexcept { return m_promptText; }
  bool GetMultipleValues() const noexcept { return m_multipleValues; }
  bool GetIsMandatory() const noexcept { return m_isMandatory; }
  bool GetIsUserEditable() const noexcept { return m_isUserEditable; }
  bool GetIsUserPrompted() const noexcept { return m_isUserPrompted; }
  bool GetRangeValuesSupported() const noexcept { return m_rangeValuesSupported; }
  DataType GetDataType() const noexcept { return m_dataType; }
  /// The operation strings the variable's values may use, in the connector's order.
  const std::vector<TString>& GetOps() const noexcept { return m_ops; }
  /// The values the user may choose from; empty when any value may be typed.
  const std::vector<AliasedDataValue>& GetSelectionItems() const noexcept { return m_selectionItems; }

  const ValueList& GetCurrentValues() const noexcept { return m_currentValues; }
  size_t GetCurrentValueCount() const noexcept { return m_currentValues.size(); }
  /// The current value at `index`, or null when there is none there (a negative index or one
  /// past the count).
  RefCntPtr<const DBVariableValueDataModel> GetCurrentValue(int index) const;
  /// The declared default value, or null.
  const RefCntPtr<const DBVariableValueDataModel>& GetDefaultValue() const noexcept { return m_defaultValue; }

  bool HasAttribute(const TString& name) const { return m_attributes.count(name) != 0; }
  /// The attribute `name`; the empty DataValue when the variable has none of that name.
  DataValue GetAttribute(const TString& name) const;
  /// Every attribute, in name order.
  const AttributeMap& GetAttributes() const noexcept { return m_attributes; }

  void SetVariableName(const FieldName& name) { m_variableName = name; }
  void SetDescription(const TString& description) { m_description = description; }
  void SetOverrideDescription(bool value) noexcept { m_overrideDescription = value; }
  void SetVariableGUID(const TString& guid) { m_variableGUID = guid; }
  void SetPromptText(const TString& text) { m_promptText = text; }
  void SetMultipleValues(bool value) noexcept { m_multipleValues = value; }
  void SetIsMandatory(bool value) noexcept { m_isMandatory = value; }
  void SetIsUserEditable(bool value) noexcept { m_isUserEditable = value; }
  void SetIsUserPrompted(bool value) noexcept { m_isUserPrompted = value; }
  void SetRangeValuesSupported(bool value) noexcept { m_rangeValuesSupported = value; }
  void SetDataType(DataType type) noexcept { m_dataType = type; }
  void SetOps(std::vector<TString> ops) { m_ops = std::move(ops); }
  void SetSelectionItems(std::vector<AliasedDataValue> items) { m_selectionItems = std::move(items); }
  void SetCurrentValues(ValueList values) { m_currentValues = std::move(values); }
  void AddCurrentValue(RefCntPtr<const DBVariableValueDataModel> value) { m_currentValues.push_back(std::move(value)); }
  void SetDefaultValue(RefCntPtr<const DBVariableValueDataModel> value) { m_defaultValue = std::move(value); }
  void SetAttribute(const TString& name, const DataValue& value) { m_attributes[name] = value; }

  /// The attribute naming the relation a variable belongs to.
  static const TString attrRelationName;  ///< "RELATION_NAME"
  /// The attribute DatabaseVariableHelpers::AddModifiedVariableValuesAttr writes.
  static const TString attrModifiedValues;  ///< "MODIFIED_VALUES"

 protected:
  ~Database_Variable_DataModel() override;

 private:
  friend class DBVariablesDataModelBuilder;

  FieldName m_variableName;
  TString m_description;
  bool m_overrideDescription = false;
  TString m_variableGUID;
  TString m_promptText;
  bool m_multipleValues = false;
  bool m_isMandatory = false;
  bool m_isUserEditable = true;
  bool m_isUserPrompted = true;
  bool m_rangeValuesSupported = false;
  DataType m_dataType = DataType::String;
  std::vector<TString> m_ops;
  std::vector<AliasedDataValue> m_selectionItems;
  ValueList m_currentValues;
  RefCntPtr<const DBVariableValueDataModel> m_defaultValue;
  AttributeMap m_attributes;
};

/// The database variables of one connection, in the connection's order.
class HLVHOST_API Database_VariablesCollection_DataModel : public RefCntObject {
 public:
  using VariableList = std::vector<RefCntPtr<const Database_Variable_DataModel>>;

  Database_VariablesCollection_DataModel() = default;
  explicit Database_VariablesCollection_DataModel(VariableList variables) : m_variables(std::move(variables)) {}

  const VariableList& GetVariables() const noexcept { return m_variables; }
  void AddVariable(RefCntPtr<const Database_Variable_DataModel> variable) {
    m_variables.push_back(std::move(variable));
  }

 protected:
  ~Database_VariablesCollection_DataModel() override;

 private:
  VariableList m_variables;
};

/// Finds, copies and checks database variables.
class HLVHOST_API DBVariablesDataModelBuilder {
 public:
  DBVariablesDataModelBuilder() = delete;

  /// The first variable of `collection` whose qualified name is `name`: "[Sales].[Region]"
  /// and "Sales.Region" name the same variable. Null when none is, when `name` is empty or
  /// when `collection` is null.
  static RefCntPtr<const Database_Variable_DataModel> FindVariable(
      const TString& name, const RefCntPtr<const Database_VariablesCollection_DataModel>& collection);

  /// A new variable equal to `variable`, which the caller may change. The values and literals
  /// are shared: they cannot change. A null `variable` raises LogicException.
  static RefCntPtr<Database_Variable_DataModel> CopyVariableDataModel(
      const RefCntPtr<const Database_Variable_DataModel>& variable);

  /// A new value for `variable` to start from: a copy of its declared default value when it
  /// has one; otherwise a value without a literal yet (its first literal holds the empty
  /// AliasedDataValue), not a range, with the operation "=" when the variable offers it or
  /// offers none, else the variable's first operation. A null `variable` raises
  /// LogicException.
  static RefCntPtr<DBVariableValueDataModel> NewDefaultValueDataModel(
      const RefCntPtr<const Database_Variable_DataModel>& variable);

  /// Whether a mandatory variable of `collection` has no value: no current value whose first
  /// literal holds a value. With `promptedOnly`, variables the user is not prompted for do
  /// not count. False for a null collection.
  static bool HasUnassignedMandatoryVariables(const RefCntPtr<const Database_VariablesCollection_DataModel>& collection,
                                              bool promptedOnly);
};

namespace DatabaseVariableHelpers {

/// Records in the attribute "MODIFIED_VALUES" of `variable` the current values the user has
/// set, so that a server can tell them from those it would pick itself. The attribute is a
/// string: the values in order, joined by "; ", each as DBVariableFormatter writes it for the
/// user interface with its operation ("EU", "<> 3", "1 - 5"); with `withAliases`, as for a
/// tooltip ("Europe (EU)"). With `onlyWhenModified`, nothing is recorded when the variable has
/// no current value or when its current values are exactly its declared default value.
///
/// `variable` is one of `collection`'s variables or a copy of one; the values are compared
/// with the variable's own declared default, so the collection is not searched (a server build
/// records every variable, and a search would make it quadratic). A null `variable` or
/// `collection` raises LogicException.
HLVHOST_API void AddModifiedVariableValuesAttr(
    RefCntPtr<Database_Variable_DataModel>& variable,
    const RefCntPtr<const Database_VariablesCollection_DataModel>& collection, bool onlyWhenModified, bool withAliases);

}  // namespace DatabaseVariableHelpers
