#include "host/datamodel/DBVariableFormatter.h"

#include "host/connect/DataConnection.h"
#include "host/values/DataValueText.h"

namespace {

const TString kEquals = QStringLiteral("=");

// "first (second)"; just one of them when the two read the same or the other is empty.
TString WithParenthesis(const TString& first, const TString& second) {
  if (second.isEmpty() || second == first) return first;
  if (first.isEmpty()) return second;
  return QStringLiteral("%1 (%2)").arg(first, second);
}

}  // namespace

DBVariableFormatter::~DBVariableFormatter() = default;
HanaVariableFormatter::~HanaVariableFormatter() = default;

TString DBVariableFormatter::ValueText(const DataValue& value) {
  return value.HasValue() ? ContextualDataValueSerializerCore::ToString(value) : TString();
}

TString DBVariableFormatter::FormatLiteral(const AliasedDataValue& value, bool forTooltip) const {
  if (!forTooltip || value.GetAlias().isEmpty()) return FormatAliasedValue(value);
  return WithParenthesis(value.GetAlias(), ValueText(value.GetValue()));
}

TString DBVariableFormatter::FormatAliasedValue(const AliasedDataValue& value) const {
  return value.GetAlias().isEmpty() ? ValueText(value.GetValue()) : value.GetAlias();
}

std::vector<TString> DBVariableFormatter::FormatAliasedValueList(const std::vector<AliasedDataValue>& values) const {
  std::vector<TString> texts;
  texts.reserve(values.size());
  for (const AliasedDataValue& value : values) texts.push_back(FormatAliasedValue(value));
  return texts;
}

TString DBVariableFormatter::FormatVariableValueForUI(const RefCntPtr<const DBVariableValueDataModel>& value,
                                                      bool withOperator, bool forTooltip) const {
  if (!value) return TString();
  const auto literalText = [&](const RefCntPtr<const DBVariableLiteralDataModel>& literal) {
    return literal ? FormatLiteral(literal->GetValue(), forTooltip) : TString();
  };
  const TString first = literalText(value->GetValue1());
  if (value->GetIsRange()) return QStringLiteral("%1 - %2").arg(first, literalText(value->GetValue2()));
  if (!withOperator || first.isEmpty() || value->GetOp().isEmpty() || value->GetOp() == kEquals) return first;
  return value->GetOp() + QLatin1Char(' ') + first;
}

RefCntPtr<DBVariableFormatter> DBVariableFormatter::InstanceFromConnection(
    const RefCntPtr<IDataConnection>& connection) {
  if (connection && connection->GetConnectionClassName() == QLatin1String("saphana"))
    return MakeRefCnt<HanaVariableFormatter>();
  return MakeRefCnt<DBVariableFormatter>();
}

TString HanaVariableFormatter::FormatAliasedValue(const AliasedDataValue& value) const {
  return WithParenthesis(ValueText(value.GetValue()), value.GetAlias());
}

TString HanaVariableFormatter::FormatLiteral(const AliasedDataValue& value, bool) const {
  return FormatAliasedValue(value);
}
