#include "host/connectors/DataSource.h"

#include "host/Exceptions.h"

#include <utility>

namespace {

class CaptionProvider final : public IDataSourceInfoProvider {
 public:
  explicit CaptionProvider(TString caption) : m_caption(std::move(caption)) {}
  TString GetDataSourceCaption() const override { return m_caption; }

 private:
  ~CaptionProvider() override = default;

  TString m_caption;
};

}  // namespace

DataSource::DataSource(TString connectionClass, ConnectionAttributeMap attributes)
    : m_connectionClass(std::move(connectionClass)), m_attributes(std::move(attributes)) {}

DataSource::~DataSource() = default;

TString DataSource::GetParameterCaption(const TString& name) const {
  const auto found = m_parameterCaptions.find(name);
  return found == m_parameterCaptions.end() ? name : found->second;
}

RefCntPtr<const SQLRelation> DataSource::GetRelationForAlias(const TString& alias) const {
  const auto found = m_relations.find(alias);
  return found == m_relations.end() ? nullptr : found->second;
}

void DataSource::SetCaption(const TString& caption) { m_infoProvider = MakeRefCnt<CaptionProvider>(caption); }

void DataSource::AddRelation(RefCntPtr<const SQLRelation> relation) {
  HLV_ASSERT(relation);
  const TString alias = relation->GetAlias();
  m_relations.insert_or_assign(alias, std::move(relation));
}

void DataSource::SetParameterCaption(const TString& name, const TString& caption) {
  m_parameterCaptions.insert_or_assign(name, caption);
}
