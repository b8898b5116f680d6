#include "parameters/DataValueSerializers.h"

#include "host/Exceptions.h"
#include "host/values/DataValueText.h"
#include "parameters/ParameterIds.h"
#include "presentation-model/StringCollationPresModel.h"

#include <QDomDocument>

#include <memory>

namespace {

using ColumnSerializer = StructSerializer<RefCntPtr<const DataColumn>, RefCntPtr<DataColumn>>;
using TableSerializer = StructSerializer<RefCntPtr<const DataTable>, RefCntPtr<const DataTable>>;
using NamedColumnSerializer = StructSerializer<std::pair<QualifiedName, RefCntPtr<DataColumn>>,
                                               std::pair<QualifiedName, RefCntPtr<DataColumn>>>;
using AliasedSerializer = StructSerializer<AliasedDataValue, AliasedDataValue>;
using VerboseSerializer =
    StructSerializer<VerboselySerializableAliasedDataValue, VerboselySerializableAliasedDataValue>;

using CollationSerializer =
    StructSerializer<RefCntPtr<const StringCollationPresModel>, RefCntPtr<StringCollationPresModel>>;

// "string-collation": the collation of a string column, as the record of its name and charset.
void WriteCollation(const Collation& collation, SerializeStructure& ss) {
  RefCntPtr<StringCollationPresModel> record = MakeRefCnt<StringCollationPresModel>();
  record->SetCollationName(collation.GetName());
  record->SetCharSetID(collation.GetCharsetID());
  WriteStructure<CollationSerializer>(ss, DataParameters::StringCollation, RefCntPtr<const StringCollationPresModel>(record));
}

Collation ReadCollation(const IParameters& bag) {
  using Record = RefCntPtr<const StringCollationPresModel>;
  if (const Record* record = FindParameterValue<Record>(bag, DataParameters::StringCollation))
    return Collation((*record)->GetCollationName(), (*record)->GetCharSetID());
  return Collation();
}

}  // namespace

// --- ContextualDataValueSerializer ------------------------------------------------------------

ContextualDataValueSerializer& ContextualDataValueSerializer::operator=(const ContextualDataValueSerializer&) = default;
ContextualDataValueSerializer& ContextualDataValueSerializer::operator=(ContextualDataValueSerializer&&) noexcept =
    default;

DataValue ContextualDataValueSerializer::FromString(const TString& text, const IColumn& column) {
  const int type = column.GetDataTypeCode();
  constexpr int kString = static_cast<int>(DataType::String);
  TString literal = text;
  bool special = false;
  if (type != kString && text == QLatin1String("null")) {
    literal = DataValueFormatter::delimiterSpecial + text + DataValueFormatter::delimiterSpecial;
    special = true;
  }
  if (type == kString && literal != DataValueFormatter::valueNull) {
    literal.replace(QLatin1String("%"), QLatin1String("\\%"));
    literal.replace(QLatin1String("#"), QLatin1String("\\#"));
    literal = DataValueFormatter::delimiterString + literal + DataValueFormatter::delimiterString;
  }
  if (!special && (type == static_cast<int>(DataType::Date) || type == static_cast<int>(DataType::DateTime)))
    literal = DataValueFormatter::delimiterDatetime + literal + DataValueFormatter::delimiterDatetime;

  QDomDocument document;
  QDomElement root = document.createElement(QStringLiteral("value"));
  document.appendChild(root);
  root.appendChild(document.createTextNode(literal));
  root.setAttribute(QStringLiteral(":source-version"),
                    VersionNumber(QStringLiteral("8.0"), QLatin1Char('.'), QLatin1Char('-'), 0).GetAsString());
  return ColumnDataValueParser(root, column, false, false).Parse(root);
}

RefCntPtr<IColumn> ContextualDataValueSerializer::GetColumn(RefCntPtr<const IParameters> bag, const INamespace& ns,
                                                            unsigned int id, const TString& dataSourceName) {
  const FieldName& field = GetParameterValue<FieldName>(*bag, id);
  const IColumnSource* source = ns.GetDataSource(dataSourceName);
  if (source == nullptr) return nullptr;
  return source->GetColumn(field);
}

