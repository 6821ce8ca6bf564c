#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "layout/font_cache.hpp"

namespace quirelle {

// A glyph of a cluster, placed relative to the cluster's left end on the baseline.
struct ShapedGlyph {
    unsigned long index;
    double x;
    double y;
};

// The smallest piece of a run the text flow places: one or more characters drawn as one or more
// glyphs of one font, never broken apart by a line end or reordered inside.
struct ShapedCluster {
    FontMetrics* font = nullptr;
    std::uint32_t firstGlyph = 0;
    std::uint32_t glyphCount = 0;  // 0: draws nothing (a character that is never drawn)
    std::uint32_t firstCharacter = 0;
    std::uint32_t characterCount = 0;
    double advance = 0.0;
    // The bidirectional embedding level: even left to right, odd right to left.
    std::uint8_t level = 0;
    bool blank = false;
    // Whether a line may end before this cluster, though no blank stands before it (between
    // two Chinese characters, say).
    bool breakBefore = false;
};

// A run of text as it will be placed: its clusters in logical (reading) order.
struct ShapedRun {
    std::vector<char32_t> characters;
    std::vector<ShapedCluster> clusters;
    std::vector<ShapedGlyph> glyphs;

    // The UTF-8 text of a cluster, for the PDF's text layer.
    std::string TextOf(const ShapedCluster& cluster) const;
};

// Turns characters into clusters for the text flow: each character gets a font that has it
// (the style's font, else a fallback), scripts that need it are shaped by HarfBuzz, FriBidi
// gives each cluster its embedding level in a paragraph of `paragraphLevel`, and libunibreak
// says where lines may break between letters.
void ShapeRun(FontCache& fonts, cairo_t* cr, FontMetrics& primary,
              const std::vector<char32_t>& characters, int paragraphLevel,
              std::string_view language, ShapedRun& run);

// Runs shaped so far, by text, font, paragraph level and language, so that drawing the same page
// again shapes nothing again. Forgotten when the font cache lets fonts go, and when it grows past
// a bound.
class ShapedRunCache {
  public:
    const ShapedRun& Find(FontCache& fonts, cairo_t* cr, FontMetrics& primary,
                          std::string_view text, const std::vector<char32_t>& characters,
                          int paragraphLevel, std::string_view language);

  private:
    std::unordered_map<std::string, ShapedRun> runs_;
    std::string key_;
    std::size_t bytes_ = 0;
    unsigned generation_ = 0;
};

}  // namespace quirelle
