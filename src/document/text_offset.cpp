#include "document/text_offset.hpp"

#include <string_view>

namespace quirelle {

namespace {

bool StartsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

std::uint32_t CharactersIn(std::string_view text) {
    std::uint32_t count = 0;
    for (const char byte : text) {
        count += StartsCharacter(byte) ? 1 : 0;
    }
    return count;
}

}  // namespace

TextOffset TextOffsetOf(const DocumentTree& tree, InkPlace place) {
    TextOffset offset = 0;
    // Node indexes follow document order, so the text before a node is that of the text nodes
    // with smaller indexes.
    for (NodeIndex node = 0; node < place.textNode && node < tree.size(); ++node) {
        if (!tree.IsElement(node)) {
            offset += CharactersIn(tree.TextOf(node));
        }
    }
    if (place.textNode >= tree.size() || tree.IsElement(place.textNode)) {
        return offset;
    }
    const std::string_view text = tree.TextOf(place.textNode);
    std::uint32_t ink = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!StartsCharacter(text[at])) {
            continue;
        }
        // Only ASCII is white space here, so one byte tells.
        if (!IsSourceBlank(static_cast<unsigned char>(text[at]))) {
            if (ink == place.ink) {
                return offset;
            }
            ++ink;
        }
        ++offset;
    }
    return offset;
}

std::optional<InkPlace> InkPlaceOf(const DocumentTree& tree, TextOffset offset) {
    TextOffset before = 0;
    for (NodeIndex node = 0; node < tree.size(); ++node) {
        if (tree.IsElement(node)) {
            continue;
        }
        const std::string_view text = tree.TextOf(node);
        const std::uint32_t length = CharactersIn(text);
        if (offset >= before + length) {
            before += length;
            continue;
        }
        InkPlace place{node, 0};
        TextOffset at = before;
        for (std::size_t i = 0; i < text.size() && at < offset; ++i) {
            if (!StartsCharacter(text[i])) {
                continue;
            }
            if (!IsSourceBlank(static_cast<unsigned char>(text[i]))) {
                ++place.ink;
            }
            ++at;
        }
        return place;
    }
    return std::nullopt;
}

}  // namespace quirelle
