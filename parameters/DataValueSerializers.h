// The serializers of data values read against a column, and of the small data records:
// DataColumn, DataTable, the pair of a QualifiedName and a DataColumn, AliasedDataValue and
// VerboselySerializableAliasedDataValue.
//
// Their JSON forms (docs/json-form.md), for a column of integers named [Region]:
//
//   "data-column":{"data-type":"integer","data-values":["3",""]}       (3 and null)
//   "data-table":{"count":"2","named-data-columns":[{"data-column-name":"[Region]",
//                 "data-type":"integer","data-values":["3",""]}]}
//   "value-alias":["3","West"]                                          (read against a column)
//   {"alias":"West","value-string":"3","data-type":"integer"}           (verbose)
//
// A string column with a known collation also writes "string-collation":{"name":...,
// "charset-id":...} before its values. These records carry no text cache: their writers run
// every time.
#pragma once

#include "host/TString.h"
#include "host/parameters/IParameters.h"
#include "host/parameters/RecordSerializerBase.h"
#include "host/parameters/SerializeStructure.h"
#include "host/parameters/StructSerializer.h"
#include "host/values/AliasedDataValue.h"
#include "host/values/DataColumn.h"
#include "host/values/DataNamespace.h"
#include "host/values/DataTable.h"
#include "host/values/DataValue.h"
#include "host/values/QualifiedName.h"
#include "parameters/PresLayerExport.h"

#include <functional>
#include <map>
#include <utility>
#include <vector>

/// Reads the plain texts of ContextualDataValueSerializerCore::ToString against a column, and
/// finds the column a value belongs to. It holds nothing.
class HLVPRES_API ContextualDataValueSerializer {
 public:
  ContextualDataValueSerializer() = default;
  ContextualDataValueSerializer(const ContextualDataValueSerializer&) = default;
  ContextualDataValueSerializer(ContextualDataValueSerializer&&) = default;
  ContextualDataValueSerializer& operator=(const ContextualDataValueSerializer&);
  ContextualDataValueSerializer& operator=(ContextualDataValueSerializer&&) noexcept;

  /// The value of `text` for `column`'s data type. "null" is the null value of a non-string
  /// column; a string column reads every other text as the string itself, "%" and "#"
  /// included ("%null%" is its null value). Text that is not a value of the column's type
  /// raises ParameterParseException.
  static DataValue FromString(const TString& text, const IColumn& column);

  /// The column of the field that `bag` holds under `id` (a ValParameter<FieldName>; anything
  /// else raises ThrowTypeMismatchCommandException(id)), in the data source `dataSourceName`
  /// of `ns`. Null when the namespace has no such data source or the source no such field.
  static RefCntPtr<IColumn> GetColumn(RefCntPtr<const IParameters> bag, const INamespace& ns, unsigned int id,
                                      const TString& dataSourceName);
  /// The same, in the namespace that `getNamespace` gives for the bag.
  static RefCntPtr<IColumn> GetColumn(
      RefCntPtr<const IParameters> bag,
      const std::function<const INamespace&(RefCntPtr<const IParameters>&)>& getNamespace, unsigned int id,
      const TString& dataSourceName);
  /// The same, in the namespace that the host's parameter accessor (the host object "HlvDoc",
  /// "ParameterAccessorID") gives for the bag. The accessor is deleted after the call.
  static RefCntPtr<IColumn> GetColumn(RefCntPtr<const IParameters> bag, unsigned int id,
                                      const TString& dataSourceName);
};

/// What the data record serializers share: Derived provides `static ... ToObject(const
/// IParameters& bag, unsigned int id)`, the record's reader, besides `SerializeObj`.
template <typename T, typename Derived>
class DataRecordSerializer : public RecordSerializerBase<T, Derived> {
 public:
  static T ReadRecord(RefCntPtr<const IParameters> bag, unsigned int id) { return T(Derived::ToObject(*bag, id)); }
};

/// DataColumn records, held as RefCntPtr<const DataColumn>: "data-type", then
/// "string-collation" for a string column with a known collation, then "data-values" (see
/// DataSerializerHelpers::SerializeDataValueVector).
template <>
class HLVPRES_API StructSerializer<RefCntPtr<const DataColumn>, RefCntPtr<DataColumn>> final
    : public DataRecordSerializer<RefCntPtr<const DataColumn>,
                                  StructSerializer<RefCntPtr<const DataColumn>, RefCntPtr<DataColumn>>> {
 public:
  static bool IsComposite() { return true; }

  /// Writes the column's fields; a null column raises "Null pointer dereferenced".
  static void SerializeObj(const RefCntPtr<const DataColumn>& column, SerializeStructure& ss);
  /// The fields of `column`, as SerializeObj and the DataTable writer write them.
  static void WriteFields(const DataColumn& column, SerializeStructure& ss);

  /// Reads a column from `bag`. "data-type" (a DataType) and "data-values" (a
  /// std::vector<TString>) are required: a missing or mistyped one raises
  /// ThrowTypeMismatchCommandException with its id. A text that is not a value of the type
  /// raises ParameterParseException.
  static RefCntPtr<DataColumn> ToObject(const IParameters& bag, unsigned int id);
};

