// DataSource: a data source held in memory, for hosts that keep their data sources themselves
// and for tests.
#pragma once

#include "host/HostExport.h"
#include "host/connect/DataSource.h"

#include <map>

/// A data source with its connection class and attributes, its relations by alias, the
/// captions of its parameters and a caption of its own. Set it up before handing it on: it is
/// then only read, and may be read from several threads.
class HLVHOST_API DataSource final : public IDataSource {
 public:
  DataSource(TString connectionClass, ConnectionAttributeMap attributes);

  TString GetConnectionClass() const override { return m_connectionClass; }
  ConnectionAttributeMap GetConnectionAttributes() const override { return m_attributes; }
  /// An info provider giving the caption, or null when the data source has none.
  RefCntPtr<const IDataSourceInfoProvider> GetDataSourceInfoProvider() const override { return m_infoProvider; }
  bool SkipsConnectionDescription() const override { return m_skipsConnectionDescription; }
  TString GetParameterCaption(const TString& name) const override;
  RefCntPtr<const SQLRelation> GetRelationForAlias(const TString& alias) const override;

  /// Gives the data source the caption users see (through its info provider).
  void SetCaption(const TString& caption);
  void SetSkipsConnectionDescription(bool skips) noexcept { m_skipsConnectionDescription = skips; }
  /// Adds `relation` under its alias, replacing a relation of the same alias.
  void AddRelation(RefCntPtr<const SQLRelation> relation);
  void SetParameterCaption(const TString& name, const TString& caption);

 private:
  ~DataSource() override;

  TString m_connectionClass;
  ConnectionAttributeMap m_attributes;
  RefCntPtr<const IDataSourceInfoProvider> m_infoProvider;
  bool m_skipsConnectionDescription = false;
  std::map<TString, RefCntPtr<const SQLRelation>> m_relations;
  std::map<TString, TString> m_parameterCaptions;
};
