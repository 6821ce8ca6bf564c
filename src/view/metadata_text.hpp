#pragma once

#include <string>
#include <string_view>

namespace quirelle {

// The package document's metadata as the information panel shows it. Publishers write a book's
// description as HTML more often than not, and its date as an ISO 8601 string; a reader shows
// neither raw.

// `description` as plain text: tags dropped, entities decoded, white space collapsed as HTML does,
// and each paragraph (p, div, li, headings, br) on a line of its own with an empty line between
// paragraphs. Text without any tag keeps its own line breaks.
std::string DescriptionAsText(std::string_view description);

// `date` in the current locale's words: a whole date (also one with a time, whose date is taken
// as written) in the locale's short form with a four-digit year, a year and month by the month's
// name, a year as it is. Anything else is shown as written.
std::string DateAsText(std::string_view date);

}  // namespace quirelle
