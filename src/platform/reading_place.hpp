#pragma once

#include <cstdint>

namespace quirelle {

// Where the reader is in a book: a document of the reading order and the first word in view, as
// a text offset (the characters of the document's text before it), so that the place holds at
// another width, font or zoom.
struct ReadingPlace {
    int document = 0;
    std::uint32_t offset = 0;
    bool operator==(const ReadingPlace&) const = default;
};

}  // namespace quirelle
