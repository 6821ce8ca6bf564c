#include "layout/text_flow.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include <fribidi.h>

#include "layout/cairo_style.hpp"
#include "layout/character_class.hpp"
#include "layout/layout_context.hpp"
#include "layout/line_box_dump.hpp"
#include "layout/text_shaping.hpp"
#include "layout/utf8.hpp"
#include "style/color_value.hpp"

namespace quirelle {

namespace {

constexpr double kPictureGap = 10.0;
constexpr double kUnderlineOffset = 2.0;
constexpr double kDecorationLineWidth = 0.5;
constexpr double kBackgroundInset = 3.0;
constexpr char32_t kZeroWidthSpace = 0x200B;

// cairo keeps the current point in 24.8 fixed point. The fast path mirrors the pen with cairo's
// own conversion (adding a magic number puts the rounded fixed value in the low mantissa bits),
// so every glyph lands exactly where cairo would put it.
//
// The sum is kept in 64 bits: a word of a million glyphs runs past the 8.4 million pixels that a
// 32-bit fixed value holds, and wrapping there would measure it as a short word.
double CairoFixed(double value) {
    constexpr double kMagic = 26388279066624.0;  // 1.5 * 2^(52 - 8)
    constexpr double kLimit = 17179869184.0;     // 2^34, well inside the 44 bits it fills
    if (!(value > -kLimit && value < kLimit)) {
        return std::nearbyint(value * 256.0) / 256.0;
    }
    const double shifted = value + kMagic;
    std::uint64_t bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    // The fixed value sits in the low 44 bits of the mantissa, in two's complement.
    const std::int64_t fixed = static_cast<std::int64_t>(bits << 20) >> 20;
    return static_cast<double>(fixed) / 256.0;
}

// A run's glyphs as the flow draws them: line ends become blanks, tabs vanish, and bytes that are
// not UTF-8 become U+FFFD.
void DecodeRun(std::string_view text, std::vector<char32_t>& glyphs) {
    glyphs.clear();
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = DecodeUtf8(text, at);
        if (c == U'\n' || c == U'\r') {
            glyphs.push_back(U' ');
        } else if (c != U'\t') {
            glyphs.push_back(c);
        }
    }
}

std::string Utf8Of(char32_t glyph) {
    std::string text;
    AppendUtf8(text, glyph);
    return text;
}

// Tells the line box dump of a piece of text drawn with its left edge at x on the line whose
// baseline is at `baseline`, in `font` (none on cairo's own text path).
void DumpPiece(const LayoutContext& context, std::string_view text, double x, double advance,
               double baseline, double fontHeight, bool blank, const FontMetrics* font) {
    const TextStyle& style = context.style;
    DrawnPiece piece;
    piece.text = text;
    piece.x = x;
    piece.advance = advance;
    piece.lineTop = baseline - context.state.lineHeight;
    piece.baseline = baseline;
    piece.fontHeight = fontHeight;
    piece.blank = blank;
    piece.font = font;
    piece.requestedFamily = style.fontFamily;
    piece.requestedSize = style.fontSize;
    piece.weight = style.fontWeight;
    piece.slant = style.fontSlant;
    piece.color = style.textColor;
    context.state.dump->Add(piece);
}

// One glyph of a run with what the flow needs of it: a character of the style's font, or a
// cluster of a shaped run.
struct RunGlyph {
    // Pointers first and flags last: a run holds one of these per character, so its size counts.
    const FontMetrics::Glyph* metrics;  // the cached metrics; none on the reference path
    const ShapedCluster* cluster;
    double advance;
    char32_t character;
    bool advanceOnGrid;
    bool blank;
    // A line may end before this glyph though no blank stands there.
    bool breakBefore;
};

// The pen after a glyph, rounded as cairo rounds its current point. An advance of whole 1/256
// steps from a pen on that grid needs no rounding, which keeps the common case one addition.
double Step(double x, const RunGlyph& glyph) {
    return glyph.advanceOnGrid ? x + glyph.advance : CairoFixed(x + glyph.advance);
}

// Where the pen stands after the word starting at glyphs[first] (exactly, rounded as cairo
// rounds), and the index just past the word. `forward` tells whether no glyph of it moves the
// pen back, so that no glyph before its end lies further right.
struct WordSpan {
    double end;
    std::size_t last;
    bool forward;
};

WordSpan MeasureWord(const std::vector<RunGlyph>& glyphs, std::size_t first, double x) {
    WordSpan word{x, first, true};
    for (; word.last < glyphs.size() && !glyphs[word.last].blank &&
           (word.last == first || !glyphs[word.last].breakBefore);
         ++word.last) {
        const RunGlyph& glyph = glyphs[word.last];
        word.end = Step(word.end, glyph);
        word.forward = word.forward && glyph.advance >= 0;
    }
    return word;
}

// The calls a glyph costs. The reference path asks cairo every time, exactly as the plain
// algorithm does; the usual path answers from the font cache and leaves out glyphs that cannot
// show, with the same pixels as the result.
class GlyphPainter {
  public:
    explicit GlyphPainter(LayoutContext& context)
        : context_(context),
          cr_(context.state.cr),
          reference_(context.referenceRendering || context.currentFont == nullptr),
          vector_(cr_ != nullptr &&
                  cairo_surface_get_type(cairo_get_target(cr_)) != CAIRO_SURFACE_TYPE_IMAGE) {}
    ~GlyphPainter() {
        Flush();
        RestoreFont();
    }
    GlyphPainter(const GlyphPainter&) = delete;
    GlyphPainter& operator=(const GlyphPainter&) = delete;

