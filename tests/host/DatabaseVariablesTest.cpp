#include "host/InitOnce.h"
#include "host/connectors/DescribedDataConnection.h"
#include "host/datamodel/DBVariableFormatter.h"
#include "host/datamodel/DatabaseVariables.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Connect::DescribedDataConnection;
using Connect::DescriptionFileException;

RefCntPtr<DescribedDataConnection> Parse(const std::string& json) {
  return DescribedDataConnection::Parse(json, QStringLiteral("vars.json"));
}

Database_Variable_DataModel::ValueList::value_type Value(const char* op, AliasedDataValue first) {
  RefCntPtr<DBVariableValueDataModel> value = MakeRefCnt<DBVariableValueDataModel>();
  value->SetOp(QLatin1String(op));
  value->SetValue1(MakeRefCnt<DBVariableLiteralDataModel>(std::move(first)));
  return value;
}

AliasedDataValue Text(const char* value, const char* alias = "") {
  return AliasedDataValue(DataValue::MakeString(QLatin1String(value)), QLatin1String(alias));
}

// --- The JSON description ------------------------------------------------------------------

TEST(DescribedDataConnectionTest, ReadsEveryFieldOfAVariable) {
  const auto connection = Parse(R"({"class": "sapbw", "variables": [
    {"name": "[CUBE].[DAY]", "guid": "g1", "description": "Day", "override-description": true, "prompt-text": "When?",
     "multiple-values": true, "mandatory": true, "user-editable": false, "user-prompted": false,
     "range-values-supported": true, "data-type": "date", "ops": ["=", "BT"],
     "selection-items": ["2024-02-29", {"value": "2024-03-01", "alias": "March 1st"}, null],
     "current-values": [{"range": true, "op": "BT", "value1": "2024-01-01", "value2": {"value": "2024-12-31", "alias": "end"}}],
     "default-value": {"value1": "2024-02-29"},
     "attributes": {"RELATION_NAME": "Orders", "COUNT": 3, "RATIO": 0.5, "ON": true}}]})");
  EXPECT_EQ(connection->GetConnectionClassName(), QStringLiteral("sapbw"));
  EXPECT_EQ(get_interface<IFederatedSQLConnection*>(RefCntPtr<IDataConnection>(connection)), nullptr);
  ASSERT_EQ(connection->GetDatabaseVariables()->GetVariables().size(), 1u);
  const Database_Variable_DataModel& day = *connection->GetDatabaseVariables()->GetVariables().front();
  EXPECT_EQ(day.GetVariableName().GetLeafValue(), QStringLiteral("DAY"));
  EXPECT_EQ(day.GetVariableGUID(), QStringLiteral("g1"));
  EXPECT_TRUE(day.GetOverrideDescription());
  EXPECT_EQ(day.GetPromptText(), QStringLiteral("When?"));
  EXPECT_TRUE(day.GetMultipleValues() && day.GetIsMandatory() && day.GetRangeValuesSupported());
  EXPECT_FALSE(day.GetIsUserEditable() || day.GetIsUserPrompted());
  EXPECT_EQ(day.GetDataType(), DataType::Date);
  EXPECT_EQ(day.GetOps(), (std::vector<TString>{QStringLiteral("="), QStringLiteral("BT")}));
  ASSERT_EQ(day.GetSelectionItems().size(), 3u);
  EXPECT_EQ(day.GetSelectionItems()[1],
            AliasedDataValue(DataValue::MakeDate(QDate(2024, 3, 1)), QStringLiteral("March 1st")));
  EXPECT_TRUE(day.GetSelectionItems()[2].GetValue().IsNull());
  EXPECT_EQ(day.GetSelectionItems()[2].GetValue().GetType(), DataType::Date);

  ASSERT_EQ(day.GetCurrentValueCount(), 1u);
  const DBVariableValueDataModel& range = *day.GetCurrentValue(0);
  EXPECT_TRUE(range.GetIsRange());
  EXPECT_EQ(range.GetOp(), QStringLiteral("BT"));
  EXPECT_EQ(range.GetValue2()->GetValue().GetAlias(), QStringLiteral("end"));
  EXPECT_EQ(day.GetCurrentValue(1), nullptr);
  EXPECT_EQ(day.GetCurrentValue(-1), nullptr);
  EXPECT_EQ(day.GetDefaultValue()->GetOp(), QStringLiteral("="));  // the operation's default

  EXPECT_EQ(day.GetAttribute(QStringLiteral("COUNT")), DataValue::MakeInteger(3));
  EXPECT_EQ(day.GetAttribute(QStringLiteral("RATIO")), DataValue::MakeReal(0.5));
  EXPECT_EQ(day.GetAttribute(QStringLiteral("ON")), DataValue::MakeBoolean(true));
  EXPECT_FALSE(day.GetAttribute(QStringLiteral("MISSING")).HasValue());

  // Without "variables" the connection has none; with members it is federated.
  EXPECT_EQ(Parse(R"({"class": "postgres"})")->GetDatabaseVariables(), nullptr);
  const RefCntPtr<IDataConnection> federated = Parse(R"({"class": "fed", "federated-members": ["a", "b"]})");
  ASSERT_NE(get_interface<IFederatedSQLConnection*>(federated), nullptr);
  EXPECT_EQ(get_interface<IFederatedSQLConnection*>(federated)->GetMemberConnectionClasses().size(), 2u);
}

