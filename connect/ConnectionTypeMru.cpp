#include "connect/ConnectionTypeMru.h"

#include "host/Exceptions.h"
#include "host/connectors/MruFile.h"

#include <utility>

namespace {

class NullConnectionTypeMru final : public IConnectionTypeMru {
 public:
  void SetDefaultConnectionClasses(const std::list<TString>&) override {}
  bool NeedsDefaults() const override { return false; }
  std::list<TString> GetConnectionClasses() const override { return {}; }
  void AddConnectionClass(const TString&) override {}
};

class PersistentConnectionTypeMru final : public IConnectionTypeMru {
 public:
  explicit PersistentConnectionTypeMru(std::shared_ptr<MruFile> file) : m_file(std::move(file)) {}

  void SetDefaultConnectionClasses(const std::list<TString>& classes) override {
    m_file->SetDefaultConnectionClasses(classes);
  }
  bool NeedsDefaults() const override { return m_file->NeedsDefaults(); }
  std::list<TString> GetConnectionClasses() const override { return m_file->GetConnectionClasses(); }
  void AddConnectionClass(const TString& connectionClass) override { m_file->AddConnectionClass(connectionClass); }

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