    // On an image the ink of two lines may overlap, so their glyphs go in separate calls; a
    // vector surface keeps a whole run in one, which the PDF needs fewer operations for.
    void FlushAtLineEnd() {
        if (!vector_) {
            Flush();
        }
    }

    // Draws the glyphs collected so far. Anything else drawn on the line comes after this, so
    // that pixels are laid down in the order of the plain algorithm.
    void Flush() {
        if (!batch_.empty()) {
            cairo_show_glyphs(cr_, batch_.data(), static_cast<int>(batch_.size()));
            batch_.clear();
        }
        FlushClusters();
    }

    // Draws a cluster of a shaped run with its left end at (x, baseline). On a PDF its text
    // goes along, so that the page can be searched and copied from. Clusters of one font go
    // to cairo together: on an image those of a line, on a PDF all of a run, since each call
    // costs the PDF's page analysis more the more calls the page already has.
    void ShowCluster(const ShapedRun& run, const ShapedCluster& cluster, double x,
                     double baseline) {
        if (cluster.glyphCount == 0) {
            return;
        }
        if (!batch_.empty() || (!vector_ && !clusterBatches_.empty() &&
                                clusterBatches_.front().font != cluster.font)) {
            Flush();
        }
        context_.state.blankWhitePage = false;
        ClusterBatch& batch = BatchFor(cluster.font);
        for (std::uint32_t i = 0; i < cluster.glyphCount; ++i) {
            const ShapedGlyph& glyph = run.glyphs[cluster.firstGlyph + i];
            batch.glyphs.push_back({glyph.index, x + glyph.x, baseline + glyph.y});
        }
        if (vector_) {
            const std::size_t before = batch.text.size();
            for (std::uint32_t i = 0; i < cluster.characterCount; ++i) {
                AppendUtf8(batch.text, run.characters[cluster.firstCharacter + i]);
            }
            batch.mappings.push_back({static_cast<int>(batch.text.size() - before),
                                      static_cast<int>(cluster.glyphCount)});
        }
    }

    RunGlyph Measure(char32_t character) {
        if (!reference_) {
            const FontMetrics::Glyph& metrics = context_.currentFont->GlyphFor(character);
            return {&metrics,          nullptr, metrics.advance, character, metrics.advanceOnGrid,
                    character == U' ', false};
        }
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, Utf8Of(character).c_str(), &extents);
        return {nullptr, nullptr, extents.x_advance, character, false, character == U' ', false};
    }

    bool reference() const { return reference_; }

    double FontHeight() {
        if (!reference_) {
            return context_.currentFont->extents().height;
        }
        cairo_font_extents_t extents;
        cairo_font_extents(cr_, &extents);
        return extents.height;
    }

    bool Visible(double baseline, double height) const {
        const LayoutState& layout = context_.state;
        // Tall accents and decorations stay within two font heights of the baseline.
        return reference_ || (baseline + 2 * height >= layout.visibleTop &&
                              baseline - 2 * height <= layout.visibleBottom);
    }

