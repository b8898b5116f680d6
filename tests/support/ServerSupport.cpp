#include "tests/support/ServerSupport.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace testserver {

void Fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

int FreePort() {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (socket < 0) Fail(QStringLiteral("no socket for finding a free port"));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  const bool found = ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                     ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(socket);
  if (!found) Fail(QStringLiteral("no free port on 127.0.0.1"));
  return ntohs(address.sin_port);
}

void WritePrivate(const QString& path, const QByteArray& text, const passwd& owner) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
    Fail(QStringLiteral("cannot write %1").arg(path));
  file.close();
  const QByteArray native = QFile::encodeName(path);
  if (::chmod(native.constData(), 0600) != 0 || ::chown(native.constData(), owner.pw_uid, owner.pw_gid) != 0)
    Fail(QStringLiteral("cannot give %1 to the %2 user").arg(path, QString::fromLocal8Bit(owner.pw_name)));
}

std::optional<QString> SkipReason(const char* variable, const char* server) {
  if (qEnvironmentVariable(variable) != QLatin1String("1")) return std::nullopt;
  return QStringLiteral("%1=1: the %2 tests are skipped").arg(QLatin1String(variable), QLatin1String(server));
}

}  // namespace testserver
