#include "host/Exceptions.h"
#include "parameters/ParameterIds.h"

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