RefCntPtr<IColumn> ContextualDataValueSerializer::GetColumn(
    RefCntPtr<const IParameters> bag,
    const std::function<const INamespace&(RefCntPtr<const IParameters>&)>& getNamespace, unsigned int id,
    const TString& dataSourceName) {
  const INamespace& ns = getNamespace(bag);
  return GetColumn(std::move(bag), ns, id, dataSourceName);
}

RefCntPtr<IColumn> ContextualDataValueSerializer::GetColumn(RefCntPtr<const IParameters> bag, unsigned int id,
                                                            const TString& dataSourceName) {
  const std::unique_ptr<IHostObject> object = ObjectFactoryUtils::CreateObject("HlvDoc", "ParameterAccessorID");
  const auto* accessor = dynamic_cast<const IParameterAccessor*>(object.get());
  if (accessor == nullptr)
    HLV_THROW_LOGIC(QStringLiteral("The host object \"ParameterAccessorID\" is not an IParameterAccessor"));
  const INamespace& ns = accessor->GetNamespace(bag);
  return GetColumn(std::move(bag), ns, id, dataSourceName);
}

// --- DataColumn -------------------------------------------------------------------------------

void ColumnSerializer::SerializeObj(const RefCntPtr<const DataColumn>& column, SerializeStructure& ss) {
  WriteFields(*column, ss);
}

void ColumnSerializer::WriteFields(const DataColumn& column, SerializeStructure& ss) {
  const DataType type = column.GetDataType();
  ss.Parameter(DataParameters::DataType, ParameterTypeSerializer<DataType>::TypeToString(type));
  const VizEngine::UserType& userType = column.GetUserType();
  if (userType.GetKind() == static_cast<int>(DataType::String)) {
    const auto* stringType = dynamic_cast<const VizEngine::StringType*>(&userType);
    if (stringType != nullptr && stringType->GetCollation() != Collation::GetUnknownCollation())
      WriteCollation(stringType->GetCollation(), ss);
  }
  DataSerializerHelpers::SerializeDataValueVector(ss, DataParameters::DataValues, column.GetValues(), type);
}

RefCntPtr<DataColumn> ColumnSerializer::ToObject(const IParameters& bag, unsigned int /*id*/) {
  const DataType type = GetParameterValue<DataType>(bag, DataParameters::DataType);
  const Collation collation = ReadCollation(bag);
  const std::vector<TString>& texts = GetParameterValue<std::vector<TString>>(bag, DataParameters::DataValues);
  std::vector<DataValue> values;
  values.reserve(texts.size());
  for (const TString& text : texts) {
    if (type == DataType::String) {
      const TString quoted = DataValueFormatter::delimiterString + text + DataValueFormatter::delimiterString;
      values.push_back(DataValueParser::ParseGeneric(type, collation, -1, -1, quoted, false));
    } else if (text.isEmpty()) {
      values.push_back(DataValue::MakeSpecial(DataValue::kSpecialNull, type));
    } else {
      values.push_back(DataValueParser::ParseGeneric(type, collation, -1, -1, text, false));
    }
  }
  RefCntPtr<const VizEngine::UserType> userType;
  if (type == DataType::String)
    userType = MakeRefCnt<VizEngine::StringType>(collation);
  else
    userType = MakeRefCnt<VizEngine::SimpleType>(type);
  return MakeRefCnt<DataColumn>(std::move(userType), std::move(values));
}

// --- DataTable and its named columns ----------------------------------------------------------

void TableSerializer::SerializeObj(const RefCntPtr<const DataTable>& table, SerializeStructure& ss) {
  ss.Parameter(DataParameters::Count, ParameterTypeSerializer<unsigned int>::TypeToString(table->GetRowCount()));
  ListStructure columns(DataParameters::NamedDataColumns, ss, kParameterTypeDefault);
  for (const auto& [name, column] : table->GetColumns()) {
    CompositeStructure item(DataParameters::DataColumn, ss);
    ss.Parameter(DataParameters::DataColumnName, ParameterTypeSerializer<QualifiedName>::TypeToString(name));
    ColumnSerializer::WriteFields(*column, ss);
  }
}

