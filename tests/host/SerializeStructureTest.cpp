#include "host/Exceptions.h"
#include "host/parameters/SerializeStructure.h"
#include "tests/host/TestVocabulary.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using namespace testvocabulary;

class SerializeStructureTest : public ::testing::Test {
 protected:
  SerializeStructureTest() { Register(m_registry); }

  ParametersRegistry m_registry;
};

TEST_F(SerializeStructureTest, WritesEveryScopeInItsJsonForm) {
  SerializeStructure ss(m_registry);
  ss.Parameter(kText, QStringLiteral("one"));
  {
    ListStructure list(kList, ss, kParameterTypeDefault);
    ss.ListItem(QStringLiteral("a"));
    ss.ListItem(QStringLiteral("b"));
  }
  {
    MapStructure map(kMap, ss);
    ss.MapItem(QStringLiteral("k"), QStringLiteral("v"), false);
    ss.MapItem(QStringLiteral("K2"), QStringLiteral("w"), true);
  }
  {
    SubStructure sub(kSub, ss, true);
    ss.Parameter(kFlag, QStringLiteral("true"));
  }
  {
    SubStructure strings(kSub, ss, false);
    ss.ListItem(QStringLiteral("x"));
  }
  {
    ListStructure items(kItems, ss, kParameterTypeDefault);
    {
      CompositeStructure first(kSub, ss);  // inside a list an element has no name
      ss.Parameter(kText, QStringLiteral("1"));
    }
    { SubStructure second(kSub, ss, true); }
    { SubStructure pair(kSub, ss, false); ss.ListItem(QStringLiteral("v")); ss.ListItem(QStringLiteral("alias")); }
  }
  { ListStructure empty(kList, ss, kParameterTypeDefault); }
  EXPECT_EQ(ss.GetJson(),
            R"({"text":"one","list":["a","b"],"map":{"k":"v","K2":"w"},"sub":{"flag":"true"},"sub":["x"],)"
            R"("items":[{"text":"1"},{},["v","alias"]],"list":[]})");
}

TEST_F(SerializeStructureTest, CaptureRecordsMembersWithoutTheirSeparator) {
  SerializeStructure ss(m_registry);
  SerializeStructure::Visitor& visitor = ss.GetVisitor();
  ss.Parameter(kText, QStringLiteral("before"));
  visitor.BeginCapture();
  ss.Parameter(kFlag, QStringLiteral("true"));
  {
    SubStructure sub(kSub, ss, true);
    visitor.BeginCapture();  // captures nest
    ss.Parameter(kCount, QStringLiteral("7"));
    EXPECT_EQ(visitor.EndCapture(), QStringLiteral(R"("number":"7")"));
  }
  const TString captured = visitor.EndCapture();
  EXPECT_EQ(captured, QStringLiteral(R"("flag":"true","sub":{"number":"7"})"));

  {
    SubStructure sub(kSub, ss, true);
    visitor.WriteCaptured(captured);
    visitor.WriteCaptured(TString());  // an empty recording writes nothing
    ss.Parameter(kText, QStringLiteral("after"));
  }
  EXPECT_EQ(ss.GetJson(), R"({"text":"before","flag":"true","sub":{"number":"7"},)"
                          R"("sub":{"flag":"true","sub":{"number":"7"},"text":"after"}})");
}

TEST_F(SerializeStructureTest, MisplacedWritesAreLogicErrorsThatLeaveTheTextWhole) {
  SerializeStructure ss(m_registry);
  EXPECT_THROW(ss.ListItem(QStringLiteral("x")), LogicException);
  EXPECT_THROW(ss.MapItem(QStringLiteral("k"), QStringLiteral("v"), false), LogicException);
  EXPECT_THROW(ss.Parameter(0x1e, QStringLiteral("unregistered")), LogicException);
  EXPECT_THROW(SubStructure(0x1e, ss, true), LogicException);
  {
    ListStructure list(kList, ss, kParameterTypeDefault);
    EXPECT_THROW(ss.Parameter(kText, QStringLiteral("x")), LogicException);
    MapStructure map(kMap, ss);  // in a list, a map is an element
    EXPECT_THROW(SubStructure(kSub, ss, true), LogicException);
  }
  EXPECT_THROW(ss.GetVisitor().EndCapture(), LogicException);
  EXPECT_EQ(ss.GetJson(), R"({"list":[{}]})");
}

TEST_F(SerializeStructureTest, ScopesCloseWhenAnExceptionLeavesThem) {
  SerializeStructure ss(m_registry);
  try {
    SubStructure sub(kSub, ss, true);
    ListStructure list(kList, ss, kParameterTypeDefault);
    ss.ListItem(QStringLiteral("written"));
    throw HalvaneException(QStringLiteral("stop"));
  } catch (const HalvaneException&) {
  }
  EXPECT_EQ(ss.GetJson(), R"({"sub":{"list":["written"]}})");
}

}  // namespace
