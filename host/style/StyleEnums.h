// The host's style enums and their encodings.
//
// Their strings are the host's own:
//
//   AnimationOn        animation-off animation-on (0, 1; default animation-off)
//   AnimationStyle     simultaneous sequential (0, 1; default simultaneous)
//   LinePattern        solid dashed dotted dash-dot none (0 to 4; default solid)
//   LineVisibility     automatic on off (0 to 2; default automatic)
//   StylesLinePattern  none solid dashed dotted (0 to 3; default none)
//   StyleTheme         default classic modern (0 to 2; default default)
#pragma once

#include "host/EnumXMLEncoding.h"
#include "host/HostExport.h"

#include <cstdint>

/// Whether changes to a view are animated.
enum class AnimationOn : std::int32_t { Off = 0, On = 1 };
/// How the marks of a view move when they are animated.
enum class AnimationStyle : std::int32_t { Simultaneous = 0, Sequential = 1 };
/// The pattern a rendered line is drawn with.
enum class LinePattern : std::int32_t { Solid = 0, Dashed = 1, Dotted = 2, DashDot = 3, None = 4 };
/// Whether a line of a style is shown.
enum class LineVisibility : std::int32_t { Automatic = 0, On = 1, Off = 2 };
/// The pattern of a line in a style sheet.
enum class StylesLinePattern : std::int32_t { None = 0, Solid = 1, Dashed = 2, Dotted = 3 };
/// The theme a workbook is styled with.
enum class StyleTheme : std::int32_t { Default = 0, Classic = 1, Modern = 2 };

namespace StylesEnumEncoding {

class HLVHOST_API AnimationOnEncodings final : public EnumXMLEncoding<AnimationOn, TString> {
 public:
  static const AnimationOnEncodings sSingleton;

 private:
  AnimationOnEncodings();
};

class HLVHOST_API AnimationStyleEncodings final : public EnumXMLEncoding<AnimationStyle, TString> {
 public:
  static const AnimationStyleEncodings sSingleton;

 private:
  AnimationStyleEncodings();
};

class HLVHOST_API RenderLinePatternEncodings final : public EnumXMLEncoding<LinePattern, TString> {
 public:
  static const RenderLinePatternEncodings sSingleton;

 private:
  RenderLinePatternEncodings();
};

class HLVHOST_API LineVisibilityEncodings final : public EnumXMLEncoding<LineVisibility, TString> {
 public:
  static const LineVisibilityEncodings sSingleton;

 private:
  LineVisibilityEncodings();
};

class HLVHOST_API StylesLinePatternEncodings final : public EnumXMLEncoding<StylesLinePattern, TString> {
 public:
  static const StylesLinePatternEncodings sSingleton;

 private:
  StylesLinePatternEncodings();
};

}  // namespace StylesEnumEncoding

namespace StylesheetEncodings {

class HLVHOST_API StyleThemeEncodings final : public EnumXMLEncoding<StyleTheme, TString> {
 public:
  static const StyleThemeEncodings& Singleton();

 private:
  StyleThemeEncodings();
};

}  // namespace StylesheetEncodings
