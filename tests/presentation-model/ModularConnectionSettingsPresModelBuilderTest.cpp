#include "presentation-model/ModularConnectionSettingsPresModelBuilder.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/parameters/ParametersJson.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Supported, not visible, no validation: a swap of any two of the three flags shows.
RefCntPtr<InitialSQLPresModel> InitialSql() {
  RefCntPtr<InitialSQLPresModel> model = MakeRefCnt<InitialSQLPresModel>();
  model->SetIsSupported(true);
  model->SetInitialSQL(QStringLiteral("SET name = 'Zoë \"\\';\n"));
  model->AddInitialSQLParameter(QStringLiteral("[HalvaneApp]"));
  model->AddInitialSQLParameter(QStringLiteral("[ServerUser]"));
  model->SetLearnMoreUri(QStringLiteral("https://help.example.com/initialsql.htm"));
  return model;
}

const char kInitialSqlMember[] =
    R"("initialSql":{"isSupported":true,"isInitialSqlVisible":false,)"
    "\"initialSql\":\"SET name = 'Zo\xc3\xab \\\"\\\\';\\n\","
    R"("initialSqlParameters":["[HalvaneApp]","[ServerUser]"],"doValidation":false,)"
    R"("learnMoreUri":"https://help.example.com/initialsql.htm"})";

class ModularConnectionSettingsPresModelBuilderTest : public ::testing::Test {
 protected:
  ModularConnectionSettingsPresModelBuilderTest() { config->state.configName = QStringLiteral("Sales Warehouse"); }

  // The builder's JSON text for a configuration with `dialogJson`, as UTF-8.
  std::string BuildJson(const TString& dialogJson, RefCntPtr<const InitialSQLPresModel> initialSql = InitialSql()) {
    config->rel.modularDialogJson = dialogJson;
    const RefCntPtr<const ModularConnectionSettingsPresModel> model =
        ModularConnectionSettingsPresModelBuilder().Build(config, std::move(initialSql));
    return ToUtf8(model->GetConnectionDialogJson());
  }

  // Expects one warning naming the configuration, and no other message.
  void ExpectOneWarning() {
    ASSERT_EQ(sink->messages.size(), 1u);
    EXPECT_EQ(sink->messages[0].first, TLog::Warn);
    EXPECT_EQ(sink->messages[0].second,
              QStringLiteral("Invalid ModularConnectionDialogJson string for connection Sales Warehouse."));
    sink->messages.clear();
  }

  std::shared_ptr<fake::LogSink> sink = std::make_shared<fake::LogSink>();
  fake::ScopedInstall<LogSink, ILogSink> installSink{sink};
  RefCntPtr<fake::RelationalConfig> config = MakeRefCnt<fake::RelationalConfig>();
};

