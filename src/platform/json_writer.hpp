#pragma once

#include <string>
#include <string_view>

namespace quirelle {

// Appends `text` as a JSON string literal. Bytes that are not valid UTF-8 become U+FFFD, so the
// output stays valid JSON whatever a book holds.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace quirelle
