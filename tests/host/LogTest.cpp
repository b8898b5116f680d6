#include "host/app/Log.h"

#include "tests/QStringPrinter.h"
#include "tests/support/FakeConnectionModel.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(LogTest, MessagesGoToTheInstalledSinkUntilItIsReplaced) {
  ILogSink& before = LogSink::Instance();
  auto first = std::make_shared<fake::LogSink>();
  {
    const fake::ScopedInstall<LogSink, ILogSink> installed(first);
    LogMessage(TLog::Warn, QStringLiteral("one"));
    {
      auto second = std::make_shared<fake::LogSink>();
      const fake::ScopedInstall<LogSink, ILogSink> nested(second);
      LogMessage(TLog::Error, QStringLiteral("two"));
      ASSERT_EQ(second->messages.size(), 1u);
      EXPECT_EQ(second->messages[0].first, TLog::Error);
    }
    LogMessage(TLog::Info, QStringLiteral("three"));
  }
  ASSERT_EQ(first->messages.size(), 2u);
  EXPECT_EQ(first->messages[0], std::make_pair(TLog::Warn, QStringLiteral("one")));
  EXPECT_EQ(first->messages[1], std::make_pair(TLog::Info, QStringLiteral("three")));
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