    // Draws the glyph with its pen at (x, baseline) and returns the pen after it.
    double Show(const RunGlyph& glyph, double x, double baseline, bool visible) {
        if (LayoutTrace* trace = context_.state.trace) {
            const TextStyle& style = context_.style;
            trace->glyphs.push_back({Utf8Of(glyph.character), x, baseline, style.fontSlant,
                                     style.fontWeight, static_cast<int>(style.decoration)});
        }
        if (context_.state.dump != nullptr) {
            DumpPiece(context_, Utf8Of(glyph.character), x, glyph.advance, baseline, FontHeight(),
                      glyph.blank, reference_ ? nullptr : context_.currentFont);
        }
        if (reference_) {
            context_.state.blankWhitePage = false;
            cairo_move_to(cr_, x, baseline);
            cairo_show_text(cr_, Utf8Of(glyph.character).c_str());
            double y;
            cairo_get_current_point(cr_, &x, &y);
            return x;
        }
        // A glyph without ink (a blank) would change no pixel.
        if (visible && glyph.metrics->hasInk) {
            context_.state.blankWhitePage = false;
            // On an image, cairo composites the glyphs of one call one after the other, as
            // separate calls would, when they stand on whole pixels and their ink does not
            // overlap; so only such glyphs share a call. A vector surface (PDF) keeps every glyph
            // as it is given, so there a line's glyphs always go together.
            const double inkLeft = x + glyph.metrics->inkLeft;
            const bool batchable =
                vector_ || (x == std::floor(x) && baseline == std::floor(baseline));
            if (!batch_.empty() &&
                (!batchable || (!vector_ && inkLeft < batchInkRight_ + 1.0 / 32))) {
                Flush();
            }
            if (batchable) {
                if (batch_.empty()) {
                    batchInkRight_ = inkLeft + glyph.metrics->inkWidth;
                }
                batch_.push_back({glyph.metrics->index, x, baseline});
                batchInkRight_ = std::max(batchInkRight_, inkLeft + glyph.metrics->inkWidth);
            } else {
                const cairo_glyph_t drawn{glyph.metrics->index, x, baseline};
                cairo_show_glyphs(cr_, &drawn, 1);
            }
        }
        return Step(x, glyph);
    }

  private:
    // The clusters waiting to be drawn in one font, with their text for a PDF.
    struct ClusterBatch {
        const FontMetrics* font = nullptr;
        std::vector<cairo_glyph_t> glyphs;
        std::string text;
        std::vector<cairo_text_cluster_t> mappings;
    };

    ClusterBatch& BatchFor(const FontMetrics* font) {
        for (ClusterBatch& batch : clusterBatches_) {
            if (batch.font == font) {
                return batch;
            }
        }
        clusterBatches_.emplace_back();
        clusterBatches_.back().font = font;
        return clusterBatches_.back();
    }

    void FlushClusters() {
        for (ClusterBatch& batch : clusterBatches_) {
            if (batch.font != fontOnContext_) {
                if (fontOnContext_ == nullptr) {
                    primaryFont_ = &CurrentFontMetrics(context_);
                }
                cairo_set_scaled_font(cr_, batch.font->scaledFont());
                fontOnContext_ = batch.font;
            }
            const int count = static_cast<int>(batch.glyphs.size());
            if (vector_) {
                cairo_show_text_glyphs(cr_, batch.text.data(), static_cast<int>(batch.text.size()),
                                       batch.glyphs.data(), count, batch.mappings.data(),
                                       static_cast<int>(batch.mappings.size()),
                                       static_cast<cairo_text_cluster_flags_t>(0));
            } else {
                cairo_show_glyphs(cr_, batch.glyphs.data(), count);
            }
        }
        clusterBatches_.clear();
    }

    // A cluster drawn in a fallback font leaves the style's font on the context again.
    void RestoreFont() {
        if (fontOnContext_ != nullptr && fontOnContext_ != primaryFont_) {
            cairo_set_scaled_font(cr_, primaryFont_->scaledFont());
            context_.state.fontOnContext = primaryFont_;
        }
        fontOnContext_ = nullptr;
    }

    LayoutContext& context_;
    cairo_t* cr_;
    bool reference_;
    bool vector_;
    std::vector<cairo_glyph_t> batch_;
    double batchInkRight_ = 0.0;
    const FontMetrics* fontOnContext_ = nullptr;  // set once a cluster was drawn
    FontMetrics* primaryFont_ = nullptr;
    std::vector<ClusterBatch> clusterBatches_;
};

struct Pen {
    double x;
    double y;
};

Pen ReadPen(cairo_t* cr) {
    Pen pen{};
    cairo_get_current_point(cr, &pen.x, &pen.y);
    return pen;
}

// The fast path keeps its own copy of the pen and quantises every move as cairo would.
void MovePen(LayoutContext& context, Pen& pen, double x, double y) {
    if (context.referenceRendering || context.currentFont == nullptr) {
        cairo_move_to(context.state.cr, x, y);
        pen = ReadPen(context.state.cr);
    } else {
        pen = {CairoFixed(x), CairoFixed(y)};
    }
}

