#pragma once

#include <string>

#include "package/book.hpp"

namespace quirelle {

// Reads the NCX named by book.tocHref: each navigation point becomes a document entry (its label
// and its href without fragment) from book.documentCount on. Nested points are flattened in
// document order. A missing or malformed NCX leaves the entries completed before the fault.
void ReadNavigation(const std::string& bookPath, BookState& book);

}  // namespace quirelle
