#include "host/Exceptions.h"
#include "host/parameters/ParametersRegistry.h"
#include "host/parameters/SerializeStructure.h"
#include "parameters/ParameterIds.h"
#include "tests/support/SourceLines.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

TEST(ExceptionsTest, AssertCarriesFileLineAndExpression) {
  const int line = __LINE__ + 2;
  try {
    HLV_ASSERT(1 + 1 == 3);
    FAIL() << "no exception";
  } catch (const LogicException& e) {
    EXPECT_STREQ(e.what(), "1 + 1 == 3");
    EXPECT_EQ(e.GetExpression(), QStringLiteral("1 + 1 == 3"));
    EXPECT_EQ(e.GetLine(), line);
    EXPECT_NE(std::string(e.GetFile()).find("ExceptionsTest.cpp"), std::string::npos);
  }
}

// A failure worded by a helper still names the statement that found it, not the helper.
TEST(ExceptionsTest, LogicErrorsNameTheStatementThatFoundThem) {
  ParametersRegistry registry;
  try {
    SerializeStructure ss(registry);
    ss.Parameter(0x1e, QStringLiteral("unregistered"));
    ADD_FAILURE() << "an unregistered parameter was written";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), QStringLiteral("Parameter 0x0000001e is not registered"));
    EXPECT_TRUE(sourcelines::RaisedAt(e, QStringLiteral("host/parameters/SerializeStructure.cpp"),
                                      QStringLiteral("0x%1 is not registered\")")));
  }
  try {
    registry.RegisterNamespace(ParameterNamespaceName(L""), 1, 2);
    ADD_FAILURE() << "a namespace without a name was registered";
  } catch (const LogicException& e) {
    EXPECT_TRUE(sourcelines::RaisedAt(e, QStringLiteral("host/parameters/ParametersRegistry.cpp"),
                                      QStringLiteral("needs a name\")")));
  }
  registry.RegisterNamespace(ParameterNamespaceName(L"test"), 1, 2);
  try {
    registry.RegisterNamespace(ParameterNamespaceName(L"test"), 3, 4);
    ADD_FAILURE() << "a namespace was registered twice";
  } catch (const LogicException& e) {
    EXPECT_EQ(e.GetExpression(), QStringLiteral("Namespace \"test\" is already registered"));
    EXPECT_TRUE(sourcelines::RaisedAt(e, QStringLiteral("host/parameters/ParametersRegistry.cpp"),
                                      QStringLiteral("is already registered\")")));
  }
}

TEST(ExceptionsTest, ParameterExceptionsNameTheParameter) {
  try {
    ThrowTypeMismatchCommandException(DataParameters::InitialSql);
  } catch (const TypeMismatchCommandException& e) {
    EXPECT_EQ(e.GetParameterId(), DataParameters::InitialSql);
    EXPECT_NE(std::string(e.what()).find("\"initial-sql\" (0xd9a4287f)"), std::string::npos) << e.what();
  }
  const ParameterParseException parse(0, QStringLiteral("what went wrong"));
  EXPECT_EQ(parse.GetParameterId(), 0u);
  EXPECT_STREQ(parse.what(), "Cannot parse parameter text: what went wrong");
  // Every host exception is a HalvaneException, so one handler can report them all.
  EXPECT_THROW(Implementation::ThrowXMLEnumEncodingException("AnchorPoint", 3), HalvaneException);
}

}  // namespace