TEST(DescribedDataConnectionTest, FaultsNameTheFieldAndTheProblem) {
  const auto fault = [](const std::string& json) -> std::pair<TString, TString> {
    try {
      Parse(json);
    } catch (const DescriptionFileException& e) {
      EXPECT_EQ(e.GetFile(), QStringLiteral("vars.json"));
      return {e.GetField(), e.GetProblem()};
    }
    ADD_FAILURE() << "accepted: " << json;
    return {};
  };
  const auto variable = [](const std::string& fields) {
    return R"({"class": "x", "variables": [{"name": "V", "guid": "g", )" + fields + "}]}";
  };
  EXPECT_EQ(fault(R"({"variables": []})").first, QStringLiteral("/class"));
  EXPECT_EQ(fault(variable(R"("data-type": "unknown")")),
            std::make_pair(QStringLiteral("/variables/0/data-type"),
                           QStringLiteral("unknown data type \"unknown\"; expected one of \"boolean\", \"integer\", "
                                          "\"string\", \"date\", \"real\", \"datetime\", \"spatial\", \"binary\"")));
  EXPECT_EQ(fault(variable(R"("data-type": "integer", "current-values": [{"value1": "ten"}])")),
            std::make_pair(QStringLiteral("/variables/0/current-values/0/value1"),
                           QStringLiteral("\"ten\" is not a value of the type integer")));
  EXPECT_EQ(fault(variable(R"("selection-items": [{"value": 3}])")).first,
            QStringLiteral("/variables/0/selection-items/0/value"));
  EXPECT_EQ(fault(variable(R"("current-values": [{"range": true, "value1": "a"}])")),
            std::make_pair(QStringLiteral("/variables/0/current-values/0/value2"), QStringLiteral("is missing")));
  EXPECT_EQ(fault(variable(R"("current-values": [{"value1": "a", "value2": "b"}])")).first,
            QStringLiteral("/variables/0/current-values/0/value2"));
  EXPECT_EQ(fault(variable(R"("attributes": {"RELATION_NAME": 4})")).first,
            QStringLiteral("/variables/0/attributes/RELATION_NAME"));
  EXPECT_EQ(fault(R"({"class": "x", "variables": [{"name": "V", "guid": "g"}, {"name": "W", "guid": "g"}]})"),
            std::make_pair(QStringLiteral("/variables/1/guid"), QStringLiteral("another variable has this GUID")));
  EXPECT_EQ(
      fault(R"({"class": "x", "variables": [{"name": "[A].[V]", "guid": "g"}, {"name": "A.V", "guid": "h"}]})").first,
      QStringLiteral("/variables/1/name"));

  // Nested deeper than a description needs.
  EXPECT_TRUE(fault(std::string(20, '[') + std::string(20, ']')).second.contains(QStringLiteral("nest")));
  try {
    DescribedDataConnection::Load(QStringLiteral("/nonexistent/vars.json"));
    ADD_FAILURE() << "a missing file was read";
  } catch (const DescriptionFileException& e) {
    EXPECT_TRUE(e.GetProblem().startsWith(QStringLiteral("cannot be read"))) << e.what();
  }
}

