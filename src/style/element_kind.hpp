#pragma once

namespace quirelle {

// The kinds of element whose style defaults come from the settings. The numbers are the ones the
// diagnostic dumps and the settings rows have always used; 2 is not a kind.
enum class ElementKind {
    BodyText = 0,  // p, td, tr
    Header1 = 1,
    Header2 = 3,
    Header3 = 4,
    Header4 = 5,
    Link = 6,          // a, audio
    Preformatted = 7,  // pre, code
    Strong = 8,
    Emphasis = 9,
    ListItem = 10,  // li, dt, dd: as body text
};

}  // namespace quirelle
