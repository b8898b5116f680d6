#include "host/detail/RecentValue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

// A reader that gives 1, 2, 3, ... and counts its reads.
struct CountingReader {
  int reads = 0;
  int operator()() { return ++reads; }
};

TEST(RecentValueTest, IsReadAgainOnceItIsAsOldAsItsLifetime) {
  RecentValue<int> value(seconds(5));
  CountingReader reader;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(value.Get(start, [&] { return reader(); }), 1);
  EXPECT_EQ(value.Get(start + seconds(5) - Clock::duration(1), [&] { return reader(); }), 1);
  EXPECT_EQ(value.Get(start + seconds(5), [&] { return reader(); }), 2);
  // The lifetime counts from the last read, not from the first.
  EXPECT_EQ(value.Get(start + seconds(9), [&] { return reader(); }), 2);
  EXPECT_EQ(value.Get(start + seconds(10), [&] { return reader(); }), 3);
  EXPECT_EQ(reader.reads, 3);
}

TEST(RecentValueTest, AFailedReadKeepsWhatWasThereAndIsTriedAgain) {
  RecentValue<int> value(seconds(5));
  const Clock::time_point start = Clock::now();
  const auto fail = []() -> int { throw std::runtime_error("unreadable"); };
  EXPECT_THROW(value.Get(start, fail), std::runtime_error);
  // Nothing was kept: the next call reads.
  EXPECT_EQ(value.Get(start, [] { return 7; }), 7);
  // An expired value whose new read fails stays expired: the value is read again next time.
  EXPECT_THROW(value.Get(start + seconds(6), fail), std::runtime_error);
  EXPECT_EQ(value.Get(start + seconds(6), [] { return 8; }), 8);
}

}  // namespace
