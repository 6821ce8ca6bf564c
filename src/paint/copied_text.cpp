#include "paint/copied_text.hpp"

#include <algorithm>

#include "layout/utf8.hpp"

namespace quirelle {

namespace {

constexpr char32_t kSoftHyphen = 0x00AD;
constexpr char32_t kWordJoiner = 0x2060;

bool IsRightToLeft(char32_t c) {
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFF) || (c >= 0x10800 && c <= 0x10FFF) ||
           (c >= 0x1E800 && c <= 0x1EFFF);
}

}  // namespace

bool NeedsCopiedText(std::string_view text) {
    // The soft hyphen (C2 AD), the word joiner (E2 81 A0) and the leading bytes of the
    // right-to-left blocks (D6..DF for U+0590..U+07FF, E0 A0..E0 A3 for U+0800..U+08FF, EF for
    // the presentation forms, F0 for the supplementary ones).
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0xC2 || byte == 0xE2 || (byte >= 0xD6 && byte <= 0xDF) || byte == 0xE0 ||
            byte == 0xEF || byte == 0xF0) {
            return true;
        }
    }
    return false;
}

CopiedText CopiedTextOf(std::string_view text, const cairo_text_cluster_t* clusters, int count) {
    CopiedText copied;
    copied.text.reserve(text.size());
    copied.clusters.reserve(static_cast<std::size_t>(std::max(count, 0)));
    std::size_t offset = 0;
    std::vector<char32_t> characters;
    for (int i = 0; i < count; ++i) {
        cairo_text_cluster_t cluster = clusters[i];
        const std::size_t length =
            std::min(static_cast<std::size_t>(std::max(cluster.num_bytes, 0)),
                     text.size() - std::min(offset, text.size()));
        const std::string_view part = text.substr(std::min(offset, text.size()), length);
        offset += length;
        characters.clear();
        bool rightToLeft = false;
        for (std::size_t at = 0; at < part.size();) {
            const char32_t c = DecodeUtf8(part, at);
            if (c != kSoftHyphen && c != kWordJoiner) {
                characters.push_back(c);
                rightToLeft = rightToLeft || IsRightToLeft(c);
            }
        }
        if (rightToLeft && characters.size() > 1) {
            std::reverse(characters.begin(), characters.end());
        }
        const std::size_t before = copied.text.size();
        for (const char32_t c : characters) {
            AppendUtf8(copied.text, c);
        }
        cluster.num_bytes = static_cast<int>(copied.text.size() - before);
        if (cluster.num_bytes == 0 && cluster.num_glyphs == 0) {
            continue;  // cairo refuses an empty cluster
        }
        copied.clusters.push_back(cluster);
    }
    return copied;
}

}  // namespace quirelle
