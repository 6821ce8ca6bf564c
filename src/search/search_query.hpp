#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quirelle {

// How a term is matched. Accents are always ignored: a reader types "etre" for "Être", and
// Arabic is typed without its vowel marks.
struct SearchOptions {
    bool matchCase = false;
    bool wholeWords = false;
    // The book's own sheets hide what they make `display: none`; off with the "CSS" setting,
    // as the page then shows it.
    bool bookSheets = true;
};

// One hit. Offsets count Unicode code points of the document's character data: every text node
// in document order as the XML parser delivers it (entities resolved, white space as in the
// source), hidden text included, so that the view can find the place again from its own parse.
struct SearchHit {
    int document = 0;
    std::string href;
    std::uint32_t offset = 0;  // the hit's first code point
    std::uint32_t end = 0;     // just past its last code point
    // A few words around the hit as shown (white space collapsed), UTF-8, and the hit within
    // it in code points.
    std::string context;
    std::uint32_t contextStart = 0;
    std::uint32_t contextLength = 0;
};

}  // namespace quirelle
