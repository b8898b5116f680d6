#include "host/io/Files.h"

#include "host/Exceptions.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include <openssl/crypto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Fault = FileReadException::Fault;

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

// Closes the descriptor it holds.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  int Get() const noexcept { return m_fd; }

 private:
  int m_fd;
};

[[noreturn]] void ThrowFileFault(const TPath& path, Fault fault, const QString& reason) {
  throw FileReadException(path, fault, reason);
}

// The fault of a system call that failed with `error` on `path`, doing `what` ("opened").
[[noreturn]] void ThrowSystemFault(const TPath& path, int error, const char* what) {
  if (error == ENOENT || error == ENOTDIR) ThrowFileFault(path, Fault::kMissing, QStringLiteral("it does not exist"));
  ThrowFileFault(path, Fault::kUnreadable,
                 QStringLiteral("it cannot be %1 (%2)").arg(QLatin1String(what), qt_error_string(error)));
}

[[noreturn]] void ThrowTooLarge(const TPath& path, std::size_t maxBytes) {
  ThrowFileFault(path, Fault::kTooLarge,
                 QStringLiteral("it holds more than the limit of %1 bytes").arg(static_cast<qulonglong>(maxBytes)));
}

void CheckRegular(const TPath& path, const struct stat& status) {
  if (!S_ISREG(status.st_mode)) ThrowFileFault(path, Fault::kNotRegularFile, QStringLiteral("it is not a regular file"));
}

// Reads the resource `path` (":/..."), which the program carries, at most `maxBytes` of it.
std::size_t ReadResource(const TPath& path, std::size_t maxBytes, WipedBytes& read) {
  QFile file(path.ToString());
  if (!file.exists()) ThrowFileFault(path, Fault::kMissing, QStringLiteral("it does not exist"));
  if (!file.open(QIODevice::ReadOnly))
    ThrowFileFault(path, Fault::kUnreadable, QStringLiteral("it cannot be opened (%1)").arg(file.errorString()));
  if (static_cast<std::size_t>(file.size()) > maxBytes) ThrowTooLarge(path, maxBytes);
  read.bytes = file.readAll();
  return static_cast<std::size_t>(read.bytes.size());
}

// Reads the regular file `path`, at most `maxBytes` of it, into `read`; returns the count read.
std::size_t ReadRegularFile(const TPath& path, std::size_t maxBytes, WipedBytes& read) {
  if (path.ToString().startsWith(QLatin1Char(':'))) return ReadResource(path, maxBytes, read);
  const QByteArray name = QFile::encodeName(path.ToString());
  if (name.isEmpty()) ThrowFileFault(path, Fault::kMissing, QStringLiteral("it does not exist"));
  // Looked at before it is opened: opening a device may have effects of its own.
  struct stat status {};
  if (::stat(name.constData(), &status) != 0) ThrowSystemFault(path, errno, "opened");
  CheckRegular(path, status);
  // Without blocking, so that a FIFO put at the path since it was looked at does not wait for a
  // writer; what was opened is checked again.
  const Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) ThrowSystemFault(path, errno, "opened");
  if (::fstat(file.Get(), &status) != 0) ThrowSystemFault(path, errno, "read");
  CheckRegular(path, status);
  const auto limit = static_cast<qint64>(std::min<std::size_t>(maxBytes, std::numeric_limits<int>::max() - 1));
  if (status.st_size > limit) ThrowTooLarge(path, maxBytes);

  // The buffer is sized from what the file reports, plus the byte that tells whether it holds
  // more. That size is not trusted: a file that grows, or one that reports none (the kernel's
  // status files), is read on into a buffer twice the size, up to one byte over the limit. Each
  // buffer left behind is wiped, so no copy of the content stays in freed memory.
  read.bytes.resize(static_cast<int>(status.st_size + 1));
  qint64 filled = 0;
  for (;;) {
    const ssize_t got = ::read(file.Get(), read.bytes.data() + filled, static_cast<std::size_t>(read.bytes.size() - filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowSystemFault(path, errno, "read");
    if (got == 0) break;
    filled += got;
    if (filled > limit) ThrowTooLarge(path, maxBytes);
    if (filled == read.bytes.size()) {
      WipedBytes larger;
      larger.bytes.resize(static_cast<int>(std::min(2 * filled, limit + 1)));
      std::memcpy(larger.bytes.data(), read.bytes.constData(), static_cast<std::size_t>(filled));
      read.bytes.swap(larger.bytes);
    }
  }
  return static_cast<std::size_t>(filled);
}

TString LoadTextFileOrThrow(const TPath& path) {
  WipedBytes read;
  const std::size_t filled = ReadRegularFile(path, kMaxTextFileBytes, read);
  const QByteArray bytes = QByteArray::fromRawData(read.bytes.constData(), static_cast<int>(filled));

  static const QByteArray byteOrderMark("\xEF\xBB\xBF");
  const int skip = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
  // The codec counts what it could not decode: malformed, overlong or surrogate sequences, and
  // a sequence cut off at the end.
  QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
  const TString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData() + skip, bytes.size() - skip, &state);
  if (state.invalidChars != 0 || state.remainingChars != 0)
    ThrowFileFault(path, Fault::kNotUtf8, QStringLiteral("it is not valid UTF-8 text"));
  return text;
}

}  // namespace

FileReadException::FileReadException(const TPath& path, Fault fault, TString reason)
    : HalvaneException(QStringLiteral("Cannot read the file \"%1\": %2").arg(path.ToString(), reason)),
      m_fault(fault),
      m_reason(std::move(reason)) {}

FileReadException::~FileReadException() = default;

TString TPath::Extension() const { return QFileInfo(m_path).suffix(); }

TString TPath::FileName() const { return QFileInfo(m_path).fileName(); }

bool FileExists(const TPath& path) {
  const QFileInfo info(path.ToString());
  return info.exists() && info.isFile();
}

QByteArray TFile::LoadBytes(const TPath& path, std::size_t maxBytes) {
  WipedBytes read;
  const std::size_t filled = ReadRegularFile(path, maxBytes, read);
  return QByteArray(read.bytes.constData(), static_cast<int>(filled));
}

TString TFile::LoadTextFile(const TPath& path, bool throwOnError) {
  if (throwOnError) return LoadTextFileOrThrow(path);
  try {
    return LoadTextFileOrThrow(path);
  } catch (const FileReadException&) {
    // The caller asked for an empty text instead of the fault.
    return TString();
  }
}
