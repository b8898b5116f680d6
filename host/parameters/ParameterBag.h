// ParameterBag: the parameter bag the registry creates.
#pragma once

#include "host/parameters/IParameters.h"

#include <utility>
#include <vector>

/// A parameter bag that keeps its entries in the order in which they were first set.
///
/// Bags are small (a record's fields at most), so a flat vector searched in order is both the
/// simplest and the fastest storage.
class ParameterBag final : public IParameters {
 public:
  void SetParameter(unsigned int id, RefCntPtr<IParameter> value) override;
  IParameter* GetParameter(unsigned int id) const override;
  bool HasParameter(unsigned int id) const override;
  std::vector<unsigned int> GetParameterIds() const override;
  void ForEachParameter(const std::function<void(unsigned int, IParameter&)>& visit) const override;
  IParameter* GetOnlyParameter(unsigned int& id) const override;

 private:
  ~ParameterBag() override;

  std::vector<std::pair<unsigned int, RefCntPtr<IParameter>>> m_entries;
};