TEST(DescribedDataConnectionTest, ResolvingFillsTheDeclaredDefaultAndTheSelectionAliases) {
  const auto connection = Parse(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "selection-items": [{"value": "EU", "alias": "Europe"}],
     "current-values": [{"value1": "EU"}, {"value1": {"value": "EU", "alias": "Own"}}, {"value1": "US"}]},
    {"name": "B", "guid": "b", "selection-items": [{"value": "EU", "alias": "Europe"}], "default-value": {"value1": "EU"}},
    {"name": "C", "guid": "c"}]})");
  const auto& variables = connection->GetDatabaseVariables()->GetVariables();
  auto a = DBVariablesDataModelBuilder::CopyVariableDataModel(variables[0]);
  connection->ResolveVariable(a);
  EXPECT_EQ(a->GetCurrentValue(0)->GetValue1()->GetValue().GetAlias(), QStringLiteral("Europe"));
  EXPECT_EQ(a->GetCurrentValue(1)->GetValue1()->GetValue().GetAlias(), QStringLiteral("Own"));
  EXPECT_TRUE(a->GetCurrentValue(2)->GetValue1()->GetValue().GetAlias().isEmpty());
  // The connection's own variable is untouched.
  EXPECT_TRUE(variables[0]->GetCurrentValue(0)->GetValue1()->GetValue().GetAlias().isEmpty());

  auto b = DBVariablesDataModelBuilder::CopyVariableDataModel(variables[1]);
  connection->ResolveVariable(b);
  ASSERT_EQ(b->GetCurrentValueCount(), 1u);
  EXPECT_EQ(b->GetCurrentValue(0)->GetValue1()->GetValue(), Text("EU", "Europe"));
  auto c = DBVariablesDataModelBuilder::CopyVariableDataModel(variables[2]);
  connection->ResolveVariable(c);
  EXPECT_EQ(c->GetCurrentValueCount(), 0u);
}

// --- Finding, defaults and checks ----------------------------------------------------------

TEST(DatabaseVariablesTest, VariablesAreFoundByTheirQualifiedName) {
  const auto variables = Parse(R"({"class": "x", "variables": [
    {"name": "[Sales].[Region]", "guid": "a"}, {"name": "Region", "guid": "b"}, {"name": "Unit Price ", "guid": "c"}]})")
                             ->GetDatabaseVariables();
  const auto guidOf = [&](const char* name) {
    const auto found = DBVariablesDataModelBuilder::FindVariable(QLatin1String(name), variables);
    return found ? found->GetVariableGUID() : QStringLiteral("none");
  };
  EXPECT_EQ(guidOf("Sales.Region"), QStringLiteral("a"));
  EXPECT_EQ(guidOf("[Sales].[Region]"), QStringLiteral("a"));
  EXPECT_EQ(guidOf("[Region]"), QStringLiteral("b"));
  EXPECT_EQ(guidOf("Unit Price "), QStringLiteral("c"));
  EXPECT_EQ(guidOf("Sales"), QStringLiteral("none"));
  EXPECT_EQ(guidOf(""), QStringLiteral("none"));
  EXPECT_EQ(DBVariablesDataModelBuilder::FindVariable(QStringLiteral("Region"), nullptr), nullptr);
  EXPECT_EQ(FieldName(QStringLiteral("Unit Price ")).GetLeafValue(), QStringLiteral("Unit Price "));
  EXPECT_EQ(FieldName(QStringLiteral("[a.b].[c]")).GetLeafValue(), QStringLiteral("c"));
}

TEST(DatabaseVariablesTest, ANewDefaultValueStartsFromTheDeclaredOneOrFromEquals) {
  const auto variables = Parse(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "ops": ["<", "="]},
    {"name": "B", "guid": "b", "ops": ["<", ">"]},
    {"name": "C", "guid": "c"},
    {"name": "D", "guid": "d", "ops": ["="], "default-value": {"op": "<>", "range": true, "value1": "a", "value2": "z"}}]})")
                             ->GetDatabaseVariables()
                             ->GetVariables();
  const auto fresh = [&](size_t i) { return DBVariablesDataModelBuilder::NewDefaultValueDataModel(variables[i]); };
  EXPECT_EQ(fresh(0)->GetOp(), QStringLiteral("="));
  EXPECT_EQ(fresh(1)->GetOp(), QStringLiteral("<"));
  EXPECT_EQ(fresh(2)->GetOp(), QStringLiteral("="));
  EXPECT_FALSE(fresh(2)->GetIsRange());
  EXPECT_FALSE(fresh(2)->GetValue1()->GetValue().HasValue());
  EXPECT_EQ(fresh(2)->GetValue2(), nullptr);
  EXPECT_TRUE(fresh(3)->IsSameAs(*variables[3]->GetDefaultValue()));
  EXPECT_NE(fresh(3).Get(), variables[3]->GetDefaultValue().Get());
  EXPECT_THROW(DBVariablesDataModelBuilder::NewDefaultValueDataModel(nullptr), LogicException);
}

