#include "host/app/Log.h"

#include "tests/QStringPrinter.h"
#include "tests/support/FakeConnectionModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

class CapturingSink final : public ILogSink {
 public:
  void Write(TLog severity, const TString& message) override { lines.emplace_back(severity, message); }
  std::vector<std::pair<TLog, TString>> lines;
};

TEST(LogTest, MessagesGoToTheInstalledSinkUntilItIsReplaced) {
  ILogSink& before = LogSink::Instance();
  auto first = std::make_shared<CapturingSink>();
  {
    const fake::ScopedInstall<LogSink, ILogSink> installed(first);
    LogMessage(TLog::Warn, QStringLiteral("one"));
    {
      auto second = std::make_shared<CapturingSink>();
      const fake::ScopedInstall<LogSink, ILogSink> nested(second);
      LogMessage(TLog::Error, QStringLiteral("two"));
      ASSERT_EQ(second->lines.size(), 1u);
      EXPECT_EQ(second->lines[0].first, TLog::Error);
    }
    LogMessage(TLog::Info, QStringLiteral("three"));
  }
  ASSERT_EQ(first->lines.size(), 2u);
  EXPECT_EQ(first->lines[0], std::make_pair(TLog::Warn, QStringLiteral("one")));
  EXPECT_EQ(first->lines[1], std::make_pair(TLog::Info, QStringLiteral("three")));
  EXPECT_EQ(&LogSink::Instance(), &before);
}

TEST(LogTest, StandardErrorSinkWritesOneLinePerMessage) {
  StandardErrorLogSink sink;
  testing::internal::CaptureStderr();
  sink.Write(TLog::Warn, QString::fromUtf8("file \"a.pem\" – unreadable"));
  sink.Write(TLog::Error, QStringLiteral("broken"));
  sink.Write(TLog::Debug, QStringLiteral("detail"));
  const std::string written = testing::internal::GetCapturedStderr();
  const std::string expected = "hlv warning: file \"a.pem\" – unreadable\nhlv error: broken\n";
  if (std::getenv("HLV_LOG_DEBUG") == nullptr) {
    EXPECT_EQ(written, expected);
  } else {
    EXPECT_EQ(written, expected + "hlv debug: detail\n");
  }
}

}  // namespace