void DrawGlyphBackground(LayoutContext& context, GlyphPainter& painter, double x, double baseline,
                         double advance) {
    context.state.blankWhitePage = false;
    // Only a black background shows: any other colour is painted fully transparent.
    const BackgroundColor& background = context.style.backgroundColor;
    if (!background || *background != kBlackComponents) {
        return;
    }
    cairo_t* cr = context.state.cr;
    cairo_rectangle(cr, x, baseline, advance, 0.0 - (painter.FontHeight() - kBackgroundInset));
    cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 1.0);
    cairo_fill(cr);
    const ColorComponents& text = context.style.textColor;
    cairo_set_source_rgb(cr, ColorComponentToIntensity(text.red),
                         ColorComponentToIntensity(text.green),
                         ColorComponentToIntensity(text.blue));
    context.state.sourceIsTextColor = false;
}

void DrawDecoration(LayoutContext& context, GlyphPainter& painter, double x, double baseline,
                    double advance) {
    double lineY;
    switch (context.style.decoration) {
        case Decoration::Underline:
            lineY = baseline + kUnderlineOffset;
            break;
        case Decoration::Overline:
            lineY = baseline - painter.FontHeight() / 1.5;
            break;
        case Decoration::LineThrough:
            lineY = baseline - painter.FontHeight() * 0.25;
            break;
        default:
            return;
    }
    cairo_t* cr = context.state.cr;
    context.state.blankWhitePage = false;
    if (LayoutTrace* trace = context.state.trace) {
        trace->lines.push_back({x, lineY, x + advance, lineY, kDecorationLineWidth});
    }
    cairo_move_to(cr, x, lineY);
    cairo_line_to(cr, x + advance, lineY);
    cairo_set_line_width(cr, kDecorationLineWidth);
    cairo_stroke(cr);
}

// Places the pen for the first run of a line by the text alignment, never left of the line's
// left edge.
void AlignRun(LayoutContext& context, Pen& pen, double advance) {
    const double areaWidth = context.areaWidth;
    double x;
    switch (context.style.textAlign) {
        case TextAlign::Center:
            x = (areaWidth - advance) * 0.5;
            break;
        case TextAlign::Right:
            x = areaWidth - context.settings.HorizontalMarginValue() - advance;
            break;
        default:
            return;
    }
    const double leftEdge = LeftEdgeAt(context, pen.y - context.state.lineHeight);
    MovePen(context, pen, std::max(x, leftEdge), pen.y);
}

// Text drawn for a link from x1 to x2 on the line whose baseline is at `baseline`.
void MarkLinkSpan(LayoutState& layout, double x1, double x2, double baseline) {
    const double top = baseline - layout.lineHeight;
    if (!layout.linkSpans.empty() && layout.linkSpans.back().top == top) {
        LayoutState::LinkSpan& span = layout.linkSpans.back();
        span.x1 = std::min(span.x1, x1);
        span.x2 = std::max(span.x2, x2);
        return;
    }
    layout.linkSpans.push_back({x1, x2, top, baseline});
}

// Places the clusters of a shaped run where their direction puts them. The pen walks every line
// left to right in reading order, as for any text; a right-to-left paragraph is drawn mirrored
// within the line, so that it starts at the right margin. Clusters whose level differs from the
// paragraph's (an Arabic name in English, a number in Arabic) are held until their stretch of
// the line ends, and drawn in the visual order FriBidi gives.
class ClusterPlacer {
  public:
    ClusterPlacer(LayoutContext& context, GlyphPainter& painter, const ShapedRun& run,
                  int paragraphLevel)
        : context_(context), painter_(painter), run_(run), paragraphLevel_(paragraphLevel) {}
    ~ClusterPlacer() { Flush(); }
    ClusterPlacer(const ClusterPlacer&) = delete;
    ClusterPlacer& operator=(const ClusterPlacer&) = delete;

    // The cluster whose pen in reading order stands at x on the line of `baseline`.
    void Place(const ShapedCluster& cluster, double x, double baseline, bool visible) {
        if (cluster.level == paragraphLevel_) {
            Flush();
            Draw(cluster, paragraphLevel_ == 1 ? Axis(baseline) - x - cluster.advance : x, baseline,
                 visible, paragraphLevel_ == 1);
            return;
        }
        if (!held_.empty() && held_.back().baseline != baseline) {
            Flush();
        }
        held_.push_back({&cluster, x, baseline, visible});
    }

