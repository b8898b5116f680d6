#include "host/Exceptions.h"
#include "host/parameters/ParametersRegistry.h"
#include "tests/host/TestVocabulary.h"

#include "tests/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

using namespace testvocabulary;

TEST(ParametersRegistryTest, FindsParametersByIdAndNameInRegistrationOrder) {
  ParametersRegistry registry;
  Register(registry);
  const ParameterNamespaceName ns(L"test");

  const ParameterInfo* list = registry.FindParameter(kList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetName(), QStringLiteral("list"));
  EXPECT_EQ(list->GetKind(), ParameterKind::kList);
  EXPECT_EQ(list->GetNamespace(), ns);
  EXPECT_EQ(registry.FindParameter(ns, QStringLiteral("map")), registry.FindParameter(kMap));
  EXPECT_EQ(registry.FindParameterByUtf8Name("items")->GetId(), kItems);
  EXPECT_EQ(registry.FindParameter(0x1f), nullptr);

  EXPECT_EQ(registry.FindParameterName(kText).GetValue(), QStringLiteral("text"));
  EXPECT_TRUE(registry.FindParameterName(0x1f).IsEmpty());
  EXPECT_EQ(registry.FindParameterId(ns, LegacyParameterName(QStringLiteral("flag"))), kFlag);
  EXPECT_EQ(registry.FindParameterId(ns, LegacyParameterName(QStringLiteral("nothing"))), 0u);
  EXPECT_EQ(registry.FindParameterId(ParameterNamespaceName(L"other"), LegacyParameterName(QStringLiteral("flag"))), 0u);

  std::vector<unsigned int> ids;
  for (const ParameterInfo* info : registry.GetParameters(ns)) ids.push_back(info->GetId());
  EXPECT_EQ(ids, (std::vector<unsigned int>{kText, kList, kMap, kSub, kItems, kFlag, kCount, kHidden, kVerbatimMap}));
}

TEST(ParametersRegistryTest, KeepsFlagsAndTheSerializersAlive) {
  ParametersRegistry registry;
  Register(registry);  // the adder's caller released its serializers at once
  EXPECT_TRUE(registry.FindParameter(kHidden)->HasFlag(kParameterUnserializable));
  EXPECT_EQ(registry.FindParameter(kHidden)->GetValueSerializer(), nullptr);
  EXPECT_TRUE(registry.FindParameter(kVerbatimMap)->HasFlag(kParameterNeverAdulterateMapKeys));
  EXPECT_EQ(registry.FindParameter(kMap)->GetFlags(), 0u);
  // A flag changes the registry's generation, which no other registry shares.
  const std::uint64_t generation = registry.GetGeneration();
  EXPECT_NE(generation, ParametersRegistry().GetGeneration());
  registry.AddSecuritySensitive(kText);
  EXPECT_TRUE(registry.FindParameter(kText)->HasFlag(kParameterSecuritySensitive));
  EXPECT_NE(registry.GetGeneration(), generation);

  // One serializer instance serves the four string parameters, the secret among them: the
  // registry hands back the serializer each was registered with.
  IParameterSerializer* text = registry.FindParameter(kList)->GetValueSerializer();
  EXPECT_EQ(text, registry.FindParameter(kMap)->GetValueSerializer());
  EXPECT_EQ(text, registry.FindParameter(kText)->GetValueSerializer());
  EXPECT_EQ(text->GetRefCount(), 4);  // text, list, map and verbatim-map
}

TEST(ParametersRegistryTest, RejectsInconsistentRegistrations) {
  ParametersRegistry registry;
  Register(registry);
  RefCntPtr<IParameterSerializer> text = CreateParameterSerializer<TStringSerializer>();
  const auto add = [&](unsigned int id, const wchar_t* name) {
    registry.AddParametersToNamespace(ParameterNamespaceName(L"test"),
                                      [&](AbstractParamAdder& adder) { adder.AddSimple(id, name, text.Get()); });
  };
  EXPECT_THROW(add(0x20, L"outside"), LogicException);
  EXPECT_THROW(add(kList, L"same-id"), LogicException);
  EXPECT_THROW(add(0x1e, L"text"), LogicException);
  EXPECT_THROW(registry.RegisterNamespace(ParameterNamespaceName(L"test"), 0x100, 0x1ff), LogicException);
  EXPECT_THROW(registry.RegisterNamespace(ParameterNamespaceName(L"overlap"), 0x1f, 0x2f), LogicException);
  EXPECT_THROW(registry.AddParametersToNamespace(ParameterNamespaceName(L"missing"), [](AbstractParamAdder&) {}),
               LogicException);
  EXPECT_THROW(registry.AddSecuritySensitive(0x1e), LogicException);
  EXPECT_THROW(registry.AddNeverAdulterateMapKeys(kList), LogicException);
  // Nothing of a rejected parameter was kept.
  EXPECT_EQ(registry.FindParameter(0x20), nullptr);
  EXPECT_EQ(registry.FindParameter(0x1e), nullptr);
}

TEST(ParametersRegistryTest, BagsKeepFirstInsertionOrderAndRejectNull) {
  ParametersRegistry registry;
  RefCntPtr<IParameters> bag = registry.CreateParameters();
  unsigned int only = 0;
  EXPECT_EQ(bag->GetOnlyParameter(only), nullptr);
  bag->SetParameter(3, MakeValParameter(1));
  EXPECT_EQ(bag->GetOnlyParameter(only), bag->GetParameter(3));
  EXPECT_EQ(only, 3u);
  bag->SetParameter(1, MakeValParameter(2));
  EXPECT_EQ(bag->GetOnlyParameter(only), nullptr);
  bag->SetParameter(3, MakeValParameter(QStringLiteral("replaced")));
  EXPECT_EQ(bag->GetParameterIds(), (std::vector<unsigned int>{3, 1}));
  EXPECT_EQ(FindParameterValue<int>(*bag, 3), nullptr);  // the value of another type replaced it
  EXPECT_EQ(*FindParameterValue<TString>(*bag, 3), QStringLiteral("replaced"));
  EXPECT_FALSE(bag->HasParameter(2));
  EXPECT_THROW(GetParameterValue<int>(*bag, 2), TypeMismatchCommandException);
  EXPECT_THROW(bag->SetParameter(4, nullptr), LogicException);
}

}  // namespace
