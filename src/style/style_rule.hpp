#pragma once

#include <string>

namespace quirelle {

// One rule of the book's style sheets: its selector list and declaration block as they stood
// after stripping, and the value of each property the reader knows. The field names are the
// labels of the diagnostic dump.
struct StyleRule {
    std::string Element;    // the selector list, before the "{"
    std::string Align;      // text-align
    std::string Pic_Align;  // align (of pictures)
    std::string Font;       // font-family
    std::string Fontsize;   // font-size
    std::string Deko;       // text-decoration
    std::string Weight;     // font-weight
    std::string Style;      // font-style
    std::string Color;      // color
    std::string BGcolor;    // background-color
    std::string BGimg;      // background-image
    std::string BGRepeat;   // background-repeat
    std::string Raw;        // the declaration block between "{" and "}"
};

}  // namespace quirelle
