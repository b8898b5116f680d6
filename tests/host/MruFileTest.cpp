#include "host/connectors/MruFile.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/app/OEMInfo.h"
#include "tests/support/FakeConnectionModel.h"
#include "tests/support/TestFiles.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <csignal>
#include <cstdlib>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::list<TString> List(std::initializer_list<const char*> names) {
  std::list<TString> list;
  for (const char* name : names) list.push_back(QLatin1String(name));
  return list;
}

std::string ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "(unreadable)";
}

class MruFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder.isValid()); }

  /// The files of the folder other than the list's own.
  QStringList Others() const {
    QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(QStringLiteral("mru.json"));
    return names;
  }

  QString Write(const char* name, const QByteArray& bytes) const {
    return testfiles::WriteFile(folder, QLatin1String(name), bytes.toStdString());
  }

  QTemporaryDir folder;
  QString path = folder.filePath(QStringLiteral("mru.json"));
  std::shared_ptr<fake::LogSink> log = std::make_shared<fake::LogSink>();
  fake::ScopedInstall<LogSink, ILogSink> m_log{log};
};

TEST_F(MruFileTest, SeedsOnceAndReadsBackWhatItSaved) {
  MruFile mru(path);
  EXPECT_TRUE(mru.NeedsDefaults());
  EXPECT_TRUE(mru.GetConnectionClasses().empty());
  EXPECT_FALSE(QFile::exists(path));  // reading makes no file

  mru.SetDefaultConnectionClasses(List({"sqlserver", "mysql", "sqlserver", "", "oracle"}));
  EXPECT_FALSE(mru.NeedsDefaults());
  EXPECT_EQ(mru.GetConnectionClasses(), List({"sqlserver", "mysql", "oracle"}));
  mru.SetDefaultConnectionClasses(List({"redshift"}));  // a list that holds classes keeps them
  EXPECT_EQ(mru.GetConnectionClasses(), List({"sqlserver", "mysql", "oracle"}));
  EXPECT_EQ(ReadAll(path), "{\"connection-classes\":[\"sqlserver\",\"mysql\",\"oracle\"]}\n");

  MruFile again(path);
  EXPECT_FALSE(again.NeedsDefaults());
  EXPECT_EQ(again.GetConnectionClasses(), List({"sqlserver", "mysql", "oracle"}));
  EXPECT_TRUE(Others().isEmpty()) << Others().join(QLatin1Char(' ')).toStdString();
  EXPECT_TRUE(log->messages.empty());

  // A list the user emptied is not seeded again.
  Write("mru.json", "{\"connection-classes\":[]}");
  EXPECT_FALSE(MruFile(path).NeedsDefaults());
}

