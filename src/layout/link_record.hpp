#pragma once

#include <cstdint>
#include <string>

namespace quirelle {

// One hyperlink or audio button of the page as last drawn; the rectangle includes its edges and
// is in pixels of the view's inner area.
struct LinkRecord {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    std::string Player;
    int Audio = 0;    // 0 a hyperlink, 1 an audio button
    int control = 0;  // audio buttons: 0 play, 1 pause or resume, 2 stop
    std::string Hlink;
    // The link's element in the tree of the page it was laid out from; none for a sound's button.
    std::uint32_t element = 0xFFFFFFFFu;
};

}  // namespace quirelle
