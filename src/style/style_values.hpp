#pragma once

#include <string_view>

#include "style/style_rule.hpp"
#include "style/text_style.hpp"

namespace quirelle {

// Each property value of a rule turned into a setting of the current text style. Values arrive
// stripped of blanks and are compared exactly; a value an operation does not know leaves the
// setting as it was, and an empty value is ignored, except by ApplyBackgroundColor.
void ApplyTextAlign(TextStyle& style, std::string_view value);
void ApplyPictureAlign(TextStyle& style, std::string_view value);
void ApplyTextDecoration(TextStyle& style, std::string_view value);
void ApplyFontWeight(TextStyle& style, std::string_view value);
void ApplyFontStyle(TextStyle& style, std::string_view value);
// A generic family becomes a family the system has; a quoted name is taken from between its
// quotes, and four names that lost their blanks get them back. Anything else gives no family.
void ApplyFontFamily(TextStyle& style, std::string_view value, bool debugCss);
// em and % multiply the size in force, rem the kind's default size; px sets it.
void ApplyFontSize(TextStyle& style, std::string_view value);
void ApplyTextColor(TextStyle& style, std::string_view value);
// An empty value makes the background white.
void ApplyBackgroundColor(TextStyle& style, std::string_view value);
// The path between the quotes of the first picture, and the first repeat mode.
void ApplyBackgroundImage(TextStyle& style, std::string_view image, std::string_view repeat,
                          bool debugCss);

// A rule found for `message` applied to the style: for "img" only the picture alignment, for
// "hr" nothing, for anything else every text and background property in turn.
void ApplyStyleRule(TextStyle& style, const StyleRule& rule, std::string_view message,
                    bool debugCss);

}  // namespace quirelle
