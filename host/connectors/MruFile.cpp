#include "host/connectors/MruFile.h"

#include "host/Exceptions.h"
#include "host/app/Log.h"
#include "host/detail/HardenedJson.h"
#include "host/io/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

namespace {

constexpr char kClassesMember[] = "connection-classes";
// A list of eight classes is a few hundred bytes; anything far larger is not ours.
constexpr HardenedJson::Limits kMruFileLimits{4, std::size_t{64} << 10};
constexpr int kLongestClassName = 256;

/// A file that holds something other than a list of classes.
class ForeignContent : public HalvaneException {
 public:
  using HalvaneException::HalvaneException;
};

// `classes` without repeats and cut to the longest list kept, in order.
std::list<TString> Normalized(const std::list<TString>& classes) {
  std::list<TString> kept;
  for (const TString& connectionClass : classes) {
    if (kept.size() == MruFile::kMaxEntries) break;
    if (connectionClass.isEmpty() || std::find(kept.begin(), kept.end(), connectionClass) != kept.end()) continue;
    kept.push_back(connectionClass);
  }
  return kept;
}

std::list<TString> ParseList(const std::string& text) {
  rapidjson::Document document;
  HardenedJson::Parse(text, document, kMruFileLimits);
  if (!document.IsObject()) throw ForeignContent(QStringLiteral("it does not hold a JSON object"));
  const auto member = document.FindMember(kClassesMember);
  if (member == document.MemberEnd() || !member->value.IsArray())
    throw ForeignContent(QStringLiteral("it has no \"%1\" list").arg(QLatin1String(kClassesMember)));
  std::list<TString> classes;
  for (const auto& entry : member->value.GetArray()) {
    if (!entry.IsString() || entry.GetStringLength() == 0 || entry.GetStringLength() > kLongestClassName)
      throw ForeignContent(QStringLiteral("an entry of its list is not a connection class"));
    classes.push_back(TStringFromUtf8({entry.GetString(), entry.GetStringLength()}));
  }
  return Normalized(classes);
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

}  // namespace

struct MruFile::State {
  TString path;
  mutable std::mutex mutex;  // guards the members below
  std::list<TString> classes;
  bool holdsList = false;
  bool writeFailureLogged = false;

  void Load();
  void Save();
};

void MruFile::State::Load() {
  if (!QFileInfo::exists(path)) return;
  try {
    classes = ParseList(ToUtf8(TFile::LoadTextFile(TPath(path), true)));
    holdsList = true;
    return;
  } catch (const HalvaneException& fault) {  // any unreadable content: kept aside below
    const QString aside = DamagedName(path);
    const bool renamed = QFile::rename(path, aside);
    LogMessage(TLog::Warn, renamed ? QStringLiteral("The list of recent connections in %1 cannot be read (%2); it was "
                                                    "kept as %3 and a new list started.")
                                         .arg(path, fault.GetMessage(), aside)
                                   : QStringLiteral("The list of recent connections in %1 cannot be read (%2), nor "
                                                    "moved aside; a new list is kept in memory.")
                                         .arg(path, fault.GetMessage()));
  }
}

void MruFile::State::Save() {
  holdsList = true;
  const QByteArray bytes = Serialize(classes);
  QSaveFile file(path);
  QString failure;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    failure = QStringLiteral("its folder cannot be made");
  } else if (!file.open(QIODevice::WriteOnly)) {
    failure = file.errorString();
  } else {
    const int half = bytes.size() / 2;
    bool written = file.write(bytes.constData(), half) == half;
    if (const unsigned long pause = TestPauseMidWrite()) {
      file.flush();
      LogMessage(TLog::Debug, QStringLiteral("Test hook: the write of %1 pauses half-way for %2 ms").arg(path).arg(pause));
      QThread::msleep(pause);
    }
    written = written && file.write(bytes.constData() + half, bytes.size() - half) == bytes.size() - half;
    if (!written) {
      failure = file.errorString();
      file.cancelWriting();
    } else if (!file.commit()) {
      failure = file.errorString();
    }
  }
  if (failure.isEmpty() || writeFailureLogged) return;
  writeFailureLogged = true;
  LogMessage(TLog::Warn, QStringLiteral("The list of recent connections cannot be saved to %1 (%2); it is kept in "
                                        "memory for this session.")
                             .arg(path, failure));
}

MruFile::MruFile(TString path) : m_state(std::make_unique<State>()) {
  m_state->path = std::move(path);
  m_state->Load();
}

MruFile::~MruFile() = default;

TString MruFile::DefaultPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/hlvpres/mru-connections.json");
}

const TString& MruFile::GetPath() const noexcept { return m_state->path; }

void MruFile::SetDefaultConnectionClasses(const std::list<TString>& classes) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  if (m_state->holdsList) return;
  m_state->classes = Normalized(classes);
  m_state->Save();
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
  if (connectionClass.isEmpty()) return;
  std::lock_guard<std::mutex> lock(m_state->mutex);
  std::list<TString>& classes = m_state->classes;
  classes.remove(connectionClass);
  classes.push_front(connectionClass);
  if (classes.size() > kMaxEntries) classes.resize(kMaxEntries);
  m_state->Save();
}
