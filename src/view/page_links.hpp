#pragma once

#include <vector>

#include "layout/link_record.hpp"
#include "layout/page_layout.hpp"

namespace quirelle {

// The link records of the part of a laid-out page between the rows `top` and `bottom`, in the
// coordinates of a view scrolled by `scrollY`: a record per line of each link, and one per button
// of each sound's bar (play, pause, stop), in the order they were laid out.
std::vector<LinkRecord> LinkRecordsOf(const PageLayout& page, double scrollY, double top,
                                      double bottom);

// Where the buttons of a sound's bar stand, relative to the bar: three squares of 32 px.
inline constexpr double kAudioButtonSize = 32.0;
inline double AudioButtonLeft(int control) {
    return 2.0 + kAudioButtonSize * control;
}
inline constexpr double kAudioButtonTop = 4.0;

}  // namespace quirelle
