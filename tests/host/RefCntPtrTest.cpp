#include "host/Exceptions.h"
#include "host/RefCntPtr.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class Counted : public RefCntObject {
 public:
  explicit Counted(int* destroyed) : m_destroyed(destroyed) {}

 protected:
  ~Counted() override { ++*m_destroyed; }

 private:
  int* m_destroyed;
};

class Derived final : public Counted {
 public:
  using Counted::Counted;
};

TEST(RefCntPtrTest, CountsReferencesAndDeletesWithTheLast) {
  int destroyed = 0;
  {
    RefCntPtr<Counted> a = MakeRefCnt<Counted>(&destroyed);
    EXPECT_EQ(a->GetRefCount(), 1);  // a new object starts with one reference, adopted
    RefCntPtr<Counted> b = a;
    EXPECT_EQ(a->GetRefCount(), 2);
    RefCntPtr<const Counted> c = std::move(b);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(a->GetRefCount(), 2);
    RefCntPtr<Counted> shared(a.Get());  // sharing a raw pointer takes a reference of its own
    EXPECT_EQ(a->GetRefCount(), 3);
    a = nullptr;
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(RefCntPtrTest, ConvertsToBaseAndCastsBack) {
  int destroyed = 0;
  RefCntPtr<Counted> base = MakeRefCnt<Derived>(&destroyed);
  EXPECT_NE(DynamicPointerCast<Derived>(base), nullptr);
  RefCntPtr<const Counted> constBase = base;
  EXPECT_EQ(constBase.Get(), base.Get());
}

TEST(RefCntPtrTest, DereferencingNullRaisesTheLogicException) {
  RefCntPtr<Counted> empty;
  try {
    empty->GetRefCount();
    FAIL() << "no exception";
  } catch (const LogicException& e) {
    EXPECT_STREQ(e.what(), "Null pointer dereferenced");
    EXPECT_GT(e.GetLine(), 0);
    EXPECT_NE(e.GetFile(), nullptr);
  }
  EXPECT_THROW(*empty, LogicException);
}

TEST(RefCntPtrTest, CountIsThreadSafe) {
  int destroyed = 0;
  RefCntPtr<Counted> object = MakeRefCnt<Counted>(&destroyed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&object] {
      for (int i = 0; i < 20000; ++i) {
        RefCntPtr<Counted> copy = object;
        RefCntPtr<Counted> moved = std::move(copy);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(object->GetRefCount(), 1);
  object = nullptr;
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
