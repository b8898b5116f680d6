#include "presentation-model/CustomSQLInfoPresModelBuilder.h"

#include "host/Exceptions.h"
#include "tests/support/FakeConnectionModel.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

const TString kStoredSQL = QStringLiteral("SELECT * FROM orders WHERE region = <[Parameters].[Parameter 1]>");

class CustomSQLInfoPresModelBuilderTest : public ::testing::Test {
 protected:
  CustomSQLInfoPresModelBuilderTest() {
    config->rel.relations[QStringLiteral("Orders")] =
        MakeRefCnt<SQLTableRelation>(QStringLiteral("Orders"), QStringLiteral("[public].[orders]"));
    config->rel.relations[QStringLiteral("Custom SQL Query")] =
        MakeRefCnt<SQLTextRelation>(QStringLiteral("Custom SQL Query"), kStoredSQL);
    dataSource->parameterCaptions[QStringLiteral("Parameter 1")] = QStringLiteral("Region");
  }

  // A build for `alias` with distinct texts in every string argument.
  RefCntPtr<const CustomSQLInfoPresModel> Build(const CustomSQLInfoPresModelBuilder& builder, const TString& alias,
                                                const TString& sqlText, bool isReplacingObject = false) const {
    return builder.Build(QStringLiteral("PostgreSQL Sales"), alias, QStringLiteral("Old Orders"), sqlText,
                         isReplacingObject);
  }

  RefCntPtr<fake::RelationalConfig> config = MakeRefCnt<fake::RelationalConfig>();
  RefCntPtr<fake::DataSource> dataSource = MakeRefCnt<fake::DataSource>();
};

TEST_F(CustomSQLInfoPresModelBuilderTest, WithoutAConfigurationEveryFieldKeepsItsDefault) {
  const CustomSQLInfoPresModelBuilder builder(nullptr, dataSource);
  const RefCntPtr<const CustomSQLInfoPresModel> model = Build(builder, QStringLiteral("Orders"), QString(), true);
  EXPECT_TRUE(model->GetConnectionName().isEmpty() && model->GetTableAlias().isEmpty() &&
              model->GetTableToReplace().isEmpty() && model->GetCustomSQLQuery().isEmpty());
  EXPECT_FALSE(model->GetIsNewCustomSQL() || model->GetIsReplacingObject());
}

TEST_F(CustomSQLInfoPresModelBuilderTest, NewCustomSQLOnlyWithoutTextAndWithoutRelation) {
  const CustomSQLInfoPresModelBuilder builder(config, dataSource);
  const TString typed = QStringLiteral("SELECT 1");

  RefCntPtr<const CustomSQLInfoPresModel> model = Build(builder, QStringLiteral("New Query"), QString(), true);
  EXPECT_TRUE(model->GetIsNewCustomSQL());
  EXPECT_TRUE(model->GetCustomSQLQuery().isEmpty());
  // Every argument lands in its own field.
  EXPECT_EQ(model->GetConnectionName(), QStringLiteral("PostgreSQL Sales"));
  EXPECT_EQ(model->GetTableAlias(), QStringLiteral("New Query"));
  EXPECT_EQ(model->GetTableToReplace(), QStringLiteral("Old Orders"));
  EXPECT_TRUE(model->GetIsReplacingObject());

  model = Build(builder, QStringLiteral("New Query"), typed);
  EXPECT_FALSE(model->GetIsNewCustomSQL());
  EXPECT_EQ(model->GetCustomSQLQuery(), typed);
  EXPECT_FALSE(model->GetIsReplacingObject());

  // A table relation is not new, even without text, and has no SQL to replace the caller's.
  model = Build(builder, QStringLiteral("Orders"), QString());
  EXPECT_FALSE(model->GetIsNewCustomSQL());
  EXPECT_TRUE(model->GetCustomSQLQuery().isEmpty());
  model = Build(builder, QStringLiteral("Orders"), typed);
  EXPECT_FALSE(model->GetIsNewCustomSQL());
  EXPECT_EQ(model->GetCustomSQLQuery(), typed);
}

TEST_F(CustomSQLInfoPresModelBuilderTest, CustomSQLRelationShowsItsOwnSQL) {
  const TString alias = QStringLiteral("Custom SQL Query");
  const TString shown = QStringLiteral("SELECT * FROM orders WHERE region = <Parameters.Region>");

  RefCntPtr<const CustomSQLInfoPresModel> model =
      Build(CustomSQLInfoPresModelBuilder(config, dataSource), alias, QStringLiteral("the caller's text"));
  EXPECT_EQ(model->GetCustomSQLQuery(), shown);
  EXPECT_FALSE(model->GetIsNewCustomSQL());

  // Without a data source there are no captions: the SQL is shown as stored.
  model = Build(CustomSQLInfoPresModelBuilder(config, nullptr), alias, QString());
  EXPECT_EQ(model->GetCustomSQLQuery(), kStoredSQL);
  EXPECT_FALSE(model->GetIsNewCustomSQL());
}

TEST_F(CustomSQLInfoPresModelBuilderTest, ConfigurationThatIsNotRelationalIsAnError) {
  const CustomSQLInfoPresModelBuilder builder(MakeRefCnt<fake::PlainConfig>(), dataSource);
  try {
    Build(builder, QStringLiteral("Orders"), QString());
    FAIL() << "no exception";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), QStringLiteral("Null pointer dereferenced"));
  }
}

}  // namespace
