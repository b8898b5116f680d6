#include "connect/ConnectionTypeMru.h"

#include "host/Exceptions.h"
#include "host/connect/ConnectorRegistry.h"
#include "host/connectors/MruFile.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

class NullConnectionTypeMru final : public IConnectionTypeMru {
 public:
  void SetDefaultConnectionClasses(const std::list<TString>&) override {}
  bool NeedsDefaults() const override { return false; }
  std::list<TString> GetConnectionClasses() const override { return {}; }
  void AddConnectionClass(const TString&) override {}
};

// The classes the registry lists as connecting to a server.
std::vector<TString> ServerClasses() {
  return Connect::Registry::Instance().GetConnectionClasses(Connect::ConnectionClassKind::kServer);
}

bool Contains(const std::vector<TString>& classes, const TString& connectionClass) {
  return std::find(classes.begin(), classes.end(), connectionClass) != classes.end();
}

// The list of recent server connections: a file class is neither recorded nor, when an older
// list holds one, shown.
class PersistentConnectionTypeMru final : public IConnectionTypeMru {
 public:
  explicit PersistentConnectionTypeMru(std::shared_ptr<MruFile> file) : m_file(std::move(file)) {}

  void SetDefaultConnectionClasses(const std::list<TString>& classes) override {
    m_file->SetDefaultConnectionClasses(classes);
  }
  bool NeedsDefaults() const override { return m_file->NeedsDefaults(); }
  std::list<TString> GetConnectionClasses() const override {
    std::list<TString> classes = m_file->GetConnectionClasses();
    const std::vector<TString> servers = ServerClasses();
    classes.remove_if([&servers](const TString& connectionClass) { return !Contains(servers, connectionClass); });
    return classes;
  }
  void AddConnectionClass(const TString& connectionClass) override {
    if (Contains(ServerClasses(), connectionClass)) m_file->AddConnectionClass(connectionClass);
  }

 private:
  std::shared_ptr<MruFile> m_file;
};

}  // namespace

IConnectionTypeMru::~IConnectionTypeMru() = default;

std::unique_ptr<IConnectionTypeMru> ConnectionTypeMruFactory::CreateNull() {
  return std::make_unique<NullConnectionTypeMru>();
}

std::unique_ptr<IConnectionTypeMru> ConnectionTypeMruFactory::CreatePersistent(const TString& path) {
  return CreatePersistent(std::make_shared<MruFile>(path));
}

std::unique_ptr<IConnectionTypeMru> ConnectionTypeMruFactory::CreatePersistent(std::shared_ptr<MruFile> file) {
  HLV_ASSERT(file);
  return std::make_unique<PersistentConnectionTypeMru>(std::move(file));
}