TEST(DatabaseVariablesTest, MandatoryVariablesNeedAValueThatHoldsSomething) {
  RefCntPtr<Database_Variable_DataModel> mandatory = MakeRefCnt<Database_Variable_DataModel>();
  mandatory->SetIsMandatory(true);
  mandatory->SetIsUserPrompted(false);
  auto collection = MakeRefCnt<Database_VariablesCollection_DataModel>();
  collection->AddVariable(mandatory);
  EXPECT_TRUE(DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(collection, false));
  EXPECT_FALSE(DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(collection, true));
  mandatory->AddCurrentValue(Value("=", AliasedDataValue()));
  EXPECT_TRUE(DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(collection, false));
  mandatory->AddCurrentValue(Value("=", Text("x")));
  EXPECT_FALSE(DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(collection, false));
  EXPECT_FALSE(DBVariablesDataModelBuilder::HasUnassignedMandatoryVariables(nullptr, false));
}

TEST(DatabaseVariablesTest, ModifiedValuesAreRecordedUnlessTheyAreTheDefault) {
  const auto connection = Parse(R"({"class": "x", "variables": [
    {"name": "A", "guid": "a", "default-value": {"value1": "EU"},
     "current-values": [{"value1": {"value": "EU", "alias": "Europe"}}, {"op": "<>", "value1": "US"}]},
    {"name": "B", "guid": "b", "default-value": {"value1": "EU"}, "current-values": [{"value1": "EU"}]},
    {"name": "C", "guid": "c"}]})");
  const auto collection = connection->GetDatabaseVariables();
  const auto modified = [&](size_t i, bool onlyWhenModified, bool withAliases) {
    auto copy = DBVariablesDataModelBuilder::CopyVariableDataModel(collection->GetVariables()[i]);
    DatabaseVariableHelpers::AddModifiedVariableValuesAttr(copy, collection, onlyWhenModified, withAliases);
    return copy->HasAttribute(Database_Variable_DataModel::attrModifiedValues)
               ? copy->GetAttribute(Database_Variable_DataModel::attrModifiedValues).GetString()
               : QStringLiteral("none");
  };
  EXPECT_EQ(modified(0, true, false), QStringLiteral("Europe; <> US"));
  EXPECT_EQ(modified(0, true, true), QStringLiteral("Europe (EU); <> US"));
  EXPECT_EQ(modified(1, true, false), QStringLiteral("none"));
  EXPECT_EQ(modified(1, false, false), QStringLiteral("EU"));
  EXPECT_EQ(modified(2, true, false), QStringLiteral("none"));
  EXPECT_EQ(modified(2, false, false), QStringLiteral(""));

  auto variable = DBVariablesDataModelBuilder::CopyVariableDataModel(collection->GetVariables()[0]);
  EXPECT_THROW(DatabaseVariableHelpers::AddModifiedVariableValuesAttr(variable, nullptr, true, false), LogicException);
}

// --- Formatting ----------------------------------------------------------------------------

TEST(DBVariableFormatterTest, ShowsAliasesOperationsAndRanges) {
  const auto formatter = MakeRefCnt<DBVariableFormatter>();
  const auto text = [&](const Database_Variable_DataModel::ValueList::value_type& value, bool op, bool tooltip) {
    return formatter->FormatVariableValueForUI(value, op, tooltip);
  };
  const auto europe = Value("<>", Text("EU", "Europe"));
  EXPECT_EQ(text(europe, true, false), QStringLiteral("<> Europe"));
  EXPECT_EQ(text(europe, false, false), QStringLiteral("Europe"));
  EXPECT_EQ(text(europe, true, true), QStringLiteral("<> Europe (EU)"));
  EXPECT_EQ(text(Value("=", Text("EU", "EU")), true, true), QStringLiteral("EU"));
  EXPECT_EQ(text(Value("=", Text("EU")), true, false), QStringLiteral("EU"));
  EXPECT_EQ(text(Value("<", AliasedDataValue()), true, false), QStringLiteral(""));
  EXPECT_EQ(
      text(Value("<", AliasedDataValue(DataValue::MakeSpecial(DataValue::kSpecialNull, DataType::Integer), TString())),
           true, false),
      QStringLiteral("< null"));
  EXPECT_EQ(text(nullptr, true, true), QStringLiteral(""));

  auto range = MakeRefCnt<DBVariableValueDataModel>();
  range->SetIsRange(true);
  range->SetOp(QStringLiteral("<"));
  range->SetValue1(
      MakeRefCnt<DBVariableLiteralDataModel>(AliasedDataValue(DataValue::MakeDate(QDate(2024, 1, 1)), TString())));
  range->SetValue2(MakeRefCnt<DBVariableLiteralDataModel>(Text("Z", "last")));
  EXPECT_EQ(text(range, true, false), QStringLiteral("2024-01-01 - last"));
  EXPECT_EQ(text(range, true, true), QStringLiteral("2024-01-01 - last (Z)"));

  EXPECT_EQ(formatter->FormatAliasedValueList({Text("EU", "Europe"), Text("US"), AliasedDataValue()}),
            (std::vector<TString>{QStringLiteral("Europe"), QStringLiteral("US"), QStringLiteral("")}));
}