TEST_F(MruFileTest, LatestFirstWithoutRepeatsAndCapped) {
  MruFile mru(path);
  for (const char* name : {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10"})
    mru.AddConnectionClass(QLatin1String(name));
  EXPECT_FALSE(mru.NeedsDefaults());
  EXPECT_EQ(mru.GetConnectionClasses(), List({"c10", "c9", "c8", "c7", "c6", "c5", "c4", "c3"}));
  mru.AddConnectionClass(QStringLiteral("c5"));
  mru.AddConnectionClass(QString());
  EXPECT_EQ(mru.GetConnectionClasses(), List({"c5", "c10", "c9", "c8", "c7", "c6", "c4", "c3"}));
  EXPECT_EQ(MruFile(path).GetConnectionClasses(), mru.GetConnectionClasses());

  // A longer list, or one with repeats, written by someone else is read tolerantly.
  Write("mru.json", R"({"connection-classes":["a","b","a","c","d","e","f","g","h","i"],"other":1})");
  EXPECT_EQ(MruFile(path).GetConnectionClasses(), List({"a", "b", "c", "d", "e", "f", "g", "h"}));
  EXPECT_TRUE(Others().isEmpty());
}

TEST_F(MruFileTest, DamagedOrForeignFileIsKeptAsideAndANewListStarts) {
  const QByteArray contents[] = {
      "{\"connection-classes\":[\"postgres\"",        // cut off
      "[\"postgres\"]",                               // not an object
      "{\"connection-classes\":\"postgres\"}",        // not a list
      "{\"recent\":[\"postgres\"]}",                  // another program's file
      "\xff\xfe{}",                                   // not UTF-8
  };
  for (const QByteArray& content : contents) {
    SCOPED_TRACE(content.toStdString());
    Write("mru.json", content);
    log->messages.clear();
    MruFile mru(path);
    EXPECT_TRUE(mru.NeedsDefaults());
    EXPECT_TRUE(mru.GetConnectionClasses().empty());
    EXPECT_FALSE(QFile::exists(path));
    const QStringList aside = Others();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(aside[0].startsWith(QStringLiteral("mru.json.damaged-"))) << aside[0].toStdString();
    EXPECT_EQ(ReadAll(folder.filePath(aside[0])), content.toStdString());
    ASSERT_EQ(log->messages.size(), 1u);
    EXPECT_EQ(log->messages[0].first, TLog::Warn);
    EXPECT_TRUE(log->messages[0].second.contains(path));
    EXPECT_TRUE(log->messages[0].second.contains(aside[0]));

    mru.AddConnectionClass(QStringLiteral("mysql"));
    EXPECT_EQ(MruFile(path).GetConnectionClasses(), List({"mysql"}));
    QFile::remove(folder.filePath(aside[0]));
  }
}

TEST_F(MruFileTest, UnwritableFolderKeepsTheListInMemoryAndWarnsOnce) {
  // A folder below a regular file can be neither made nor written, even by root.
  Write("plain-file", "x");
  MruFile mru(folder.filePath(QStringLiteral("plain-file/hlvpres/mru.json")));
  EXPECT_TRUE(mru.NeedsDefaults());
  mru.SetDefaultConnectionClasses(List({"sqlserver"}));
  mru.AddConnectionClass(QStringLiteral("postgres"));
  mru.AddConnectionClass(QStringLiteral("mysql"));
  EXPECT_FALSE(mru.NeedsDefaults());
  EXPECT_EQ(mru.GetConnectionClasses(), List({"mysql", "postgres", "sqlserver"}));
  ASSERT_EQ(log->messages.size(), 1u);
  EXPECT_EQ(log->messages[0].first, TLog::Warn);
  EXPECT_TRUE(log->messages[0].second.contains(QStringLiteral("plain-file/hlvpres/mru.json")));
}

TEST_F(MruFileTest, ProcessKilledWhileWritingLeavesThePreviousList) {
  MruFile(path).SetDefaultConnectionClasses(List({"sqlserver", "mysql"}));
  const std::string before = ReadAll(path);

  // The child tells through a pipe when its writer stops half-way: the hook logs a message.
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeEnds[0]);
    class Signal final : public ILogSink {
     public:
      explicit Signal(int fd) : m_fd(fd) {}
      void Write(TLog, const TString&) override { (void)!write(m_fd, "p", 1); }

     private:
      int m_fd;
    };
    LogSink::Install(std::make_shared<Signal>(pipeEnds[1]));
    // The writer stops for far longer than the test waits.
    setenv("HLV_MRU_TEST_PAUSE_MID_WRITE", "60000", 1);
    MruFile(path).AddConnectionClass(QStringLiteral("a-much-longer-connection-class-name"));
    _exit(0);
  }
  close(pipeEnds[1]);
  char signal = 0;
  const bool midWrite = read(pipeEnds[0], &signal, 1) == 1;
  close(pipeEnds[0]);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(midWrite) << "the writer ended without pausing";
  EXPECT_TRUE(WIFSIGNALED(status));

  EXPECT_EQ(ReadAll(path), before);
  // The next write completes over the left-over temporary file.
  MruFile after(path);
  EXPECT_EQ(after.GetConnectionClasses(), List({"sqlserver", "mysql"}));
  after.AddConnectionClass(QStringLiteral("postgres"));
  EXPECT_EQ(MruFile(path).GetConnectionClasses(), List({"postgres", "sqlserver", "mysql"}));
  EXPECT_TRUE(log->messages.empty());
}

// A path that is not a regular file is never renamed, replaced or given a lock file beside it:
// as root, /dev/null itself was once moved aside and replaced.
TEST_F(MruFileTest, PathThatIsNoRegularFileIsLeftAsItIs) {
  ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder")));
  ASSERT_EQ(mkfifo(folder.filePath(QStringLiteral("fifo")).toLocal8Bit().constData(), 0600), 0);
  // A link to the device rather than the device itself, so that a fault replaces only the link.
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("null"))));
  for (const char* name : {"folder", "fifo", "null"}) {
    SCOPED_TRACE(name);
    log->messages.clear();
    MruFile mru(folder.filePath(QLatin1String(name)));
    mru.AddConnectionClass(QStringLiteral("mysql"));
    EXPECT_TRUE(mru.GetConnectionClasses() == List({"mysql"}) && !mru.IsSaved());  // kept in memory
    ASSERT_EQ(log->messages.size(), 1u);
    EXPECT_TRUE(log->messages[0].second.contains(QStringLiteral("not a regular file")));
  }
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 3);
  EXPECT_EQ(QFileInfo(folder.filePath(QStringLiteral("null"))).symLinkTarget(), QStringLiteral("/dev/null"));
}

// Runs `body` in a child process; Succeeded tells whether it returned true there.
template <typename Body>
pid_t Spawn(Body body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  return child;
}