/// DataTable records, held as RefCntPtr<const DataTable>: "count", the row count, then the
/// list "named-data-columns" with one composite "data-column" per column, holding
/// "data-column-name" and the column's fields.
template <>
class HLVPRES_API StructSerializer<RefCntPtr<const DataTable>, RefCntPtr<const DataTable>> final
    : public DataRecordSerializer<RefCntPtr<const DataTable>,
                                  StructSerializer<RefCntPtr<const DataTable>, RefCntPtr<const DataTable>>> {
 public:
  /// A null table raises "Null pointer dereferenced".
  static void SerializeObj(const RefCntPtr<const DataTable>& table, SerializeStructure& ss);
  /// "count" (an unsigned int) and "named-data-columns" (a std::vector of named columns) are
  /// required: a missing or mistyped one raises ThrowTypeMismatchCommandException with its id.
  static RefCntPtr<const DataTable> ToObject(const IParameters& bag, unsigned int id);
};

/// A column under its name, held as std::pair<QualifiedName, RefCntPtr<DataColumn>>. Named
/// columns are written by the DataTable writer: this serializer writes nothing of its own
/// (an empty sub-structure when asked for one), and reads "data-column-name" (required, a
/// QualifiedName) and a column from the same bag.
template <>
class HLVPRES_API StructSerializer<std::pair<QualifiedName, RefCntPtr<DataColumn>>,
                                   std::pair<QualifiedName, RefCntPtr<DataColumn>>>
    final : public DataRecordSerializer<std::pair<QualifiedName, RefCntPtr<DataColumn>>,
                                        StructSerializer<std::pair<QualifiedName, RefCntPtr<DataColumn>>,
                                                         std::pair<QualifiedName, RefCntPtr<DataColumn>>>> {
 public:
  using NamedColumn = std::pair<QualifiedName, RefCntPtr<DataColumn>>;

  static void SerializeObj(const NamedColumn&, SerializeStructure&) {}
  static NamedColumn ToObject(const IParameters& bag, unsigned int id);
};

/// Aliased data values, held as AliasedDataValue: two strings, the value's plain text
/// (ContextualDataValueSerializerCore::ToString) and the alias. As a structure they are a
/// list, `"value-alias":["3","West"]`, and they are read back against the column that the bag
/// holds under "column-context".
template <>
class HLVPRES_API StructSerializer<AliasedDataValue, AliasedDataValue> final
    : public DataRecordSerializer<AliasedDataValue, StructSerializer<AliasedDataValue, AliasedDataValue>> {
 public:
  /// The two strings are list items, not parameters.
  static bool IsComposite() { return false; }
  static void SerializeObj(const AliasedDataValue& value, SerializeStructure& ss);

  /// Reads `bag`'s ValParameter<std::vector<TString>> under `id` (anything else raises
  /// ThrowTypeMismatchCommandException(id)) against the ValParameter<RefCntPtr<IColumn>> under
  /// "column-context". Not exactly two strings, or no column context, raises
  /// ParameterParseException(id).
  static AliasedDataValue ToObject(const IParameters& bag, unsigned int id);

  /// As a structure, the value is written as the list SubStructure(id, ss, IsComposite()):
  /// a composite one could not hold its two strings.
  void SerializeValue(RefCntPtr<IParameter> value, unsigned int id, SerializeStructure& ss,
                      bool asSubStructure) const override;
  bool ParsesStringList() const override { return true; }
  // SetContext stays the base's no-op: the reader starts every bag it makes, however deep, from
  // its context, so the column context is already in the bag the two strings are read from.
};

/// The structure serializer of aliased data values.
using AliasedDataValueSerializer = StructSerializer<AliasedDataValue, AliasedDataValue>;

/// Verbose aliased data values, held as VerboselySerializableAliasedDataValue: the parameters
/// "alias", "value-string" (the value's plain text) and "data-type", readable without a
/// column.
template <>
class HLVPRES_API StructSerializer<VerboselySerializableAliasedDataValue, VerboselySerializableAliasedDataValue> final
    : public DataRecordSerializer<VerboselySerializableAliasedDataValue,
                                  StructSerializer<VerboselySerializableAliasedDataValue,
                                                   VerboselySerializableAliasedDataValue>> {
 public:
  static void SerializeObj(const VerboselySerializableAliasedDataValue& value, SerializeStructure& ss);
  /// "data-type" is required; "unknown" gives the empty value. Otherwise "value-string", read
  /// as user input for the type under the session's locale, and then "alias" are required. A
  /// missing or mistyped one raises ThrowTypeMismatchCommandException with its id.
  static VerboselySerializableAliasedDataValue ToObject(const IParameters& bag, unsigned int id);
};

// The factories of these serializers, made once in the library and exported. The API reference
// leaves these specializations out: Doxygen cannot match them with the template they specialize.
/// \cond
template <>
HLVPRES_API RefCntPtr<IStructureSerializer>
CreateStructureSerializer<StructSerializer<RefCntPtr<const DataColumn>, RefCntPtr<DataColumn>>>();
template <>
HLVPRES_API RefCntPtr<IStructureSerializer>
CreateStructureSerializer<StructSerializer<RefCntPtr<const DataTable>, RefCntPtr<const DataTable>>>();
template <>
HLVPRES_API RefCntPtr<IStructureSerializer>
CreateStructureSerializer<StructSerializer<std::pair<QualifiedName, RefCntPtr<DataColumn>>,
                                           std::pair<QualifiedName, RefCntPtr<DataColumn>>>>();
template <>
HLVPRES_API RefCntPtr<IStructureSerializer> CreateStructureSerializer<
    StructSerializer<VerboselySerializableAliasedDataValue, VerboselySerializableAliasedDataValue>>();
/// \endcond

/// The serializer of aliased data values. It is made directly, not through an exported
/// factory.
RefCntPtr<IStructureSerializer> CreateAliasedDataValueSerializer();
