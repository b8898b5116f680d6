// The value serializers of the host's style enums, which write the host's own strings.
#pragma once

#include "host/parameters/EncodedEnumSerializer.h"
#include "host/style/StyleEnums.h"
#include "parameters/PresLayerExport.h"

// The host singletons the serializers write through.
inline const EnumXMLEncoding<AnimationOn, TString>& AnimationOnEncoding() {
  return StylesEnumEncoding::AnimationOnEncodings::sSingleton;
}
inline const EnumXMLEncoding<AnimationStyle, TString>& AnimationStyleEncoding() {
  return StylesEnumEncoding::AnimationStyleEncodings::sSingleton;
}
inline const EnumXMLEncoding<LinePattern, TString>& LinePatternEncoding() {
  return StylesEnumEncoding::RenderLinePatternEncodings::sSingleton;
}
inline const EnumXMLEncoding<LineVisibility, TString>& LineVisibilityEncoding() {
  return StylesEnumEncoding::LineVisibilityEncodings::sSingleton;
}
inline const EnumXMLEncoding<StylesLinePattern, TString>& StylesLinePatternEncoding() {
  return StylesEnumEncoding::StylesLinePatternEncodings::sSingleton;
}
inline const EnumXMLEncoding<StyleTheme, TString>& StyleThemeEncoding() {
  return StylesheetEncodings::StyleThemeEncodings::Singleton();
}

template <>
class HLVPRES_API ParameterTypeSerializer<AnimationOn> final
    : public EncodedEnumSerializer<AnimationOn, &AnimationOnEncoding> {};
template <>
class HLVPRES_API ParameterTypeSerializer<AnimationStyle> final
    : public EncodedEnumSerializer<AnimationStyle, &AnimationStyleEncoding> {};
template <>
class HLVPRES_API ParameterTypeSerializer<LinePattern> final
    : public EncodedEnumSerializer<LinePattern, &LinePatternEncoding> {};
template <>
class HLVPRES_API ParameterTypeSerializer<LineVisibility> final
    : public EncodedEnumSerializer<LineVisibility, &LineVisibilityEncoding> {};
template <>
class HLVPRES_API ParameterTypeSerializer<StylesLinePattern> final
    : public EncodedEnumSerializer<StylesLinePattern, &StylesLinePatternEncoding> {};
template <>
class HLVPRES_API ParameterTypeSerializer<StyleTheme> final
    : public EncodedEnumSerializer<StyleTheme, &StyleThemeEncoding> {};

template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AnimationOn>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<AnimationStyle>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<LinePattern>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<LineVisibility>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<StylesLinePattern>>();
template <>
HLVPRES_API RefCntPtr<IParameterSerializer> CreateParameterSerializer<ParameterTypeSerializer<StyleTheme>>();
