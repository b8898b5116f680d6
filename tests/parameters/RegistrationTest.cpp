#include "host/Exceptions.h"
#include "host/parameters/ParametersRegistry.h"
#include "parameters/ParameterCatalog.h"
#include "parameters/ParameterIds.h"
#include "parameters/ParameterRegistration.h"
#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Entry = std::tuple<unsigned int, std::string, ParameterKind, unsigned int, bool>;

// What a registry holds of a namespace, in registration order.
std::vector<Entry> Contents(const ParametersRegistry& registry, const ParameterNamespaceName& ns) {
  std::vector<Entry> entries;
  for (const ParameterInfo* info : registry.GetParameters(ns))
    entries.emplace_back(info->GetId(), info->GetUtf8Name(), info->GetKind(), info->GetFlags(),
                         info->GetValueSerializer() != nullptr || info->GetStructureSerializer() != nullptr);
  return entries;
}

int CountFlag(const std::vector<Entry>& entries, ParameterFlag flag) {
  int count = 0;
  for (const Entry& entry : entries) count += (std::get<3>(entry) & flag) != 0;
  return count;
}

TEST(RegistrationTest, RegistersTheWholeVocabularyWithItsFlags) {
  const std::vector<Entry> data = Contents(ParametersRegistry::Get(), GetDataNamespaceName());
  const std::vector<Entry> presModels =
      Contents(ParametersRegistry::Get(), GetDataPresModelParametersNamespaceName());
  ASSERT_EQ(data.size(), 639u);
  ASSERT_EQ(presModels.size(), 69u);
  EXPECT_EQ(CountFlag(data, kParameterSecuritySensitive), 55);
  EXPECT_EQ(CountFlag(data, kParameterNeverAdulterateMapKeys), 9);
  EXPECT_EQ(CountFlag(data, kParameterUnserializable), 1);
  EXPECT_EQ(CountFlag(presModels, kParameterSecuritySensitive), 0);

  // "column-context" comes last, without a serializer, and is the only one without.
  EXPECT_EQ(data.back(), Entry(DataParameters::ColumnContext, "column-context", ParameterKind::kSimple,
                               kParameterUnserializable, false));
  for (size_t i = 0; i + 1 < data.size(); ++i) EXPECT_TRUE(std::get<4>(data[i])) << std::get<1>(data[i]);
  for (const Entry& entry : presModels) EXPECT_TRUE(std::get<4>(entry)) << std::get<1>(entry);

  // "string-map" is a secret, but its keys may be rewritten.
  const ParameterInfo* stringMap = ParametersRegistry::Get().FindParameter(DataParameters::StringMap);
  EXPECT_TRUE(stringMap->HasFlag(kParameterSecuritySensitive));
  EXPECT_FALSE(stringMap->HasFlag(kParameterNeverAdulterateMapKeys));
}

TEST(RegistrationTest, TheThreeDataOverloadsRegisterTheSame) {
  ParametersRegistry byName;
  RegisterDataNamespaceParameters(byName);
  ParametersRegistry underOtherName;
  const ParameterNamespaceName other(L"hlvdata-copy");
  RegisterDataNamespaceParameters(underOtherName, other);
  EXPECT_EQ(Contents(byName, GetDataNamespaceName()), Contents(ParametersRegistry::Get(), GetDataNamespaceName()));
  EXPECT_EQ(Contents(underOtherName, other), Contents(byName, GetDataNamespaceName()));
  EXPECT_EQ(underOtherName.FindParameter(DataParameters::InitialSql)->GetNamespace(), other);

  // A namespace is registered once per registry.
  EXPECT_THROW(RegisterDataNamespaceParameters(byName), LogicException);
  EXPECT_THROW(RegisterDataPresModelParameters(), LogicException);
}

TEST(RegistrationTest, OneSerializerPerValueTypePerGroupHeldOnlyByTheRegistry) {
  ParametersRegistry registry;
  RegisterDataNamespaceParameters(registry);
  const auto serializerOf = [&registry](unsigned int id) {
    const ParameterInfo* info = registry.FindParameter(id);
    return info->GetValueSerializer() != nullptr ? static_cast<const RefCntObject*>(info->GetValueSerializer())
                                                 : info->GetStructureSerializer();
  };
  // One bool serializer serves the simple booleans and the map of booleans.
  EXPECT_EQ(serializerOf(DataParameters::AllowCustomSql), serializerOf(DataParameters::ZoneIdsVisibilityMap));
  // The string group shares one serializer between simple values, lists and maps. Its lists and
  // maps all hold secrets, so each reaches it through a guard of its own; the reference count
  // below still counts every one of them.
  EXPECT_EQ(serializerOf(DataParameters::InitialSql), serializerOf(DataParameters::CatalogListPrompt));
  // Records and enums share within their type.
  EXPECT_EQ(serializerOf(DataParameters::Cube), serializerOf(DataParameters::Cubes));
  EXPECT_EQ(serializerOf(DataParameters::DataType), serializerOf(DataParameters::RhsDataType));
  EXPECT_NE(serializerOf(DataParameters::Cube), serializerOf(DataParameters::CubeCatalog));

  // The adder released its own references: the registry's are the only ones left.
  int stringParameters = 0;
  for (const ParameterDescriptor& entry : DataNamespaceCatalog())
    stringParameters += entry.valueType != nullptr && std::strcmp(entry.valueType, "TString") == 0;
  EXPECT_EQ(serializerOf(DataParameters::InitialSql)->GetRefCount(), stringParameters);
}

TEST(RegistrationTest, PresModelNamespaceAndPlugInEntryPoints) {
  ParametersRegistry registry;
  RegisterDataPresModelParameters(registry, GetDataPresModelParametersNamespaceName());
  const ParameterInfo* initialSql = registry.FindParameter(0x0224eb59);
  ASSERT_NE(initialSql, nullptr);
  EXPECT_EQ(initialSql->GetName(), QStringLiteral("gen-initial-sqlpres-model"));
  EXPECT_EQ(initialSql->GetKind(), ParameterKind::kStructure);
  EXPECT_EQ(registry.FindParameter(DataParameters::InitialSql), nullptr);  // only the pres-model namespace

  EXPECT_STREQ(GetPresModelParametersNamespace(), "hlvdata-presmodels");
  EXPECT_EQ(GetDataPresModelParametersNamespaceName().GetValue(), QStringLiteral("hlvdata-presmodels"));
  EXPECT_EQ(GetPresLayerCapabilities(), 0u);
}

}  // namespace
