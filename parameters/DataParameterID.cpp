#include "parameters/DataParameterID.h"

#include "host/Exceptions.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterRegistration.h"

TString ParameterTypeSerializer<DataParameterID>::TypeToString(const DataParameterID& id) {
  const LegacyParameterName name = ParametersRegistry::Get().FindParameterName(static_cast<unsigned int>(id));
  if (name.IsEmpty()) Implementation::ThrowXMLEnumEncodingException("DataParameterID", static_cast<long long>(id));
  return name.GetValue();
}

DataParameterID ParameterTypeSerializer<DataParameterID>::TypeFromString(const TString& name) {
  return static_cast<DataParameterID>(
      ParametersRegistry::Get().FindParameterId(GetDataNamespaceName(), LegacyParameterName(name)));
}

RefCntPtr<IParameterSerializer> CreateDataParameterIDSerializer() {
  return MakeRefCnt<ParameterTypeSerializer<DataParameterID>>();
}