    // Draws the clusters held back, in visual order.
    void Flush() {
        if (held_.empty()) {
            return;
        }
        const Held& first = held_.front();
        const Held& last = held_.back();
        const double start = first.x;
        const double end = last.x + last.cluster->advance;
        double x = paragraphLevel_ == 1 ? Axis(first.baseline) - end : start;
        const auto count = static_cast<FriBidiStrIndex>(held_.size());
        types_.assign(held_.size(), FRIBIDI_TYPE_ON);
        levels_.clear();
        order_.clear();
        for (FriBidiStrIndex i = 0; i < count; ++i) {
            levels_.push_back(held_[static_cast<std::size_t>(i)].cluster->level);
            order_.push_back(i);
        }
        // Every type given as a neutral, so that FriBidi only reverses by level: the rule that
        // resets blanks at the end of a line is for the line, not for this stretch of it.
        if (fribidi_reorder_line(0, types_.data(), count, 0,
                                 paragraphLevel_ == 1 ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR,
                                 levels_.data(), nullptr, order_.data()) == 0) {
            // FriBidi could not get its memory: the stretch is drawn in reading order rather
            // than in an order half made.
            std::iota(order_.begin(), order_.end(), 0);
        }
        for (const FriBidiStrIndex index : order_) {
            const Held& held = held_[static_cast<std::size_t>(index)];
            Draw(*held.cluster, x, held.baseline, held.visible, true);
            x += held.cluster->advance;
        }
        held_.clear();
    }

  private:
    struct Held {
        const ShapedCluster* cluster;
        double x;
        double baseline;
        bool visible;
    };

    // A right-to-left line is mirrored about this: its first cluster ends at the right margin.
    double Axis(double baseline) const {
        const double lineTop = baseline - context_.state.lineHeight;
        return LeftEdgeAt(context_, lineTop) + context_.areaWidth -
               context_.settings.HorizontalMarginValue();
    }

    // Draws the cluster at x; `moved` when that is not where the pen passed it.
    void Draw(const ShapedCluster& cluster, double x, double baseline, bool visible, bool moved) {
        LayoutState& layout = context_.state;
        if (LayoutTrace* trace = layout.trace) {
            const TextStyle& style = context_.style;
            trace->glyphs.push_back({run_.TextOf(cluster), x, baseline, style.fontSlant,
                                     style.fontWeight, static_cast<int>(style.decoration)});
        }
        // A character that is never drawn (a word joiner, say) is no part of a word as drawn.
        if (layout.dump != nullptr && (cluster.glyphCount > 0 || cluster.blank)) {
            DumpPiece(context_, run_.TextOf(cluster), x, cluster.advance, baseline,
                      painter_.FontHeight(), cluster.blank, cluster.font);
        }
        if (visible) {
            const bool decorated = context_.style.decoration != Decoration::None &&
                                   context_.style.decoration != Decoration::Blink;
            if (decorated || (context_.style.backgroundColor &&
                              *context_.style.backgroundColor == kBlackComponents)) {
                painter_.Flush();
                DrawGlyphBackground(context_, painter_, x, baseline, cluster.advance);
                if (decorated) {
                    DrawDecoration(context_, painter_, x, baseline, cluster.advance);
                }
            }
            painter_.ShowCluster(run_, cluster, x, baseline);
        }
        if (layout.inLink) {
            MarkLinkSpan(layout, x, x + cluster.advance, baseline);
            layout.linkSpansMoved = layout.linkSpansMoved || moved;
        }
    }

    LayoutContext& context_;
    GlyphPainter& painter_;
    const ShapedRun& run_;
    int paragraphLevel_;
    std::vector<Held> held_;
    std::vector<FriBidiCharType> types_;
    std::vector<FriBidiLevel> levels_;
    std::vector<FriBidiStrIndex> order_;
};

void WrapPen(LayoutContext& context, GlyphPainter& painter, Pen& pen) {
    painter.FlushAtLineEnd();
    const double height = painter.FontHeight();
    MovePen(context, pen, LeftEdgeAt(context, pen.y + height), pen.y + height);
    context.state.lineStarted = false;
    context.state.skipBlanks = true;
    // The run goes on on the new line, on a baseline one line height below its top.
    context.state.lineDepth = context.state.lineHeight;
}

}  // namespace

double RightLimit(const LayoutContext& context) {
    return context.areaWidth - context.settings.HorizontalMarginValue() - 10;
}

