#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quirelle {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

char32_t DecodeUtf8Sequence(std::string_view text, std::size_t& at);

// Decodes the character at text[at] and advances `at` past it. A byte that starts no valid
// UTF-8 sequence (a stray continuation byte, an overlong form, a surrogate, a sequence cut short)
// gives U+FFFD and advances by one byte, so bad text never reaches cairo, which would refuse to
// draw anything more on its context.
inline char32_t DecodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    return DecodeUtf8Sequence(text, at);
}

// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& out, char32_t character);

// The text with every invalid byte replaced by U+FFFD.
std::string SanitizedUtf8(std::string_view text);

}  // namespace quirelle
