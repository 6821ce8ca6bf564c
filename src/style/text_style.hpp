#pragma once

#include <string>

#include "style/color_value.hpp"

namespace quirelle {

enum class TextAlign { Left = 0, Center = 1, Right = 2 };
enum class Decoration { None = 0, Underline = 1, Overline = 2, LineThrough = 3, Blink = 4 };

// The current text style: set afresh by each element's kind defaults, changed in place by the
// style rules and by elements such as i, b, u and font. There is no style stack.
struct TextStyle {
    std::string fontFamily = "Arial";
    double fontSize = 15.0;
    double rootFontSize = 15.0;  // the base of rem: the kind's default size
    int fontSlant = 0;           // 0 normal, 1 italic
    int fontWeight = 0;          // 0 normal, 1 bold
    ColorComponents textColor = kBlackComponents;
    TextAlign textAlign = TextAlign::Left;
    Decoration decoration = Decoration::None;
    TextAlign pictureAlign = TextAlign::Left;
    BackgroundColor backgroundColor;  // empty: none set, painted white
    std::string backgroundPicture;
    std::string backgroundRepeat;
};

}  // namespace quirelle
