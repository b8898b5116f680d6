#include "host/style/StyleEnums.h"

namespace StylesEnumEncoding {

AnimationOnEncodings::AnimationOnEncodings()
    : EnumXMLEncoding("AnimationOn", AnimationOn::Off,
                      {{AnimationOn::Off, u"animation-off"}, {AnimationOn::On, u"animation-on"}}) {}
const AnimationOnEncodings AnimationOnEncodings::sSingleton;

AnimationStyleEncodings::AnimationStyleEncodings()
    : EnumXMLEncoding("AnimationStyle", AnimationStyle::Simultaneous,
                      {{AnimationStyle::Simultaneous, u"simultaneous"}, {AnimationStyle::Sequential, u"sequential"}}) {}
const AnimationStyleEncodings AnimationStyleEncodings::sSingleton;

RenderLinePatternEncodings::RenderLinePatternEncodings()
    : EnumXMLEncoding("LinePattern", LinePattern::Solid,
                      {{LinePattern::Solid, u"solid"}, {LinePattern::Dashed, u"dashed"}, {LinePattern::Dotted, u"dotted"},
                       {LinePattern::DashDot, u"dash-dot"}, {LinePattern::None, u"none"}}) {}
const RenderLinePatternEncodings RenderLinePatternEncodings::sSingleton;

LineVisibilityEncodings::LineVisibilityEncodings()
    : EnumXMLEncoding("LineVisibility", LineVisibility::Automatic,
                      {{LineVisibility::Automatic, u"automatic"}, {LineVisibility::On, u"on"},
                       {LineVisibility::Off, u"off"}}) {}
const LineVisibilityEncodings LineVisibilityEncodings::sSingleton;

StylesLinePatternEncodings::StylesLinePatternEncodings()
    : EnumXMLEncoding("StylesLinePattern", StylesLinePattern::None,
                      {{StylesLinePattern::None, u"none"}, {StylesLinePattern::Solid, u"solid"},
                       {StylesLinePattern::Dashed, u"dashed"}, {StylesLinePattern::Dotted, u"dotted"}}) {}
const StylesLinePatternEncodings StylesLinePatternEncodings::sSingleton;

}  // namespace StylesEnumEncoding

namespace StylesheetEncodings {

StyleThemeEncodings::StyleThemeEncodings()
    : EnumXMLEncoding("StyleTheme", StyleTheme::Default,
                      {{StyleTheme::Default, u"default"}, {StyleTheme::Classic, u"classic"},
                       {StyleTheme::Modern, u"modern"}}) {}

const StyleThemeEncodings& StyleThemeEncodings::Singleton() {
  static const StyleThemeEncodings encodings;
  return encodings;
}

}  // namespace StylesheetEncodings
