#include "host/ObjectFactory.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

class Thing : public RefCntObject {
 public:
  explicit Thing(int value) : value(value) {}
  const int value;

 protected:
  ~Thing() override = default;
};

class Other : public RefCntObject {
 protected:
  ~Other() override = default;
};

const TString kLibrary = QStringLiteral("ObjectFactoryTest");

TEST(ObjectFactoryTest, MakesByLibraryAndIdAndALaterFactoryReplacesTheFirst) {
  const TString id = QStringLiteral("thing");
  EXPECT_EQ(ObjectFactoryUtils::CreateObject(kLibrary, id), nullptr);

  ObjectFactoryUtils::RegisterFactory(kLibrary, id, [] { return RefCntPtr<RefCntObject>(MakeRefCnt<Thing>(1)); });
  const RefCntPtr<Thing> first = ObjectFactoryUtils::CreateObject<Thing>(kLibrary, id);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->value, 1);
  // The same id of another library is another name.
  EXPECT_EQ(ObjectFactoryUtils::CreateObject(QStringLiteral("ObjectFactoryTest2"), id), nullptr);

  ObjectFactoryUtils::RegisterFactory(kLibrary, id, [] { return RefCntPtr<RefCntObject>(MakeRefCnt<Thing>(2)); });
  EXPECT_EQ(ObjectFactoryUtils::CreateObject<Thing>(kLibrary, id)->value, 2);
  // Asked as another type, the object is not one.
  EXPECT_EQ(ObjectFactoryUtils::CreateObject<Other>(kLibrary, id), nullptr);

  ObjectFactoryUtils::RegisterFactory(kLibrary, id, nullptr);
  EXPECT_EQ(ObjectFactoryUtils::CreateObject(kLibrary, id), nullptr);
}

TEST(ObjectFactoryTest, AFactoryMayItselfCreateObjectsByName) {
  const TString inner = QStringLiteral("inner"), outer = QStringLiteral("outer");
  ObjectFactoryUtils::RegisterFactory(kLibrary, inner, [] { return RefCntPtr<RefCntObject>(MakeRefCnt<Thing>(7)); });
  ObjectFactoryUtils::RegisterFactory(kLibrary, outer, [inner] {
    return RefCntPtr<RefCntObject>(
        MakeRefCnt<Thing>(ObjectFactoryUtils::CreateObject<Thing>(kLibrary, inner)->value + 1));
  });
  EXPECT_EQ(ObjectFactoryUtils::CreateObject<Thing>(kLibrary, outer)->value, 8);
  ObjectFactoryUtils::RegisterFactory(kLibrary, inner, nullptr);
  ObjectFactoryUtils::RegisterFactory(kLibrary, outer, nullptr);
}

}  // namespace
