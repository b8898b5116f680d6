// DBVariableFormatter: the texts a user sees for the values of database variables.
#pragma once

#include "host/HostExport.h"
#include "host/RefCntPtr.h"
#include "host/TString.h"
#include "host/datamodel/DatabaseVariables.h"
#include "host/values/AliasedDataValue.h"

#include <vector>

class IDataConnection;

/// Writes the values of database variables for the variable prompt dialog.
///
/// The text of a data value is its plain text (ContextualDataValueSerializerCore::ToString:
/// strings as they are, "2024-02-29", "12", the null value as "null"); the empty value has the
/// empty text. A literal with an alias is shown by its alias, and in a tooltip as
/// "alias (value)"; an alias equal to the value's text is shown once.
///
/// The formatters hold no state: one instance may format on several threads at once.
class HLVHOST_API DBVariableFormatter : public RefCntObject {
 public:
  DBVariableFormatter() = default;

  /// The text of `value`:
  /// - a range: both literals joined by " - ", "1 - 5" (the operation does not count);
  /// - otherwise the first literal's text; with `withOperator`, preceded by the operation and
  ///   a space ("<> 3"), except for "=", which a plain value already reads as, and except when
  ///   the literal's text or the operation is empty.
  /// With `forTooltip`, literals with an alias read "alias (value)". A null value, or a missing
  /// literal, gives the empty text.
  virtual TString FormatVariableValueForUI(const RefCntPtr<const DBVariableValueDataModel>& value, bool withOperator,
                                           bool forTooltip) const;
  /// The text of one selectable value: its alias when it has one, else its value's text.
  virtual TString FormatAliasedValue(const AliasedDataValue& value) const;
  /// FormatAliasedValue of each of `values`, in order.
  std::vector<TString> FormatAliasedValueList(const std::vector<AliasedDataValue>& values) const;

  /// The formatter for the variables of `connection`: a HanaVariableFormatter for the class
  /// "saphana", a DBVariableFormatter for every other class and for a null connection.
  static RefCntPtr<DBVariableFormatter> InstanceFromConnection(const RefCntPtr<IDataConnection>& connection);

 protected:
  ~DBVariableFormatter() override;

  /// The text of a literal: FormatAliasedValue, or with `forTooltip` "alias (value)".
  virtual TString FormatLiteral(const AliasedDataValue& value, bool forTooltip) const;
  /// The text of a data value; empty for the empty value.
  static TString ValueText(const DataValue& value);
};

/// The formatter of SAP HANA variables. HANA users enter variable values by their keys, so a
/// value with an alias leads with its key: "EU (Europe)", in the dialog's lists and tooltips
/// alike. Everything else is written as DBVariableFormatter writes it.
class HLVHOST_API HanaVariableFormatter : public DBVariableFormatter {
 public:
  HanaVariableFormatter() = default;

  TString FormatAliasedValue(const AliasedDataValue& value) const override;

 protected:
  ~HanaVariableFormatter() override;

  TString FormatLiteral(const AliasedDataValue& value, bool forTooltip) const override;
};