RefCntPtr<const DataTable> TableSerializer::ToObject(const IParameters& bag, unsigned int /*id*/) {
  const unsigned int rowCount = GetParameterValue<unsigned int>(bag, DataParameters::Count);
  const auto& columns = GetParameterValue<std::vector<DataTable::NamedColumn>>(bag, DataParameters::NamedDataColumns);
  return MakeRefCnt<DataTable>(columns, rowCount);
}

NamedColumnSerializer::NamedColumn NamedColumnSerializer::ToObject(const IParameters& bag, unsigned int id) {
  const QualifiedName& name = GetParameterValue<QualifiedName>(bag, DataParameters::DataColumnName);
  return NamedColumn(name, ColumnSerializer::ToObject(bag, id));
}

// --- Aliased data values ----------------------------------------------------------------------

void AliasedSerializer::SerializeObj(const AliasedDataValue& value, SerializeStructure& ss) {
  ss.ListItem(ContextualDataValueSerializerCore::ToString(value.GetValue()));
  ss.ListItem(value.GetAlias());
}

AliasedDataValue AliasedSerializer::ToObject(const IParameters& bag, unsigned int id) {
  const std::vector<TString>& texts = GetParameterValue<std::vector<TString>>(bag, id);
  if (texts.size() != 2)
    throw ParameterParseException(
        id, QStringLiteral("an aliased data value is two strings, the value and the alias, not %1").arg(texts.size()));
  const RefCntPtr<IColumn>* column = FindParameterValue<RefCntPtr<IColumn>>(bag, DataParameters::ColumnContext);
  if (column == nullptr || *column == nullptr)
    throw ParameterParseException(id, QStringLiteral("an aliased data value is read against a column context"));
  return AliasedDataValue(ContextualDataValueSerializer::FromString(texts[0], **column), texts[1]);
}

void AliasedSerializer::SerializeValue(RefCntPtr<IParameter> value, unsigned int id, SerializeStructure& ss,
                                       bool asSubStructure) const {
  const AliasedDataValue& aliased = GetValueOf<AliasedDataValue>(value, id);
  if (!asSubStructure) {
    SerializeObj(aliased, ss);
    return;
  }
  SubStructure structure(id, ss, IsComposite());
  SerializeObj(aliased, ss);
}

void VerboseSerializer::SerializeObj(const VerboselySerializableAliasedDataValue& value, SerializeStructure& ss) {
  ss.Parameter(DataParameters::Alias, value.GetAlias());
  ss.Parameter(DataParameters::ValueString, ContextualDataValueSerializerCore::ToString(value.GetValue()));
  ss.Parameter(DataParameters::DataType, ParameterTypeSerializer<DataType>::TypeToString(value.GetValue().GetType()));
}

VerboselySerializableAliasedDataValue VerboseSerializer::ToObject(const IParameters& bag, unsigned int /*id*/) {
  const DataType type = GetParameterValue<DataType>(bag, DataParameters::DataType);
  if (type == DataType::Unknown) return VerboselySerializableAliasedDataValue();
  const TString& text = GetParameterValue<TString>(bag, DataParameters::ValueString);
  DataValue value = DataValueInputParser(type).Parse(text, LocaleHelper::GetSessionLCID());
  const TString& alias = GetParameterValue<TString>(bag, DataParameters::Alias);
  return VerboselySerializableAliasedDataValue(std::move(value), alias);
}

// --- Factories --------------------------------------------------------------------------------

template <>
RefCntPtr<IStructureSerializer> CreateStructureSerializer<ColumnSerializer>() {
  return MakeRefCnt<ColumnSerializer>();
}
template <>
RefCntPtr<IStructureSerializer> CreateStructureSerializer<TableSerializer>() {
  return MakeRefCnt<TableSerializer>();
}
template <>
RefCntPtr<IStructureSerializer> CreateStructureSerializer<NamedColumnSerializer>() {
  return MakeRefCnt<NamedColumnSerializer>();
}
template <>
RefCntPtr<IStructureSerializer> CreateStructureSerializer<VerboseSerializer>() {
  return MakeRefCnt<VerboseSerializer>();
}

RefCntPtr<IStructureSerializer> CreateAliasedDataValueSerializer() { return MakeRefCnt<AliasedSerializer>(); }