TEST(DBVariableFormatterTest, HanaLeadsWithTheKeyAndIsChosenByClass) {
  const auto connection = [](const char* connectionClass) {
    return RefCntPtr<IDataConnection>(DescribedDataConnection::Create(QLatin1String(connectionClass), nullptr, {}));
  };
  const auto hana = DBVariableFormatter::InstanceFromConnection(connection("saphana"));
  EXPECT_NE(dynamic_cast<HanaVariableFormatter*>(hana.Get()), nullptr);
  EXPECT_EQ(
      dynamic_cast<HanaVariableFormatter*>(DBVariableFormatter::InstanceFromConnection(connection("sapbw")).Get()),
      nullptr);
  EXPECT_EQ(dynamic_cast<HanaVariableFormatter*>(DBVariableFormatter::InstanceFromConnection(nullptr).Get()), nullptr);

  EXPECT_EQ(hana->FormatAliasedValue(Text("EU", "Europe")), QStringLiteral("EU (Europe)"));
  EXPECT_EQ(hana->FormatAliasedValue(Text("EU")), QStringLiteral("EU"));
  EXPECT_EQ(hana->FormatAliasedValue(AliasedDataValue(DataValue(), QStringLiteral("only alias"))),
            QStringLiteral("only alias"));
  EXPECT_EQ(hana->FormatVariableValueForUI(Value(">", Text("EU", "Europe")), true, true),
            QStringLiteral("> EU (Europe)"));
}

TEST(AliasedDataValueTest, CompareOrdersByTypeNullValueAndOptionallyAlias) {
  const auto compare = [](const AliasedDataValue& a, const AliasedDataValue& b, bool aliases) {
    return AliasedDataValue::Compare(a, b, aliases);
  };
  const AliasedDataValue three(DataValue::MakeInteger(3), QStringLiteral("West"));
  const AliasedDataValue bareThree(DataValue::MakeInteger(3), TString());
  EXPECT_EQ(compare(three, bareThree, false), 0);
  EXPECT_GT(compare(three, bareThree, true), 0);
  EXPECT_LT(compare(AliasedDataValue(DataValue::MakeInteger(2), TString()), three, false), 0);
  // Integer comes before string whatever the payload; null first within a type.
  EXPECT_LT(compare(three, Text("1"), false), 0);
  EXPECT_LT(compare(AliasedDataValue(DataValue::MakeSpecial(DataValue::kSpecialNull, DataType::Integer), TString()),
                    AliasedDataValue(DataValue::MakeInteger(-100), TString()), false),
            0);
  EXPECT_LT(compare(Text("B"), Text("a"), false), 0);
  EXPECT_EQ(compare(AliasedDataValue(), AliasedDataValue(), true), 0);
  const AliasedDataValue nan(DataValue::MakeReal(std::numeric_limits<double>::quiet_NaN()), TString());
  EXPECT_EQ(compare(nan, nan, false), 0);
  EXPECT_GT(compare(nan, AliasedDataValue(DataValue::MakeReal(1e300), TString()), false), 0);
}

// --- InitOnce ------------------------------------------------------------------------------

TEST(InitOnceTest, RunsOnceAcrossThreadsAndAgainAfterAFailure) {
  InitOnceFlag flag;
  std::atomic<int> runs{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { InitOnce(flag, [&] { ++runs; }); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(runs.load(), 1);

  InitOnceFlag failing;
  EXPECT_THROW(InitOnce(failing, [] { throw std::runtime_error("not yet"); }), std::runtime_error);
  int calls = 0;
  InitOnce(failing, [&] { ++calls; });
  InitOnce(failing, [&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

}  // namespace
