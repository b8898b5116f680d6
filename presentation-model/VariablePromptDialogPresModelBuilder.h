// VariablePromptDialogPresModelBuilder: the dialog that asks for the values of a connection's
// database variables.
#pragma once

#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/connect/DataConnection.h"
#include "host/datamodel/DatabaseVariables.h"
#include "host/values/AliasedDataValue.h"
#include "parameters/PresLayerExport.h"
#include "presentation-model/EditableVariableValuePresModel.h"
#include "presentation-model/PromptVariablePresModel.h"
#include "presentation-model/ServerVariableMetadataPresModel.h"
#include "presentation-model/ServerVariableValuePresModel.h"
#include "presentation-model/VariablePromptDialogPresModel.h"
#include "presentation-model/VariableValueOperationPresModel.h"
#include "presentation-model/VariableValuePresModel.h"

#include <vector>

/// Builds VariablePromptDialogPresModel records from the database variables of a data
/// connection: one prompt variable per variable with its current values, the dialog's labels,
/// the value being edited and whether every mandatory variable has a value. When the host runs
/// as the server, the desktop data preparation application or the flow editor ("server mode"),
/// each variable also carries its server metadata (operations, selection lists, default value)
/// and each value its server value (texts and selection positions).
///
/// Value texts come from a DBVariableFormatter. The builder keeps one process-wide formatter, a
/// HanaVariableFormatter until the first build; every build replaces it with the formatter of
/// its connection (DBVariableFormatter::InstanceFromConnection) and formats all of its values
/// with that one. The slot is guarded and each build keeps its own reference to the formatter
/// it installed, so builds may run on several threads at once: each gives what it would give
/// alone, and the slot is left holding the formatter of one of the last builds.
///
/// Operation strings map to operation types through a table built once, on first use: "=",
/// "<>", "<", "<=", ">", ">=" and the localized name of the range operation; any other string
/// (the empty one too) is a range operation with that localized name.
///
/// Every logic exception of the builder reports a fixed line of its source file, which hosts
/// match on together with the message: 102 for a null or federated connection, 108 for a
/// connection without variables, 311 and 312 for editing without a variable or value, and the
/// lines of the steps for a null variable or value handed to one (BuildValue 372 and 373,
/// BuildEditableValue 333 and 334, BuildServerVariableMetadata 434, BuildServerVariableValue
/// 456 and 457, BuildDefaultVariableValue 503, FindSelectionIndex 54).
class HLVPRES_API VariablePromptDialogPresModelBuilder {
 public:
  VariablePromptDialogPresModelBuilder() = default;
  VariablePromptDialogPresModelBuilder(const VariablePromptDialogPresModelBuilder&) = default;
  VariablePromptDialogPresModelBuilder& operator=(const VariablePromptDialogPresModelBuilder&) = default;
  virtual ~VariablePromptDialogPresModelBuilder();

  /// A new dialog of the variables of `connection`, named `connectionName`.
  ///
  /// The variable named `selectedVariableName` (a qualified name, see
  /// DBVariablesDataModelBuilder::FindVariable) is edited at its value `selectedValueIndex`;
  /// nothing is edited when the name is empty or names no variable, or when the index is below
  /// 0. A selected variable without values, outside server mode, is edited at a new default
  /// value (index 0). A non-empty `relationName` keeps only the variables whose
  /// "RELATION_NAME" attribute is that name; with an empty one, all variables are listed, and
  /// when they belong to more than one relation each display name reads "name (relation)".
  ///
  /// Raises LogicException at line 102 with "dc && !get_interface<IFederatedSQLConnection*>(dc)"
  /// for a null or federated connection, at line 108 with "dbVariables" when the connection has
  /// no variables, and at line 312 with "selectedValue" when the edited variable was left out
  /// (by the relation or, on the server, as not prompted) or has no value at the index.
  /// Exceptions of the connection and of the host models propagate.
  static RefCntPtr<VariablePromptDialogPresModel> BuildFromDBVariables(const TString& connectionName,
                                                                       RefCntPtr<IDataConnection> connection,
                                                                       const TString& selectedVariableName,
                                                                       int selectedValueIndex,
                                                                       const TString& relationName);

 private:
  friend class VariablePromptDialogPresModelBuilderTestAccess;

  using Variable = RefCntPtr<const Database_Variable_DataModel>;
  using Value = RefCntPtr<const DBVariableValueDataModel>;
  using OperationList = std::vector<RefCntPtr<const VariableValueOperationPresModel>>;

  /// Fills `presModel` with the display and tooltip texts of `value`, valid, with the
  /// variable's GUID and `index`.
  static void BuildValue(const Variable& variable, const Value& value,
                         const RefCntPtr<VariableValuePresModel>& presModel, int index);
  /// BuildValue, then the variable's operations, data type and selection items and the value's
  /// literals and operation.
  static void BuildEditableValue(const Variable& variable, const Value& value,
                                 const RefCntPtr<EditableVariableValuePresModel>& presModel, int index);
  /// The variable's operations, data type and selection lists (texts and values in parallel).
  static void BuildServerVariableMetadata(const Variable& variable,
                                          const RefCntPtr<ServerVariableMetadataPresModel>& metadata);
  /// The texts, selection positions and operation of `value`; a literal not among the
  /// variable's selection items is added to `promptVariable`'s metadata (FindSelectionIndex).
  static void BuildServerVariableValue(const Variable& variable, const Value& value,
                                       const RefCntPtr<PromptVariablePresModel>& promptVariable,
                                       const RefCntPtr<ServerVariableValuePresModel>& serverValue);
  /// Adds an invalid entry for a new default value to `promptVariable` and returns that value.
  static RefCntPtr<DBVariableValueDataModel> BuildDefaultVariableValue(
      const Variable& variable, const RefCntPtr<PromptVariablePresModel>& promptVariable);
  /// `operations` becomes one operation record per string of `ops`, in order, whatever
  /// `rangeSupported` says.
  static void BuildOperationsList(const std::vector<TString>& ops, OperationList& operations, bool rangeSupported);
  /// The operation record of the operation string `op`.
  static RefCntPtr<VariableValueOperationPresModel> ConvertToOperationType(const TString& op);
  /// The position of `value` among the variable's selection items (aliases do not count); -1
  /// when the variable has none; otherwise, when it is not among them, the position at which it
  /// is appended to the selection lists of `promptVariable`'s metadata.
  static int FindSelectionIndex(const Variable& variable, const RefCntPtr<PromptVariablePresModel>& promptVariable,
                                const AliasedDataValue& value);
};
