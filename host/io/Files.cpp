#include "host/io/Files.h"

#include "host/Exceptions.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

namespace {

// Overwrites the bytes read when they go out of scope: the file may hold a private key.
class WipedBytes {
 public:
  WipedBytes() = default;
  WipedBytes(const WipedBytes&) = delete;
  WipedBytes& operator=(const WipedBytes&) = delete;
  ~WipedBytes() {
    if (!bytes.isEmpty()) OPENSSL_cleanse(bytes.data(), static_cast<std::size_t>(bytes.size()));
  }
  QByteArray bytes;
};

// The fault of the file `path`; the message names the file, never anything read from it.
[[noreturn]] void ThrowFileFault(const TPath& path, const QString& fault) {
  throw HalvaneException(QStringLiteral("Cannot read the file \"%1\": %2").arg(path.ToString(), fault));
}

TString LoadTextFileOrThrow(const TPath& path) {
  const QFileInfo info(path.ToString());
  if (!info.exists()) ThrowFileFault(path, QStringLiteral("it does not exist"));
  if (!info.isFile()) ThrowFileFault(path, QStringLiteral("it is not a regular file"));

  QFile file(path.ToString());
  // Unbuffered, so that no copy of the content is left in a buffer of QFile.
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    ThrowFileFault(path, QStringLiteral("it cannot be opened (%1)").arg(file.errorString()));
  const QString tooLarge = QStringLiteral("it is larger than %1 MiB").arg(kMaxTextFileBytes >> 20);
  constexpr qint64 kLimit = static_cast<qint64>(kMaxTextFileBytes);
  if (file.size() > kLimit) ThrowFileFault(path, tooLarge);

  // The buffer is sized from what the file reports, plus the byte that tells whether it holds
  // more. That size is not trusted: a file that grows, or a special file that reports none, is
  // read on into a buffer twice the size, up to one byte over the limit. Each buffer left
  // behind is wiped, so no copy of the content stays in freed memory.
  WipedBytes read;
  read.bytes.resize(static_cast<int>(file.size() + 1));
  qint64 filled = 0;
  for (;;) {
    const qint64 got = file.read(read.bytes.data() + filled, read.bytes.size() - filled);
    if (got < 0) ThrowFileFault(path, QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    if (got == 0) break;
    filled += got;
    if (filled > kLimit) ThrowFileFault(path, tooLarge);
    if (filled == read.bytes.size()) {
      WipedBytes larger;
      larger.bytes.resize(static_cast<int>(std::min(2 * filled, kLimit + 1)));
      std::memcpy(larger.bytes.data(), read.bytes.constData(), static_cast<std::size_t>(filled));
      read.bytes.swap(larger.bytes);
    }
  }
  const QByteArray bytes = QByteArray::fromRawData(read.bytes.constData(), static_cast<int>(filled));

  static const QByteArray byteOrderMark("\xEF\xBB\xBF");
  const int skip = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
  // The codec counts what it could not decode: malformed, overlong or surrogate sequences, and
  // a sequence cut off at the end.
  QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
  const TString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData() + skip, bytes.size() - skip, &state);
  if (state.invalidChars != 0 || state.remainingChars != 0)
    ThrowFileFault(path, QStringLiteral("it is not valid UTF-8 text"));
  return text;
}

}  // namespace

TString TPath::Extension() const { return QFileInfo(m_path).suffix(); }

TString TPath::FileName() const { return QFileInfo(m_path).fileName(); }

bool FileExists(const TPath& path) {
  const QFileInfo info(path.ToString());
  return info.exists() && info.isFile();
}

TString TFile::LoadTextFile(const TPath& path, bool throwOnError) {
  if (throwOnError) return LoadTextFileOrThrow(path);
  try {
    return LoadTextFileOrThrow(path);
  } catch (const HalvaneException&) {
    // The caller asked for an empty text instead of the fault.
    return TString();
  }
}
