#include "parameters/StyleEnumSerializers.h"

template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AnimationOn>>() {
  return MakeRefCnt<ParameterTypeSerializer<AnimationOn>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AnimationStyle>>() {
  return MakeRefCnt<ParameterTypeSerializer<AnimationStyle>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<LinePattern>>() {
  return MakeRefCnt<ParameterTypeSerializer<LinePattern>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<LineVisibility>>() {
  return MakeRefCnt<ParameterTypeSerializer<LineVisibility>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<StylesLinePattern>>() {
  return MakeRefCnt<ParameterTypeSerializer<StylesLinePattern>>();
}
template <>
RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<StyleTheme>>() {
  return MakeRefCnt<ParameterTypeSerializer<StyleTheme>>();
}
