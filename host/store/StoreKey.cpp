#include "host/store/StoreKey.h"

#include "host/crypto/SecretBox.h"
#include "host/store/Keyring.h"
#include "host/store/Store.h"

#include <openssl/crypto.h>

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Store {
namespace {

constexpr int kMaxKeyText = 1024;

QByteArray Local(const TString& path) { return QFile::encodeName(path); }

QByteArray Decode(const QByteArray& text, const TString& source) {
  auto decoded = QByteArray::fromBase64Encoding(text.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.size() != SecretBox::kKeyBytes) {
    SecretBox::Erase(decoded.decoded);
    throw StoreException(QStringLiteral("%1 does not hold a store key (32 bytes in base64)").arg(source));
  }
  return decoded.decoded;
}

TString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

class FileKeySource final : public KeySource {
 public:
  explicit FileKeySource(TString path) : m_path(std::move(path)) {}
  TString Describe() const override { return QStringLiteral("the key file %1").arg(m_path); }
  std::optional<QByteArray> Current() const override { return Read(m_path); }
  std::optional<QByteArray> Next() const override { return Read(NextPath()); }

  QByteArray Create(const QByteArray& key) override {
    if (Write(m_path, key, /*exclusive=*/true)) return key;
    if (std::optional<QByteArray> kept = Current()) return *kept;
    throw StoreException(QStringLiteral("%1 vanished while it was made").arg(Describe()));
  }
  void StageNext(const QByteArray& key) override { Write(NextPath(), key, /*exclusive=*/false); }
  void PromoteNext(const QByteArray& key) override {
    if (::rename(Local(NextPath()).constData(), Local(m_path).constData()) == 0) return SyncFolder();
    const int error = errno;
    if (error == ENOENT && Current() == key) return;  // another process finished the move
    throw StoreException(QStringLiteral("The new key in %1.next could not replace the key file: %2")
                             .arg(m_path, SystemError(error)));
  }
  void DiscardNext() override { ::unlink(Local(NextPath()).constData()); }

 private:
  TString NextPath() const { return m_path + QStringLiteral(".next"); }

  static std::optional<QByteArray> Read(const TString& path) {
    const int fd = ::open(Local(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
      if (errno == ENOENT) return std::nullopt;
      throw StoreException(QStringLiteral("The key file %1 cannot be read: %2").arg(path, SystemError(errno)));
    }
    struct stat status {};
    char buffer[kMaxKeyText];
    ssize_t length = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & 077) == 0)
      length = ::read(fd, buffer, sizeof buffer);
    const int error = errno;
    ::close(fd);
    if (!S_ISREG(status.st_mode))
      throw StoreException(QStringLiteral("The key file %1 is not a regular file").arg(path));
    if ((status.st_mode & 077) != 0)
      throw StoreException(QStringLiteral("The key file %1 may be read or changed by other users (mode %2): "
                                          "it must be private to its owner (chmod 600)")
                               .arg(path, QString::number(status.st_mode & 0777, 8)));
    if (length < 0) throw StoreException(QStringLiteral("The key file %1 cannot be read: %2").arg(path, SystemError(error)));
    QByteArray text(buffer, static_cast<int>(length));
    OPENSSL_cleanse(buffer, sizeof buffer);
    QByteArray key = Decode(text, QStringLiteral("The key file %1").arg(path));
    SecretBox::Erase(text);
    return key;
  }

  // Writes the key to a private temporary file, then moves it in place: over what is there, or
  // (exclusive) only when nothing is, which it then reports as false.
  bool Write(const TString& path, const QByteArray& key, bool exclusive) const {
    MakePrivateFolders(QFileInfo(path).absolutePath());
    const TString temporary = path + QStringLiteral(".tmp-") + QString::fromLatin1(SecretBox::RandomBytes(6).toHex());
    const int fd = ::open(Local(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) throw StoreException(QStringLiteral("The key file %1 cannot be made: %2").arg(path, SystemError(errno)));
    QByteArray text = key.toBase64() + '\n';
    const bool written = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size() && ::fsync(fd) == 0;
    const int error = errno;
    SecretBox::Erase(text);
    ::close(fd);
    bool placed = false;
    int placeError = 0;
    if (written) {
      placed = exclusive ? ::link(Local(temporary).constData(), Local(path).constData()) == 0
                         : ::rename(Local(temporary).constData(), Local(path).constData()) == 0;
      placeError = errno;
    }
    ::unlink(Local(temporary).constData());
    if (!written) throw StoreException(QStringLiteral("The key file %1 cannot be written: %2").arg(path, SystemError(error)));
    if (!placed && !(exclusive && placeError == EEXIST))
      throw StoreException(QStringLiteral("The key file %1 cannot be made: %2").arg(path, SystemError(placeError)));
    SyncFolder(path);
    return placed;
  }

  void SyncFolder() const { SyncFolder(m_path); }
  static void SyncFolder(const TString& path) {
    const int fd = ::open(Local(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }

  TString m_path;
};

class EnvironmentKeySource final : public KeySource {
 public:
  TString Describe() const override { return QStringLiteral("the variable HLV_STORE_KEY"); }
  std::optional<QByteArray> Current() const override {
    QByteArray text = qgetenv("HLV_STORE_KEY");
    QByteArray key = Decode(text, QStringLiteral("The variable HLV_STORE_KEY"));
    SecretBox::Erase(text);
    return key;
  }
  std::optional<QByteArray> Next() const override { return std::nullopt; }
  QByteArray Create(const QByteArray& /*key*/) override { return *Current(); }
  void StageNext(const QByteArray& /*key*/) override {
    throw StoreException(QStringLiteral("The store's key comes from the variable HLV_STORE_KEY, which this program "
                                        "cannot change: keep the key in a key file (HLV_STORE_KEY_FILE) to rotate it"));
  }
  void PromoteNext(const QByteArray& /*key*/) override {}
  void DiscardNext() override {}
};

class KeyringKeySource final : public KeySource {
 public:
  explicit KeyringKeySource(TString location) : m_location(std::move(location)) {}
  TString Describe() const override { return QStringLiteral("the desktop keyring"); }
  std::optional<QByteArray> Current() const override { return Read("current"); }
  std::optional<QByteArray> Next() const override { return Read("next"); }
  QByteArray Create(const QByteArray& key) override {
    if (std::optional<QByteArray> kept = Current()) return *kept;
    Keyring::Keep(m_location, "current", QString::fromLatin1(key.toBase64()));
    return key;
  }
  void StageNext(const QByteArray& key) override { Keyring::Keep(m_location, "next", QString::fromLatin1(key.toBase64())); }
  void PromoteNext(const QByteArray& key) override {
    Keyring::Keep(m_location, "current", QString::fromLatin1(key.toBase64()));
    Keyring::Clear(m_location, "next");
  }
  void DiscardNext() override { Keyring::Clear(m_location, "next"); }

 private:
  std::optional<QByteArray> Read(const char* role) const {
    const std::optional<TString> text = Keyring::Lookup(m_location, role);
    if (!text) return std::nullopt;
    return Decode(text->toLatin1(), QStringLiteral("The desktop keyring's store key"));
  }
  TString m_location;
};

}  // namespace

KeySource::~KeySource() = default;

std::unique_ptr<KeySource> KeySource::For(const TString& location, const TString& defaultKeyFile) {
  if (!qEnvironmentVariableIsEmpty("HLV_STORE_KEY")) return std::make_unique<EnvironmentKeySource>();
  const TString keyFile = qEnvironmentVariable("HLV_STORE_KEY_FILE");
  if (!keyFile.isEmpty()) return std::make_unique<FileKeySource>(keyFile);
  if (Keyring::Answers()) {
    auto keyring = std::make_unique<KeyringKeySource>(location);
    if (!QFileInfo::exists(defaultKeyFile) || keyring->Current()) return keyring;
  }
  return std::make_unique<FileKeySource>(defaultKeyFile);
}

void MakePrivateFolders(const TString& path) {
  const TString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  if (QFileInfo(absolute).isDir()) return;
  MakePrivateFolders(QFileInfo(absolute).absolutePath());
  if (::mkdir(Local(absolute).constData(), 0700) != 0 && errno != EEXIST)
    throw StoreException(QStringLiteral("The folder %1 cannot be made: %2").arg(absolute, SystemError(errno)));
}

}  // namespace Store
