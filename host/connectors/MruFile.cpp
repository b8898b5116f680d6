#include "host/connectors/MruFile.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/detail/HardenedJson.h"
#include "host/io/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <utility>

#include <unistd.h>

namespace {

constexpr char kClassesMember[] = "connection-classes";
// A list of eight classes is a few hundred bytes; anything far larger is not ours.
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 10;
constexpr HardenedJson::Limits kMruFileLimits{4, kMaxFileBytes};
// Another process holds the lock for the few milliseconds of a write; far longer, and the list
// is kept in memory rather than waited for.
constexpr int kLockWaitMilliseconds = 10000;

/// A file that holds something other than a list of classes.
class ForeignContent : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
};

bool IsClassName(const TString& connectionClass) {
  return !connectionClass.isEmpty() && connectionClass.size() <= MruFile::kMaxClassNameLength;
}

struct ParsedList {
  std::list<TString> classes;
  int dropped = 0;  // entries that are no class name
};

ParsedList ParseList(const QByteArray& text) {
  rapidjson::Document document;
  HardenedJson::Parse(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), document,
                      kMruFileLimits);
  if (!document.IsObject()) throw ForeignContent(QStringLiteral("it does not hold a JSON object"));
  const auto member = document.FindMember(kClassesMember);
  if (member == document.MemberEnd() || !member->value.IsArray())
    throw ForeignContent(QStringLiteral("it has no \"%1\" list").arg(QLatin1String(kClassesMember)));
  ParsedList parsed;
  std::list<TString> classes;
  for (const auto& entry : member->value.GetArray()) {
    const TString connectionClass =
        entry.IsString() ? TStringFromUtf8({entry.GetString(), entry.GetStringLength()}) : TString();
    if (IsClassName(connectionClass))
      classes.push_back(connectionClass);
    else
      ++parsed.dropped;
  }
  parsed.classes = MruFile::Normalized(classes);
  return parsed;
}

QByteArray Serialize(const std::list<TString>& classes) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  writer.StartObject();
  writer.Key(kClassesMember);
  writer.StartArray();
  for (const TString& connectionClass : classes) writer.String(ToUtf8(connectionClass));
  writer.EndArray();
  writer.EndObject();
  QByteArray bytes(buffer.GetString(), static_cast<int>(buffer.GetSize()));
  bytes.append('\n');
  return bytes;
}

// A free name beside `path` for a damaged file: "<path>.damaged-<time>", with "-2", "-3", ...
// added when that is taken.
QString DamagedName(const QString& path) {
  const QString base = path + QStringLiteral(".damaged-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString name = base;
  for (int n = 2; QFileInfo::exists(name); ++n) name = base + QLatin1Char('-') + QString::number(n);
  return name;
}

// The pause of the test hook, in milliseconds; 0 without it.
unsigned long TestPauseMidWrite() {
  bool ok = false;
  const int milliseconds = qEnvironmentVariableIntValue("HLV_MRU_TEST_PAUSE_MID_WRITE", &ok);
  return ok && milliseconds > 0 ? static_cast<unsigned long>(milliseconds) : 0;
}

// Writes `bytes` to `path` through a temporary file that replaces it; the fault, or empty.
QString WriteWhole(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  const int half = bytes.size() / 2;
  bool written = file.write(bytes.constData(), half) == half;
  if (const unsigned long pause = TestPauseMidWrite()) {
    file.flush();
    LogMessage(TLog::Debug, QStringLiteral("Test hook: the write of %1 pauses half-way for %2 ms").arg(path).arg(pause));
    QThread::msleep(pause);
  }
  written = written && file.write(bytes.constData() + half, bytes.size() - half) == bytes.size() - half;
  // commit() syncs too, but ignores a failed sync, and a full disk may only show there.
  QString failure;
  if (!written || !file.flush())
    failure = file.errorString();
  else if (::fsync(file.handle()) != 0)
    failure = qt_error_string(errno);
  if (!failure.isEmpty()) return failure;  // the temporary file goes with `file`
  return file.commit() ? QString() : file.errorString();
}

}  // namespace

struct MruFile::State {
  TString path;
  mutable std::mutex mutex;  // guards the members below
  std::list<TString> classes;
  bool holdsList = false;
  // The path is not a regular file, or cannot be read: it is never written, and the list lives
  // in memory only.
  bool leftAlone = false;
  bool saved = true;
  bool writeFailureLogged = false;
  bool droppedLogged = false;  // entries that are no class name, until a write drops them

  void Load();
  void ReadFile();
  void LeaveAlone(const QString& reason);
  void SetAside(const QString& reason);
  template <typename Change>
  void ChangeAndSave(Change change);
};

void MruFile::State::LeaveAlone(const QString& reason) {
  leftAlone = true;
  LogMessage(TLog::Warn, QStringLiteral("The list of recent connections in %1 cannot be read (%2); the file is left "
                                        "as it is, and a list is kept in memory for this session.")
                             .arg(path, reason));
}

void MruFile::State::SetAside(const QString& reason) {
  classes.clear();
  holdsList = false;
  const QString aside = DamagedName(path);
  const bool renamed = QFile::rename(path, aside);
  LogMessage(TLog::Warn, renamed ? QStringLiteral("The list of recent connections in %1 cannot be read (%2); it was "
                                                  "kept as %3 and a new list started.")
                                       .arg(path, reason, aside)
                                 : QStringLiteral("The list of recent connections in %1 cannot be read (%2), nor "
                                                  "moved aside; a new list is kept in memory.")
                                       .arg(path, reason));
  if (!renamed) leftAlone = true;
}

