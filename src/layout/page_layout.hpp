#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "layout/font_cache.hpp"
#include "style/computed_style.hpp"

namespace quirelle {

// A run of glyphs of one font and colour on one line, placed on the page.
struct PlacedGlyphRun {
    std::uint32_t font = 0;  // into the page's fonts
    RgbaColor color;
    std::uint32_t firstGlyph = 0;
    std::uint32_t glyphCount = 0;
    // The text the glyphs draw and which glyphs draw which of its bytes, so that a PDF's text
    // can be searched and copied in every script.
    std::uint32_t textOffset = 0;
    std::uint32_t textLength = 0;
    std::uint32_t firstCluster = 0;
    std::uint32_t clusterCount = 0;
};

// A filled rectangle: a background, a border side, a rule, a text decoration.
struct PlacedRect {
    double x = 0, y = 0, width = 0, height = 0;
    RgbaColor color;
};

// A picture, an inline SVG drawing or a media element's place.
struct PlacedPicture {
    enum class Kind : std::uint8_t { Raster, Svg, Audio, Other };
    Kind kind = Kind::Other;
    double x = 0, y = 0, width = 0, height = 0;
    NodeIndex element = kNoNode;
    // A picture's member path in the book; a sound's source as the document wrote it.
    std::string source;
    std::string svgText;  // inline SVG's markup
};

// The size of the bar an audio element shows: three buttons of 32 px in a frame.
inline constexpr double kAudioBarWidth = 99.0;
inline constexpr double kAudioBarHeight = 40.0;

// One thing to paint, in paint order, with the rows of the page it covers.
struct DisplayItem {
    enum class Kind : std::uint8_t { Rect, Glyphs, Picture };
    Kind kind = Kind::Rect;
    std::uint32_t index = 0;  // into the list of its kind
    double top = 0;
    double bottom = 0;
};

// A link's rectangle on one line, with the target as the document wrote it.
struct PlacedLink {
    double x = 0, y = 0, width = 0, height = 0;
    NodeIndex element = kNoNode;
    std::string target;
};

// What the dump and the tests read of the text: each line box, and each word on it with the
// style it was drawn in.
struct WordStyle {
    std::string family;
    double size = 0;
    int weight = 400;
    bool italic = false;
    RgbaColor color;
    bool operator==(const WordStyle&) const = default;
};

struct PlacedWord {
    std::uint32_t textOffset = 0;
    std::uint32_t textLength = 0;
    double x = 0;
    double width = 0;
    std::uint32_t style = 0;  // into wordStyles
    // Where the word starts in the document's text (see document/text_offset.hpp); no node for
    // text the layout made itself.
    NodeIndex sourceNode = kNoNode;
    std::uint32_t sourceInk = 0;
};

struct LineBox {
    double x = 0, top = 0, width = 0, height = 0, baseline = 0;
    std::uint32_t firstWord = 0;
    std::uint32_t wordCount = 0;
};

struct BlockBox {
    NodeIndex element = kNoNode;
    double x = 0, y = 0, width = 0, height = 0;
};

// A document laid out at one width: everything a view, a scroll step, a PDF page or a dump
// needs, without laying it out again.
struct PageLayout {
    double width = 0;
    double height = 0;
    unsigned fontGeneration = 0;
    // The page's own background: the root's, or where it has none the body's, as browsers
    // paint the canvas. Transparent leaves the view's white. The picture, by its member path,
    // is tiled over the page, or stretched over it where it is not to repeat.
    RgbaColor canvas{0, 0, 0, 0};
    std::string canvasPicture;
    std::string canvasRepeat;

    // The fonts the glyph runs are drawn in, held here so that the page can be painted after
    // the font cache has let them go.
    std::vector<ScaledFont> fonts;
    std::vector<DisplayItem> items;
    std::vector<PlacedRect> rects;
    std::vector<PlacedGlyphRun> runs;
    std::vector<cairo_glyph_t> glyphs;
    std::string runText;
    std::vector<cairo_text_cluster_t> clusters;
    std::vector<PlacedPicture> pictures;
    std::vector<PlacedLink> links;

    std::vector<LineBox> lines;
    std::vector<BlockBox> blocks;
    std::vector<PlacedWord> words;
    std::vector<WordStyle> wordStyles;
    std::string wordText;

    // Where each element's first box starts on the page, by node; NaN for an element that made
    // no box (hidden, or text).
    std::vector<float> elementTop;

    // For the display list's slices: the largest bottom of the items up to each one, and the
    // smallest top of the items from each one on, so that a view finds its first and last item
    // by halving.
    std::vector<double> bottomsSoFar;
    std::vector<double> topsFromHere;

    // The items that reach into the rows [top, bottom), as a half-open range of indexes.
    std::pair<std::size_t, std::size_t> ItemsIn(double top, double bottom) const;

    // Where the element with this id (or `a name`) starts; nothing when the document has no
    // such element or it made no box.
    std::optional<double> PositionOf(const DocumentTree& tree, std::string_view id) const;

    std::string_view WordText(const PlacedWord& word) const {
        return std::string_view(wordText).substr(word.textOffset, word.textLength);
    }

    // Builds the two indexes of ItemsIn; called once the items are all there.
    void IndexItems();
};

}  // namespace quirelle