TEST_F(ModularConnectionSettingsPresModelBuilderTest, DescriptionIsRewrittenWithInitialSqlLast) {
  const std::string json = BuildJson(QStringLiteral(
      "{ \"zeta\" : 1,\n\t\"alpha\" : [ true , null, -2.5 ],\r\n \"mid\" : { \"label\" : \"Straße ✓\" } }"));
  EXPECT_EQ(json, std::string(R"({"zeta":1,"alpha":[true,null,-2.5],"mid":{"label":"Stra)"
                              "\xc3\x9f" "e \xe2\x9c\x93" R"("},)") +
                      kInitialSqlMember + "}");
  // Control characters stay escaped, also past the first sixteen bytes of a string.
  EXPECT_EQ(BuildJson(QStringLiteral("{\"abcdefghijklmnopqrstuvwxyz\\u001e\":\"0123456789abcdef\\u001a\"}")),
            std::string(R"({"abcdefghijklmnopqrstuvwxyz\u001E":"0123456789abcdef\u001A",)") + kInitialSqlMember + "}");
  EXPECT_TRUE(sink->messages.empty());
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, NumbersKeepTheirKindAndARewriteChangesNoDigit) {
  const std::string prefix = R"({"n":)";
  const std::string suffix = std::string(",") + kInitialSqlMember + "}";
  const auto rewrite = [&](const std::string& number) {
    const std::string json = BuildJson(QString::fromStdString(prefix + number + "}"));
    EXPECT_EQ(json.substr(0, prefix.size()), prefix) << number;
    EXPECT_GT(json.size(), prefix.size() + suffix.size()) << number;
    EXPECT_EQ(json.substr(json.size() - suffix.size()), suffix) << number;
    return json.substr(prefix.size(), json.size() - prefix.size() - suffix.size());
  };
  const std::pair<std::string, std::string> cases[] = {
      // Integers stay integers up to 64 bits; zeros keep their sign only as doubles.
      {"0", "0"}, {"-2147483648", "-2147483648"}, {"4294967295", "4294967295"},
      {"-9223372036854775808", "-9223372036854775808"}, {"18446744073709551615", "18446744073709551615"},
      {"-0", "0"}, {"-0.0", "-0.0"}, {"18446744073709551616", "18446744073709553000.0"}, {"1E2", "100.0"},
      // A zero with a large exponent, and numbers too small for a double.
      {"0e308", "0.0"}, {"1e-400", "0.0"}, {"-1e-400", "-0.0"},
      // More digits than a double holds: the nearest double, whose shortest form reads back to itself.
      {"1" + std::string(66, '3'), "1.3333333333333334e66"}, {"1.3333333333333334e66", "1.3333333333333334e66"},
      {"0.1", "0.1"}};
  for (const auto& [number, written] : cases) EXPECT_EQ(rewrite(number), written);
  // A number too large for a double is refused like any text that is not JSON.
  EXPECT_EQ(BuildJson(QStringLiteral("{\"n\":99e307}")), "");
  ExpectOneWarning();
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, InitialSqlIsAppendedBesideAMemberOfTheSameName) {
  // Supported and visible without validation: the flags a swap of the last two would mix up.
  RefCntPtr<InitialSQLPresModel> initialSql = MakeRefCnt<InitialSQLPresModel>();
  initialSql->SetIsSupported(true);
  initialSql->SetIsInitialSqlVisible(true);
  EXPECT_EQ(BuildJson(QStringLiteral(R"({"initialSql":"theirs","x":{}})"), initialSql),
            R"({"initialSql":"theirs","x":{},"initialSql":{"isSupported":true,"isInitialSqlVisible":true,)"
            R"("initialSql":"","initialSqlParameters":[],"doValidation":false,"learnMoreUri":""}})");
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, NoDescriptionGivesNoJsonAndNoWarning) {
  ModularConnectionSettingsPresModelBuilder builder;
  EXPECT_TRUE(builder.Build(nullptr, InitialSql())->GetConnectionDialogJson().isEmpty());
  EXPECT_TRUE(builder.Build(MakeRefCnt<fake::PlainConfig>(), InitialSql())->GetConnectionDialogJson().isEmpty());
  EXPECT_TRUE(BuildJson(QString()).empty());
  EXPECT_TRUE(sink->messages.empty());

  // Without a description the initial SQL record is never read, so it may be missing.
  EXPECT_TRUE(BuildJson(QString(), nullptr).empty());
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, InvalidDescriptionsWarnAndGiveNoJson) {
  const std::vector<TString> invalid = {
      QStringLiteral("{\"a\":1,}"),
      TString(QStringLiteral("{}")) + QChar(0) + QStringLiteral("{\"hidden\":1}"),
      // Valid JSON whose root cannot take the initial SQL member.
      QStringLiteral("[1, 2]"),
      QStringLiteral("\"text\""),
      QStringLiteral("42"),
  };
  for (const TString& dialogJson : invalid) {
    SCOPED_TRACE(ToUtf8(dialogJson));
    // The initial SQL record is not needed for a description that is not used.
    EXPECT_TRUE(BuildJson(dialogJson, nullptr).empty());
    ExpectOneWarning();
  }
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, NestingIsBoundedByTheJsonLimit) {
  // The root object is the first level.
  const auto nested = [](int arrays) {
    return QStringLiteral("{\"a\":") + TString(arrays, QLatin1Char('[')) + TString(arrays, QLatin1Char(']')) +
           QLatin1Char('}');
  };
  const std::string deepest = BuildJson(nested(kMaxJsonNesting - 1));
  EXPECT_EQ(deepest.substr(0, 8), R"({"a":[[[)");
  EXPECT_TRUE(sink->messages.empty());

  EXPECT_TRUE(BuildJson(nested(kMaxJsonNesting)).empty());
  ExpectOneWarning();
}

TEST_F(ModularConnectionSettingsPresModelBuilderTest, MissingInitialSqlWithADescriptionIsAnError) {
  config->rel.modularDialogJson = QStringLiteral("{}");
  try {
    ModularConnectionSettingsPresModelBuilder().Build(config, nullptr);
    FAIL() << "no exception";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), QStringLiteral("Null pointer dereferenced"));
  }
  EXPECT_TRUE(sink->messages.empty());
}

}  // namespace
