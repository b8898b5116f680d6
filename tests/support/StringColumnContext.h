// The read context of the full records: their aliased data values hold strings.
#pragma once

#include "host/parameters/ParametersRegistry.h"
#include "host/values/DataColumn.h"
#include "parameters/ParameterIds.h"

/// A read context holding an empty string column, against which the aliased data values of the
/// full records are read back.
inline RefCntPtr<IParameters> StringColumnContext() {
  RefCntPtr<IParameters> context = ParametersRegistry::Get().CreateParameters();
  const RefCntPtr<const VizEngine::UserType> type = MakeRefCnt<VizEngine::StringType>(Collation());
  context->SetParameter(DataParameters::ColumnContext,
                        MakeValParameter(RefCntPtr<IColumn>(MakeRefCnt<DataColumn>(type, std::vector<DataValue>()))));
  return context;
}
