// A small parameter namespace for testing the framework apart from the library's vocabulary.
#pragma once

#include "host/parameters/ParameterTypeSerializer.h"
#include "host/parameters/ParametersRegistry.h"

namespace testvocabulary {

inline constexpr unsigned int kText = 0x11;
inline constexpr unsigned int kList = 0x12;
inline constexpr unsigned int kMap = 0x13;
inline constexpr unsigned int kSub = 0x14;
inline constexpr unsigned int kItems = 0x15;
inline constexpr unsigned int kFlag = 0x16;
inline constexpr unsigned int kCount = 0x17;  // "number"
inline constexpr unsigned int kHidden = 0x18;
inline constexpr unsigned int kVerbatimMap = 0x19;

/// Registers namespace "test" (ids 0x10 to 0x1f) with `registry`. The structure parameters get
/// `structures` as their serializer (null when a test only writes their names).
inline void Register(ParametersRegistry& registry, IStructureSerializer* structures = nullptr) {
  const ParameterNamespaceName ns(L"test");
  registry.RegisterNamespace(ns, 0x10, 0x1f);
  registry.AddParametersToNamespace(ns, [structures](AbstractParamAdder& adder) {
    RefCntPtr<IParameterSerializer> text = CreateParameterSerializer<TStringSerializer>();
    RefCntPtr<IParameterSerializer> flag = CreateParameterSerializer<ParameterTypeSerializer<bool>>();
    RefCntPtr<IParameterSerializer> count = CreateParameterSerializer<ParameterTypeSerializer<int>>();
    adder.AddSimple(kText, L"text", text.Get());
    adder.AddList(kList, L"list", text.Get());
    adder.AddMap(kMap, L"map", text.Get());
    adder.AddStructure(kSub, L"sub", structures);
    adder.AddStructureList(kItems, L"items", structures);
    adder.AddSimple(kFlag, L"flag", flag.Get());
    adder.AddSimple(kCount, L"number", count.Get());
    adder.AddSimple(kHidden, L"hidden", nullptr);
    adder.AddMap(kVerbatimMap, L"verbatim-map", text.Get());
  });
  registry.AddUnserializable(kHidden);
  registry.AddNeverAdulterateMapKeys(kVerbatimMap);
}

}  // namespace testvocabulary
