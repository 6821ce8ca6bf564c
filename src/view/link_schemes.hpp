#pragma once

#include <string_view>

namespace quirelle {

// The scheme of an address ("https" of "https://..."), or nothing for a reference inside the
// book, which has none.
std::string_view SchemeOf(std::string_view target);

// Whether a link of this scheme leaves the book for the desktop's program for it (web and mail):
// a book must not start whatever program is registered for an odd scheme.
bool OpensOnTheDesktop(std::string_view scheme);

}  // namespace quirelle