double LeftEdgeAt(const LayoutContext& context, double y) {
    const LayoutState& layout = context.state;
    if (layout.pictureIndex >= 1) {
        const PictureRecord& picture = layout.pictures[layout.pictureIndex - 1];
        if (picture.y < y && y < picture.y + picture.height) {
            return picture.x + picture.width + kPictureGap;
        }
    }
    return context.settings.HorizontalMarginValue();
}

namespace {

// The paragraph's base level, once its first strong character or a dir attribute has said;
// 0 (left to right) until then.
int ParagraphLevel(LayoutContext& context, const std::vector<char32_t>& characters) {
    LayoutState& layout = context.state;
    if (layout.paragraphLevel < 0) {
        layout.paragraphLevel = layout.declaredLevel >= 0
                                    ? layout.declaredLevel
                                    : ParagraphLevelOf(characters.data(), characters.size());
    }
    return std::max(layout.paragraphLevel, 0);
}

bool HasRightToLeft(const ShapedRun& run) {
    return std::any_of(run.clusters.begin(), run.clusters.end(),
                       [](const ShapedCluster& cluster) { return (cluster.level & 1) != 0; });
}

// Whether every character can be drawn one glyph after the other in the style's font.
bool AllPlain(LayoutContext& context, const std::vector<char32_t>& characters) {
    FontMetrics& font = CurrentFontMetrics(context);
    return std::all_of(characters.begin(), characters.end(), [&](char32_t character) {
        const FontMetrics::Glyph& glyph = font.GlyphFor(character);
        return glyph.plain || glyph.ignorable;
    });
}

const ShapedRun& Shaped(LayoutContext& context, std::string_view text,
                        const std::vector<char32_t>& characters, int paragraphLevel) {
    return context.shapedRuns.Find(context.fonts, context.state.cr, CurrentFontMetrics(context),
                                   text, characters, paragraphLevel, context.state.language);
}

}  // namespace

double TextAdvance(LayoutContext& context, std::string_view text) {
    static thread_local std::vector<char32_t> characters;
    DecodeRun(text, characters);
    const int level = std::max(context.state.paragraphLevel, context.state.declaredLevel);
    if (level > 0 || !AllPlain(context, characters)) {
        double advance = 0.0;
        for (const ShapedCluster& cluster :
             Shaped(context, text, characters, std::max(level, 0)).clusters) {
            advance += cluster.advance;
        }
        return advance;
    }
    FontMetrics& font = CurrentFontMetrics(context);
    const bool ignorables =
        std::any_of(characters.begin(), characters.end(),
                    [&](char32_t character) { return font.GlyphFor(character).ignorable; });
    if ((context.referenceRendering || context.currentFont == nullptr) && !ignorables) {
        const std::string valid = SanitizedUtf8(text);
        cairo_text_extents_t extents;
        cairo_text_extents(context.state.cr, valid.c_str(), &extents);
        return extents.x_advance;
    }
    double advance = 0.0;
    for (std::size_t at = 0; at < text.size();) {
        const FontMetrics::Glyph& glyph = font.GlyphFor(DecodeUtf8(text, at));
        if (!glyph.ignorable) {
            advance += glyph.advance;
        }
    }
    return advance;
}