// Reads the file into the list; the caller holds the file's lock when it could take it.
void MruFile::State::ReadFile() {
  QByteArray text;
  try {
    text = TFile::LoadBytes(TPath(path), kMaxFileBytes);
  } catch (const FileReadException& fault) {
    switch (fault.GetFault()) {
      case FileReadException::Fault::kMissing:  // no list yet, or it was removed: the one in memory stays
        return;
      case FileReadException::Fault::kNotRegularFile:
      case FileReadException::Fault::kUnreadable:
        LeaveAlone(fault.GetReason());
        return;
      case FileReadException::Fault::kTooLarge:
      case FileReadException::Fault::kNotUtf8:
        SetAside(fault.GetReason());
        return;
    }
    HLV_ASSERT(!"an unknown fault");
  }
  try {
    ParsedList parsed = ParseList(text);
    classes = std::move(parsed.classes);
    holdsList = true;
    if (parsed.dropped > 0 && !droppedLogged) {
      droppedLogged = true;
      LogMessage(TLog::Warn, QStringLiteral("The list of recent connections in %1 holds %2 entries that are not "
                                            "connection classes; they were left out.")
                                 .arg(path)
                                 .arg(parsed.dropped));
    }
  } catch (const HardenedJson::JsonTextException& fault) {
    SetAside(fault.GetMessage());
  } catch (const ForeignContent& fault) {
    SetAside(fault.GetMessage());
  }
}

void MruFile::State::Load() {
  const QFileInfo info(path);
  // Nothing to lock: read only to tell a missing file from one in a folder that cannot be read.
  if (!info.exists()) return ReadFile();
  // Refused before a lock file is made beside it: nothing is ever added to a folder such as /dev.
  if (!info.isFile()) {
    LeaveAlone(QStringLiteral("it is not a regular file"));
    return;
  }
  QLockFile lock(path + QStringLiteral(".lock"));
  // Without the lock (a folder that cannot be written to) the file is read all the same.
  lock.tryLock(kLockWaitMilliseconds);
  ReadFile();
}

// Makes `change` to the list as the file holds it now, and saves the result.
template <typename Change>
void MruFile::State::ChangeAndSave(Change change) {
  if (!leftAlone && QFileInfo::exists(path) && !QFileInfo(path).isFile())
    LeaveAlone(QStringLiteral("it is not a regular file"));
  if (leftAlone) {
    change();
    saved = false;
    return;
  }
  QString failure;
  QLockFile lock(path + QStringLiteral(".lock"));
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    failure = QStringLiteral("its folder cannot be made");
  else if (!lock.tryLock(kLockWaitMilliseconds) && lock.error() == QLockFile::LockFailedError)
    failure = QStringLiteral("another process has kept it locked for %1 s").arg(kLockWaitMilliseconds / 1000);
  else
    ReadFile();  // without the lock only when the folder cannot be written to: the write fails too
  change();
  if (leftAlone) {
    saved = false;
    return;
  }
  if (failure.isEmpty()) failure = WriteWhole(path, Serialize(classes));
  saved = failure.isEmpty();
  if (saved || writeFailureLogged) return;
  writeFailureLogged = true;
  LogMessage(TLog::Warn, QStringLiteral("The list of recent connections cannot be saved to %1 (%2); the file keeps "
                                        "its previous list, and this session's list is kept in memory.")
                             .arg(path, failure));
}

MruFile::MruFile(TString path) : m_state(std::make_unique<State>()) {
  m_state->path = std::move(path);
  m_state->Load();
}

MruFile::~MruFile() = default;

bool MruFile::IsRecordable(const TString& connectionClass) {
  if (connectionClass.size() > kMaxClassNameLength)
    LogMessage(TLog::Warn, QStringLiteral("A connection class of %1 characters is longer than any class name; it is "
                                          "not recorded in the list of recent connections.")
                               .arg(connectionClass.size()));
  return IsClassName(connectionClass);
}

std::list<TString> MruFile::Normalized(const std::list<TString>& classes) {
  std::list<TString> kept;
  for (const TString& connectionClass : classes) {
    if (kept.size() == kMaxEntries) break;
    if (!IsClassName(connectionClass) || std::find(kept.begin(), kept.end(), connectionClass) != kept.end()) continue;
    kept.push_back(connectionClass);
  }
  return kept;
}

TString MruFile::DefaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/hlvpres/mru-connections.json");
}

const TString& MruFile::GetPath() const noexcept { return m_state->path; }

void MruFile::SetDefaultConnectionClasses(const std::list<TString>& classes) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  if (m_state->holdsList) return;
  State& state = *m_state;
  // Another process may have made a list since this one was read: then it is kept as it is.
  state.ChangeAndSave([&state, &classes] {
    if (state.holdsList) return;
    state.classes = Normalized(classes);
    state.holdsList = true;
  });
}

bool MruFile::NeedsDefaults() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return !m_state->holdsList;
}

std::list<TString> MruFile::GetConnectionClasses() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->classes;
}

void MruFile::AddConnectionClass(const TString& connectionClass) {
  if (!IsRecordable(connectionClass)) return;
  std::lock_guard<std::mutex> lock(m_state->mutex);
  State& state = *m_state;
  state.ChangeAndSave([&state, &connectionClass] {
    state.classes.remove(connectionClass);
    state.classes.push_front(connectionClass);
    if (state.classes.size() > kMaxEntries) state.classes.resize(kMaxEntries);
    state.holdsList = true;
  });
}

bool MruFile::IsSaved() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->saved;
}
