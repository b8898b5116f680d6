// hlvstoresaver: saves connections into a store, for the store tests that need other processes.
//
//   hlvstoresaver LOCATION PREFIX COUNT   saves PREFIX-0 .. PREFIX-(COUNT-1), each with the
//                                         attribute n and the password "pw-" PREFIX "-" n
//   hlvstoresaver LOCATION PREFIX 0       saves PREFIX-0 .. PREFIX-9 over and over, n counting
//                                         up, printing "saved" after each, until killed
// The key comes from the environment, as for any program using the store.
#include "host/store/Store.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);  // Qt's SQL drivers are plugins found through it
  if (argc != 4) return 2;
  try {
    const auto store = Store::Open(QString::fromLocal8Bit(argv[1]));
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLatin1(argv[3]).toInt();
    for (int n = 0; count == 0 || n < count; ++n) {
      const QString name = QStringLiteral("%1-%2").arg(prefix).arg(count == 0 ? n % 10 : n);
      const QString number = QString::number(n);
      store->SaveConnection({name, QStringLiteral("postgres"), {{QStringLiteral("n"), number}}},
                            {{QStringLiteral("password"), QStringLiteral("pw-%1-%2").arg(prefix, number)}});
      if (count == 0) {
        std::printf("saved\n");
        std::fflush(stdout);
      }
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
