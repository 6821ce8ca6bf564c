#include "layout/utf8.hpp"

#include <cstdint>

namespace quirelle {

char32_t DecodeUtf8Sequence(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length;
    char32_t value;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    } else {
        ++at;
        return kReplacementCharacter;
    }
    if (at + length > text.size()) {
        ++at;
        return kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t next = byte(at + i);
        const std::uint8_t min = i == 1 ? low : 0x80;
        const std::uint8_t max = i == 1 ? high : 0xBF;
        if (next < min || next > max) {
            ++at;
            return kReplacementCharacter;
        }
        value = (value << 6) | (next & 0x3F);
    }
    at += length;
    return value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string SanitizedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t c = DecodeUtf8(text, at);
        if (c == kReplacementCharacter &&
            !(at - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) {
            AppendUtf8(out, c);
        } else {
            out.append(text.substr(start, at - start));
        }
    }
    return out;
}

}  // namespace quirelle
