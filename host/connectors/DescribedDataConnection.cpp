#include "host/connectors/DescribedDataConnection.h"

#include "host/connectors/JsonFields.h"
#include "host/detail/HardenedJson.h"
#include "host/values/DataValueText.h"

#include <QStringList>

#include <optional>
#include <set>
#include <utility>

namespace Connect {

namespace {

using JsonFields::Fields;
using JsonFields::Node;
using JsonFields::Quoted;

constexpr DescriptionFileKind kKind = DescriptionFileKind::VariablesDescription;

/// A described connection whose members are connections of other classes.
class FederatedDescribedDataConnection final : public DescribedDataConnection, public IFederatedSQLConnection {
 public:
  FederatedDescribedDataConnection(TString className, RefCntPtr<const Database_VariablesCollection_DataModel> variables,
                                   std::vector<TString> members)
      : DescribedDataConnection(std::move(className), std::move(variables)), m_members(std::move(members)) {}

  std::vector<TString> GetMemberConnectionClasses() const override { return m_members; }

 private:
  ~FederatedDescribedDataConnection() override = default;

  std::vector<TString> m_members;
};

DataType ReadDataType(const Node& node) {
  const TString text = node.String();
  const EnumStringTable& table = DataEnumEncodings::DataTypes().GetTable();
  const std::optional<std::int32_t> value = table.FindValue(text);
  if (value && static_cast<DataType>(*value) != DataType::Unknown) return static_cast<DataType>(*value);
  QStringList expected;
  for (const EnumStringTable::Entry& entry : table.GetEntries())
    if (static_cast<DataType>(entry.value) != DataType::Unknown) expected << Quoted(entry.text);
  node.Fail(
      QStringLiteral("unknown data type %1; expected one of %2").arg(Quoted(text), expected.join(QLatin1String(", "))));
}

// A value of `type`: a JSON string, number or boolean read as a user would type it (in US
// English), or null for the null value of the type. Strings are taken as they are and must be
// JSON strings.
DataValue ReadDataValue(const Node& node, DataType type) {
  const rapidjson::Value& raw = node.Raw();
  if (raw.IsNull()) return DataValue::MakeSpecial(DataValue::kSpecialNull, type);
  if (type == DataType::String) return DataValue::MakeString(node.String());
  TString text;
  if (raw.IsString()) {
    text = node.String();
  } else if (raw.IsBool()) {
    text = raw.GetBool() ? QStringLiteral("true") : QStringLiteral("false");
  } else if (raw.IsInt64()) {
    text = QString::number(raw.GetInt64());
  } else if (raw.IsNumber()) {
    text = QString::number(raw.GetDouble(), 'g', 17);
  } else {
    node.Expect(false, "a string, a number, a boolean or null");
  }
  try {
    return DataValueInputParser(type).Parse(text, LocaleHelper::kLcidEnglishUS);
  } catch (const ParameterParseException&) {  // told with the field, in the description's terms
    node.Fail(
        QStringLiteral("%1 is not a value of the type %2")
            .arg(Quoted(text), DataEnumEncodings::DataTypes().GetTable().Encode(static_cast<std::int32_t>(type))));
  }
}

// {"value": V, "alias": "text"}, or V alone for a value without an alias.
AliasedDataValue ReadAliasedValue(const Node& node, DataType type) {
  if (!node.Raw().IsObject()) return AliasedDataValue(ReadDataValue(node, type), TString());
  Fields fields(node);
  const DataValue value = ReadDataValue(fields.Require("value"), type);
  AliasedDataValue aliased(value, fields.String("alias"));
  fields.Finish();
  return aliased;
}

RefCntPtr<const DBVariableLiteralDataModel> ReadLiteral(const Node& node, DataType type) {
  return MakeRefCnt<DBVariableLiteralDataModel>(ReadAliasedValue(node, type));
}

RefCntPtr<const DBVariableValueDataModel> ReadValue(const Node& node, DataType type) {
  Fields fields(node);
  RefCntPtr<DBVariableValueDataModel> value = MakeRefCnt<DBVariableValueDataModel>();
  value->SetOp(fields.String("op", QStringLiteral("=")));
  value->SetIsRange(fields.Bool("range", false));
  value->SetValue1(ReadLiteral(fields.Require("value1"), type));
  if (const std::optional<Node> second = fields.Take("value2")) {
    if (!value->GetIsRange()) second->Fail(QStringLiteral("only a range value has a second value"));
    value->SetValue2(ReadLiteral(*second, type));
  } else if (value->GetIsRange()) {
    fields.Missing("value2");
  }
  fields.Finish();
  return value;
}

// An attribute: a string, a whole number, another number or a boolean.
DataValue ReadAttribute(const Node& node) {
  const rapidjson::Value& raw = node.Raw();
  if (raw.IsString()) return DataValue::MakeString(node.String());
  if (raw.IsBool()) return DataValue::MakeBoolean(raw.GetBool());
  if (raw.IsInt64()) return DataValue::MakeInteger(raw.GetInt64());
  if (raw.IsNumber()) return DataValue::MakeReal(raw.GetDouble());
  node.Expect(false, "a string, a number or a boolean");
  return DataValue();
}

RefCntPtr<const Database_Variable_DataModel> ReadVariable(const Node& node) {
  Fields fields(node);
  RefCntPtr<Database_Variable_DataModel> variable = MakeRefCnt<Database_Variable_DataModel>();
  variable->SetVariableName(FieldName(fields.Require("name").NonEmptyString()));
  variable->SetVariableGUID(fields.Require("guid").NonEmptyString());
  variable->SetDescription(fields.String("description"));
  variable->SetOverrideDescription(fields.Bool("override-description", false));
  variable->SetPromptText(fields.String("prompt-text"));
  variable->SetMultipleValues(fields.Bool("multiple-values", false));
  variable->SetIsMandatory(fields.Bool("mandatory", false));
  variable->SetIsUserEditable(fields.Bool("user-editable", true));
  variable->SetIsUserPrompted(fields.Bool("user-prompted", true));
  variable->SetRangeValuesSupported(fields.Bool("range-values-supported", false));
  const std::optional<Node> dataType = fields.Take("data-type");
  const DataType type = dataType ? ReadDataType(*dataType) : DataType::String;
  variable->SetDataType(type);
  variable->SetOps(fields.Strings("ops"));

  std::vector<AliasedDataValue> items;
  if (const std::optional<Node> list = fields.Take("selection-items"))
    for (const Node& item : list->Elements()) items.push_back(ReadAliasedValue(item, type));
  variable->SetSelectionItems(std::move(items));
  if (const std::optional<Node> list = fields.Take("current-values"))
    for (const Node& value : list->Elements()) variable->AddCurrentValue(ReadValue(value, type));
  if (const std::optional<Node> value = fields.Take("default-value"))
    variable->SetDefaultValue(ReadValue(*value, type));
  if (const std::optional<Node> attributes = fields.Take("attributes"))
    for (const auto& [name, value] : attributes->Entries()) {
      // The relation is compared as text.
      if (name == Database_Variable_DataModel::attrRelationName) value.Expect(value.Raw().IsString(), "a string");
      variable->SetAttribute(name, ReadAttribute(value));
    }
  fields.Finish();
  return variable;
}

RefCntPtr<const Database_VariablesCollection_DataModel> ReadVariables(const Node& node) {
  RefCntPtr<Database_VariablesCollection_DataModel> collection = MakeRefCnt<Database_VariablesCollection_DataModel>();
  // A GUID or a name given twice would make the dialog's choice of a variable ambiguous.
  std::set<TString> guids;
  std::set<QualifiedName> names;
  for (const Node& element : node.Elements()) {
    RefCntPtr<const Database_Variable_DataModel> variable = ReadVariable(element);
    if (!guids.insert(variable->GetVariableGUID()).second)
      element.At(QStringLiteral("guid"), element.Raw()).Fail(QStringLiteral("another variable has this GUID"));
    if (!names.insert(variable->GetVariableName().GetQualifiedName()).second)
      element.At(QStringLiteral("name"), element.Raw()).Fail(QStringLiteral("another variable has this name"));
    collection->AddVariable(std::move(variable));
  }
  return collection;
}

RefCntPtr<DescribedDataConnection> ReadConnection(const Node& root) {
  Fields fields(root);
  TString className = fields.Require("class").NonEmptyString();
  std::vector<TString> members = fields.Strings("federated-members");
  RefCntPtr<const Database_VariablesCollection_DataModel> variables;
  if (const std::optional<Node> list = fields.Take("variables")) variables = ReadVariables(*list);
  fields.Finish();
  return DescribedDataConnection::Create(std::move(className), std::move(variables), std::move(members));
}

// `literal` with the alias of the selection item of the same value, when it has none.
RefCntPtr<const DBVariableLiteralDataModel> WithAlias(const RefCntPtr<const DBVariableLiteralDataModel>& literal,
                                                      const std::vector<AliasedDataValue>& items) {
  if (!literal || !literal->GetValue().GetAlias().isEmpty() || !literal->GetValue().HasValue()) return literal;
  for (const AliasedDataValue& item : items)
    if (!item.GetAlias().isEmpty() && AliasedDataValue::Compare(item, literal->GetValue(), false) == 0)
      return MakeRefCnt<DBVariableLiteralDataModel>(AliasedDataValue(literal->GetValue().GetValue(), item.GetAlias()));
  return literal;
}

}  // namespace

DescribedDataConnection::DescribedDataConnection(TString className,
                                                 RefCntPtr<const Database_VariablesCollection_DataModel> variables)
    : m_className(std::move(className)), m_variables(std::move(variables)) {}

DescribedDataConnection::~DescribedDataConnection() = default;

RefCntPtr<DescribedDataConnection> DescribedDataConnection::Create(
    TString className, RefCntPtr<const Database_VariablesCollection_DataModel> variables,
    std::vector<TString> members) {
  if (members.empty()) return MakeRefCnt<DescribedDataConnection>(std::move(className), std::move(variables));
  return MakeRefCnt<FederatedDescribedDataConnection>(std::move(className), std::move(variables), std::move(members));
}

void DescribedDataConnection::ResolveVariable(RefCntPtr<Database_Variable_DataModel>& variable) const {
  HLV_ASSERT(variable);
  if (variable->GetCurrentValueCount() == 0 && variable->GetDefaultValue())
    variable->AddCurrentValue(variable->GetDefaultValue());
  Database_Variable_DataModel::ValueList values;
  values.reserve(variable->GetCurrentValueCount());
  for (const RefCntPtr<const DBVariableValueDataModel>& value : variable->GetCurrentValues()) {
    if (!value) {
      values.push_back(value);
      continue;
    }
    RefCntPtr<DBVariableValueDataModel> resolved = MakeRefCnt<DBVariableValueDataModel>();
    resolved->SetOp(value->GetOp());
    resolved->SetIsRange(value->GetIsRange());
    resolved->SetValue1(WithAlias(value->GetValue1(), variable->GetSelectionItems()));
    resolved->SetValue2(WithAlias(value->GetValue2(), variable->GetSelectionItems()));
    values.push_back(std::move(resolved));
  }
  variable->SetCurrentValues(std::move(values));
}

RefCntPtr<DescribedDataConnection> DescribedDataConnection::Parse(std::string_view json, const TString& file) {
  rapidjson::Document document;
  JsonFields::ParseText(kKind, json, file, HardenedJson::Limits{kMaxVariablesDescriptionNesting, kMaxVariablesDescriptionBytes},
                        document);
  return ReadConnection(Node(document, kKind, file));
}

RefCntPtr<DescribedDataConnection> DescribedDataConnection::Load(const TString& path) {
  const QByteArray text = JsonFields::LoadText(kKind, path, kMaxVariablesDescriptionBytes);
  return Parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), path);
}

}  // namespace Connect