void DrawTextRun(LayoutContext& context, std::string_view text) {
    LayoutState& layout = context.state;
    cairo_t* cr = layout.cr;
    GlyphPainter painter(context);

    static thread_local std::vector<char32_t> characters;
    static thread_local std::vector<RunGlyph> glyphs;
    static const ShapedRun kNoRun;
    DecodeRun(text, characters);
    const int paragraphLevel = ParagraphLevel(context, characters);
    glyphs.clear();
    bool hasInk = false;
    // Text the style's font draws glyph by glyph, left to right, is measured so; anything else
    // is shaped, as a whole run.
    // Characters never drawn are left out here; a zero-width space still lets the line break.
    bool isShaped = paragraphLevel != 0;
    FontMetrics* referenceFont =
        !isShaped && painter.reference() ? &CurrentFontMetrics(context) : nullptr;
    bool breakNext = false;
    for (std::size_t i = 0; !isShaped && i < characters.size(); ++i) {
        const char32_t character = characters[i];
        const FontMetrics::Glyph& info = referenceFont != nullptr
                                             ? referenceFont->GlyphFor(character)
                                             : context.currentFont->GlyphFor(character);
        if (info.ignorable) {
            breakNext = breakNext || character == kZeroWidthSpace;
            continue;
        }
        isShaped = !info.plain;
        glyphs.push_back(painter.Measure(character));
        glyphs.back().breakBefore = breakNext && !glyphs.back().blank;
        breakNext = false;
        hasInk = hasInk || !glyphs.back().blank;
    }
    const ShapedRun& shaped = isShaped ? Shaped(context, text, characters, paragraphLevel) : kNoRun;
    if (isShaped) {
        glyphs.clear();
        hasInk = false;
        for (const ShapedCluster& cluster : shaped.clusters) {
            glyphs.push_back({nullptr, &cluster, cluster.advance,
                              shaped.characters[cluster.firstCharacter], false, cluster.blank,
                              cluster.breakBefore});
            hasInk = hasInk || (!cluster.blank && cluster.glyphCount > 0);
        }
    }
    ClusterPlacer placer(context, painter, shaped, paragraphLevel);
    const double fontHeight = painter.FontHeight();
    layout.tallestFont = std::max(layout.tallestFont, fontHeight);
    // A run in a font taller than the line (a larger size started by i, b, u or font) sits on a
    // baseline low enough for it, later runs of the line on the same baseline, and the line
    // advances far enough to clear it.
    if (hasInk) {
        const double depth =
            layout.lineStarted ? std::max(fontHeight, layout.lineDepth) : fontHeight;
        layout.lineHeight = std::max(layout.lineHeight, depth);
        layout.lineDepth = std::max(layout.lineDepth, layout.lineHeight);
    }
    const bool decorated = context.style.decoration != Decoration::None &&
                           context.style.decoration != Decoration::Blink;
    // Every glyph the plain drawing walks through sets the decoration's line width, seen or not;
    // a rule stroked later takes that width, so the culled drawing must set it too.
    if (decorated && (hasInk || (!glyphs.empty() && !layout.skipBlanks))) {
        cairo_set_line_width(cr, kDecorationLineWidth);
    }

    Pen pen = ReadPen(cr);
    MovePen(context, pen, pen.x, pen.y + layout.lineHeight);

    const double rightLimit = RightLimit(context);
    // A centred or right-aligned run is placed so that it fits: it may end past the right
    // limit (a right-aligned run ends at the margin), and must not wrap for that.
    double lineLimit = rightLimit;
    if (!layout.lineStarted && context.style.textAlign != TextAlign::Left) {
        double advance = 0.0;
        if (isShaped) {
            for (const RunGlyph& glyph : glyphs) {
                advance += glyph.advance;
            }
        } else {
            advance = TextAdvance(context, text);
        }
        AlignRun(context, pen, advance);
        lineLimit = std::max(rightLimit, pen.x + advance + 0.5);
    }

    const bool blackBackground =
        context.style.backgroundColor && *context.style.backgroundColor == kBlackComponents;
    // Words on lines nobody sees are only measured, as a whole; the plain walk glyph by glyph
    // is kept for what is drawn, traced, or drawn with cairo's own text calls.
    // Shaped clusters that a mirrored or reordered line holds are placed one by one, so that a
    // link's spans come out where the clusters are drawn.
    const bool wholeWords = !painter.reference() && layout.trace == nullptr &&
                            layout.dump == nullptr &&
                            !(isShaped && (paragraphLevel == 1 || HasRightToLeft(shaped)));
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const RunGlyph& glyph = glyphs[i];
        if (glyph.blank && layout.skipBlanks) {
            continue;
        }
        if (!glyph.blank && (i == 0 || glyphs[i - 1].blank || glyph.breakBefore)) {
            // A word: if it would reach the right limit, it starts the next line instead,
            // unless the pen already stands at the start of a line.
            WordSpan word = MeasureWord(glyphs, i, pen.x);
            const double lineTop = pen.y - layout.lineHeight;
            if (word.end >= lineLimit && pen.x > LeftEdgeAt(context, lineTop)) {
                placer.Flush();
                WrapPen(context, painter, pen);
                lineLimit = rightLimit;
                word = MeasureWord(glyphs, i, pen.x);
            }
            if (wholeWords && word.forward && word.end < lineLimit &&
                !painter.Visible(pen.y, fontHeight)) {
                if (layout.inLink) {
                    MarkLinkSpan(layout, pen.x, word.end, pen.y);
                }
                pen.x = word.end;
                layout.lineStarted = true;
                layout.skipBlanks = false;
                i = word.last - 1;
                continue;
            }
        }
        const bool visible = painter.Visible(pen.y, fontHeight);
        if (glyph.cluster != nullptr) {
            placer.Place(*glyph.cluster, pen.x, pen.y, visible);
            pen.x = Step(pen.x, glyph);
            layout.lineStarted = true;
            if (!glyph.blank) {
                layout.skipBlanks = false;
            }
            if (pen.x >= lineLimit) {
                placer.Flush();
                WrapPen(context, painter, pen);
                lineLimit = rightLimit;
            }
            continue;
        }
        if (visible && (decorated || blackBackground)) {
            painter.Flush();
            DrawGlyphBackground(context, painter, pen.x, pen.y, glyph.advance);
            if (decorated) {
                DrawDecoration(context, painter, pen.x, pen.y, glyph.advance);
            }
        }
        const double glyphX = pen.x;
        pen.x = painter.Show(glyph, pen.x, pen.y, visible);
        if (layout.inLink) {
            MarkLinkSpan(layout, glyphX, pen.x, pen.y);
        }
        layout.lineStarted = true;
        if (!glyph.blank) {
            layout.skipBlanks = false;
        }
        if (pen.x >= lineLimit) {
            WrapPen(context, painter, pen);
            lineLimit = rightLimit;
        }
    }
    placer.Flush();
    MovePen(context, pen, pen.x, pen.y - layout.lineHeight);
    cairo_move_to(cr, pen.x, pen.y);
}