bool Succeeded(pid_t child) {
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Permission denied is no damage: the file stays where it is, unchanged, and is not written over.
TEST_F(MruFileTest, UnreadableFileIsLeftAsItIs) {
  Write("mru.json", "{\"connection-classes\":[\"postgres\"]}");
  // Root reads any file: the reader runs as nobody, in a folder it can enter but not write.
  ASSERT_EQ(chmod(path.toLocal8Bit().constData(), 0), 0);
  ASSERT_EQ(chmod(folder.path().toLocal8Bit().constData(), 0755), 0);
  EXPECT_TRUE(Succeeded(Spawn([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
    MruFile mru(path);
    mru.AddConnectionClass(QStringLiteral("mysql"));
    return mru.GetConnectionClasses() == List({"mysql"}) && !mru.IsSaved() && log->messages.size() == 1 &&
           log->messages[0].second.contains(QStringLiteral("left as it is"));
  })));
  chmod(path.toLocal8Bit().constData(), 0600);
  EXPECT_EQ(ReadAll(path), "{\"connection-classes\":[\"postgres\"]}");
  EXPECT_TRUE(Others().isEmpty());
}

// An entry that is no class name is dropped alone, and one is never recorded.
TEST_F(MruFileTest, EntriesThatAreNoClassNamesAreDroppedNotTheList) {
  const QString tooLong(MruFile::kMaxClassNameLength + 1, QLatin1Char('x'));
  Write("mru.json", "{\"connection-classes\":[\"postgres\",42,\"\",\"" + tooLong.toLatin1() + "\",\"mysql\"]}");
  MruFile mru(path);
  EXPECT_EQ(mru.GetConnectionClasses(), List({"postgres", "mysql"}));
  EXPECT_TRUE(Others().isEmpty());
  mru.AddConnectionClass(tooLong);
  ASSERT_EQ(log->messages.size(), 2u);
  EXPECT_TRUE(log->messages[0].second.contains(QStringLiteral("3 entries"))) << log->messages[0].second.toStdString();
  mru.AddConnectionClass(tooLong.left(MruFile::kMaxClassNameLength));  // just fits
  EXPECT_EQ(MruFile(path).GetConnectionClasses(),
            std::list<TString>({tooLong.left(MruFile::kMaxClassNameLength), QStringLiteral("postgres"),
                                QStringLiteral("mysql")}));
}

// Processes that record at once each read the list again under its lock: no update is lost.
TEST_F(MruFileTest, ProcessesRecordingAtOnceLoseNoUpdate) {
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> children;
  for (std::size_t i = 0; i < MruFile::kMaxEntries; ++i)
    children.push_back(Spawn([&] {
      char go = 0;
      close(start[1]);
      (void)!read(start[0], &go, 1);  // all start when the parent closes its end
      MruFile mru(path);
      mru.AddConnectionClass(QStringLiteral("class-%1").arg(i));
      return mru.IsSaved();
    }));
  close(start[0]);
  close(start[1]);
  for (const pid_t child : children) EXPECT_TRUE(Succeeded(child));
  const std::list<TString> classes = MruFile(path).GetConnectionClasses();
  EXPECT_EQ(std::set<TString>(classes.begin(), classes.end()).size(), MruFile::kMaxEntries) << ReadAll(path);
  EXPECT_TRUE(Others().isEmpty()) << Others().join(QLatin1Char(' ')).toStdString();
}

// --- OEM information -------------------------------------------------------------------------

using OEMInfoTest = MruFileTest;  // a temporary folder and a log

TEST_F(OEMInfoTest, FileSetsTheBuildAndItsBooleanSettings) {
  const QString oemPath = Write("oem.json", R"({"oem-build": true, "settings": {"1059": true, "7": false}})");
  const std::shared_ptr<SettableOEMInfo> info = SettableOEMInfo::FromFile(oemPath);
  EXPECT_TRUE(info->IsOEMBuild());
  EXPECT_TRUE(info->GetAsBoolean(1059));
  EXPECT_FALSE(info->GetAsBoolean(7));
  EXPECT_FALSE(info->GetAsBoolean(1058));

  Write("oem.json", "{}");
  EXPECT_FALSE(SettableOEMInfo::FromFile(oemPath)->IsOEMBuild());

  for (const char* bad : {R"({"oem-build": "yes"})", R"({"settings": {" 1059": true}})",
                          R"({"settings": {"1059": 1}})", R"({"settings": []})", R"({"oem": true})", "[]",
                          "{\"oem-build\": tru"}) {
    SCOPED_TRACE(bad);
    Write("oem.json", bad);
    try {
      SettableOEMInfo::FromFile(oemPath);
      ADD_FAILURE() << "accepted";
    } catch (const HalvaneException& e) {
      EXPECT_TRUE(e.GetMessage().contains(oemPath)) << e.what();
    }
  }
}

TEST_F(OEMInfoTest, SingletonReloadsTheFileTheEnvironmentNames) {
  const QString oemPath = Write("oem.json", R"({"oem-build": true})");
  const std::shared_ptr<IOEMInfo> previous = OEMInfo::Install(std::make_shared<SettableOEMInfo>());
  EXPECT_FALSE(OEMInfo::Singleton(false).IsOEMBuild());
  qputenv("HLV_OEM_INFO", oemPath.toUtf8());
  EXPECT_FALSE(OEMInfo::Singleton(false).IsOEMBuild());  // the installed one answers
  EXPECT_TRUE(OEMInfo::Singleton(true).IsOEMBuild());
  qunsetenv("HLV_OEM_INFO");
  EXPECT_FALSE(OEMInfo::Singleton(true).IsOEMBuild());
  OEMInfo::Install(previous);
}

}  // namespace
