#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quirelle {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the character at text[at] and advances `at` past it. A byte that starts no valid
// UTF-8 sequence (a stray continuation byte, an overlong form, a surrogate, a sequence cut short)
// gives U+FFFD and advances by one byte, so bad text never reaches cairo, which would refuse to
// draw anything more on its context.
char32_t DecodeUtf8(std::string_view text, std::size_t& at);

// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& out, char32_t character);

// The text with every invalid byte replaced by U+FFFD.
std::string SanitizedUtf8(std::string_view text);

}  // namespace quirelle
