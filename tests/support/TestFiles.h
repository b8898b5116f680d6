// Files a test writes into a temporary folder of its own.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <stdexcept>
#include <string>

namespace testfiles {

/// Writes `bytes` into the file `name` of `dir` and returns the file's path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const std::string& bytes) {
  const QString path = QDir(dir.path()).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0)
    throw std::runtime_error("writing a test file failed");
  return path;
}

}  // namespace testfiles
