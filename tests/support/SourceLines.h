// Checks that a LogicException names the statement that raised it. The expected line is found
// by searching the source file at test time, so edits above the statement do not break a test.
#pragma once

#include "host/Exceptions.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace sourcelines {

/// The 1-based line of `relativePath` (from the source tree's root) holding `statement`, or 0
/// when no line or more than one line holds it (the test then names the statement to fix).
inline int LineOf(const QString& relativePath, const QString& statement) {
  QFile file(QStringLiteral(HLV_SOURCE_DIR "/") + relativePath);
  if (!file.open(QIODevice::ReadOnly)) return 0;
  const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  int found = 0;
  for (int i = 0; i < lines.size(); ++i) {
    if (!lines[i].contains(statement)) continue;
    if (found != 0) return 0;
    found = i + 1;
  }
  return found;
}

/// Success when `e` was raised in `relativePath` at the one line that holds `statement`.
inline ::testing::AssertionResult RaisedAt(const LogicException& e, const QString& relativePath,
                                           const QString& statement) {
  const int line = LineOf(relativePath, statement);
  if (line == 0)
    return ::testing::AssertionFailure() << "no single line of " << relativePath.toStdString() << " holds "
                                         << statement.toStdString();
  const std::string file = e.GetFile();
  const std::string expected = "/" + relativePath.toStdString();
  const bool sameFile =
      file.size() >= expected.size() && file.compare(file.size() - expected.size(), expected.size(), expected) == 0;
  if (!sameFile || e.GetLine() != line)
    return ::testing::AssertionFailure() << "\"" << e.what() << "\" was raised at " << file << ":" << e.GetLine()
                                         << ", expected " << relativePath.toStdString() << ":" << line;
  return ::testing::AssertionSuccess();
}

}  // namespace sourcelines
