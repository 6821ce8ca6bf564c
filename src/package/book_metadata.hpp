#pragma once

#include <string>

#include "package/book.hpp"

namespace quirelle {

// What a PDF's document information carries of the book, as UTF-8 text: the first title, the
// creators joined by ", ", the description with its markup taken out, the first language.
struct BookMetadata {
    std::string title;
    std::string creator;
    std::string description;
    std::string language;
};

// Read from the book's package document; empty fields where it has none or cannot be read.
BookMetadata ReadBookMetadata(BookState& book);

// Text with its tags taken out, the usual entities decoded and white space collapsed: a
// description is often HTML written as text.
std::string PlainText(std::string_view markup);

}  // namespace quirelle