void NewLine(LayoutContext& context) {
    LayoutState& layout = context.state;
    const Pen pen = ReadPen(layout.cr);
    // The line ends below the lowest baseline drawn on it.
    const double y = pen.y + std::max(layout.lineHeight, layout.lineDepth);
    cairo_move_to(layout.cr, LeftEdgeAt(context, y), y);
    layout.lineStarted = false;
    layout.skipBlanks = false;
    layout.lineDepth = 0.0;
    layout.paragraphLevel = -1;
}

void WrapLine(LayoutContext& context) {
    GlyphPainter painter(context);
    Pen pen = ReadPen(context.state.cr);
    WrapPen(context, painter, pen);
    cairo_move_to(context.state.cr, pen.x, pen.y);
}

void DrawListMarker(LayoutContext& context, std::string_view marker) {
    LayoutState& layout = context.state;
    cairo_t* cr = layout.cr;
    const Pen start = ReadPen(cr);
    cairo_move_to(cr, start.x, start.y + layout.lineHeight);
    const std::string valid = SanitizedUtf8(marker);
    double x = start.x;
    double y = start.y + layout.lineHeight;
    if (!valid.empty()) {
        layout.blankWhitePage = false;
        layout.lineDepth = std::max(layout.lineDepth, layout.lineHeight);
        if (LayoutTrace* trace = layout.trace) {
            trace->glyphs.push_back(
                {valid, start.x, y, context.style.fontSlant, context.style.fontWeight, 0});
        }
        GlyphPainter painter(context);
        layout.tallestFont = std::max(layout.tallestFont, painter.FontHeight());
        if (context.referenceRendering || context.currentFont == nullptr) {
            cairo_show_text(cr, valid.c_str());
            cairo_get_current_point(cr, &x, &y);
            if (layout.dump != nullptr) {
                std::string_view text = valid;
                while (text.ends_with(' ')) {
                    text.remove_suffix(1);
                }
                DumpPiece(context, text, start.x, x - start.x, y, painter.FontHeight(), false,
                          nullptr);
            }
        } else {
            // cairo_show_text of a whole marker places its glyphs at unrounded advances and
            // leaves the pen once, rounded, after the last.
            double glyphX = CairoFixed(start.x);
            y = CairoFixed(y);
            const bool visible = painter.Visible(y, painter.FontHeight());
            for (std::size_t at = 0; at < valid.size();) {
                const char32_t glyph = DecodeUtf8(valid, at);
                const FontMetrics::Glyph& metrics = context.currentFont->GlyphFor(glyph);
                if (visible) {
                    const cairo_glyph_t drawn{metrics.index, glyphX, y};
                    cairo_show_glyphs(cr, &drawn, 1);
                }
                if (layout.dump != nullptr) {
                    DumpPiece(context, Utf8Of(glyph), glyphX, metrics.advance, y,
                              painter.FontHeight(), glyph == U' ', context.currentFont);
                }
                glyphX += metrics.advance;
            }
            x = CairoFixed(glyphX);
        }
        layout.lineStarted = true;
    }
    cairo_move_to(cr, x, y - layout.lineHeight);
    if (x >= RightLimit(context)) {
        WrapLine(context);
    }
    layout.ClearText();
}

}  // namespace quirelle
