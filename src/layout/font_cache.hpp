#pragma once

#include <cairo.h>
#include <hb.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "layout/font_fallback.hpp"

namespace quirelle {

struct ScaledFontRelease {
    void operator()(cairo_scaled_font_t* font) const { cairo_scaled_font_destroy(font); }
};
using ScaledFont = std::unique_ptr<cairo_scaled_font_t, ScaledFontRelease>;

struct HarfBuzzFontRelease {
    void operator()(hb_font_t* font) const { hb_font_destroy(font); }
};
using HarfBuzzFont = std::unique_ptr<hb_font_t, HarfBuzzFontRelease>;

// The face a style asks for: its family, slant and weight.
struct FontRequest {
    std::string family;
    int slant = 0;
    int weight = 0;
};

// A piece of text as HarfBuzz shaped it in one font: glyph indices with the cluster (the
// character offset) each comes from, and their advances and offsets in 1/64 pixel.
struct ShapedText {
    std::vector<hb_glyph_info_t> glyphs;
    std::vector<hb_glyph_position_t> positions;
};

// One font at one size on one kind of surface, with what the text flow asks of it again and again:
// its extents, and each character's glyph and advance. The answers are cairo's own, asked once.
class FontMetrics {
  public:
    struct Glyph {
        unsigned long index = 0;
        double advance = 0.0;
        // The ink, relative to the pen: where it starts and how wide it is. A glyph without ink
        // (a blank) draws nothing.
        double inkLeft = 0.0;
        double inkWidth = 0.0;
        bool hasInk = false;
        // Whether the advance is a whole number of cairo's 1/256 pixel steps: then moving the pen
        // by it needs no rounding (always so for hinted metrics).
        bool advanceOnGrid = false;
        // Whether the font has the character and it can be drawn one glyph after the other,
        // with no other font, shaping or reordering (see IsPlainCharacter).
        bool plain = false;
        // A character never drawn (see IsDefaultIgnorable): it takes no room either.
        bool ignorable = false;
    };

    FontMetrics(ScaledFont font, FontRequest request);

    cairo_scaled_font_t* scaledFont() const { return font_.get(); }
    const cairo_font_extents_t& extents() const { return extents_; }
    const FontRequest& request() const { return request_; }
    // The font size in pixels (the scale of its font matrix).
    double size() const { return size_; }

    // The same font for HarfBuzz, made on first use; null when the face cannot be read.
    hb_font_t* ShapingFont();
    // Text shaped in this font so far, by direction, script and text (see text_shaping).
    std::unordered_map<std::u32string, ShapedText>& shapedTexts() { return shapedTexts_; }
    // The fonts found to draw characters this one lacks (null: none has it).
    std::unordered_map<char32_t, FontMetrics*>& fallbacks() { return fallbacks_; }

    const Glyph& GlyphFor(char32_t character) {
        if (character < ascii_.size()) {
            Glyph& glyph = ascii_[character];
            if (!asciiKnown_[character]) {
                glyph = Lookup(character);
                asciiKnown_[character] = true;
            }
            return glyph;
        }
        auto found = others_.find(character);
        if (found == others_.end()) {
            found = others_.emplace(character, Lookup(character)).first;
        }
        return found->second;
    }

  private:
    Glyph Lookup(char32_t character) const;

    ScaledFont font_;
    FontRequest request_;
    double size_ = 0.0;
    cairo_font_extents_t extents_{};
    std::array<Glyph, 128> ascii_{};
    std::array<bool, 128> asciiKnown_{};
    std::unordered_map<char32_t, Glyph> others_;
    HarfBuzzFont shapingFont_;
    bool shapingFontTried_ = false;
    std::unordered_map<std::u32string, ShapedText> shapedTexts_;
    std::unordered_map<char32_t, FontMetrics*> fallbacks_;
};

// The fonts a view has used, so that handing a style to cairo costs a lookup rather than a font
// selection, and measuring a glyph costs an array read.
class FontCache {
  public:
    // The font cairo would choose on `cr` for this face and size. A font met for the first time
    // is selected on `cr` to learn it; otherwise `cr` is left alone (see Use).
    FontMetrics& Find(cairo_t* cr, const std::string& family, int slant, int weight, double size);
    // Makes the font the one `cr` draws with.
    static void Use(cairo_t* cr, const FontMetrics& font) {
        cairo_set_scaled_font(cr, font.scaledFont());
    }

    // The font that draws `character` in place of `primary`, which lacks it: an installed font
    // that has it, as fontconfig ranks them for the primary's family and the language, at the
    // same size and options. The primary itself when no font has the character.
    FontMetrics& FallbackFor(cairo_t* cr, FontMetrics& primary, char32_t character,
                             std::string_view language);

    // Called when a pass starts on `cr`: what its target and font options are is asked once.
    void BeginPass(cairo_t* cr);

    // Changes whenever fonts are let go, so that what refers to them knows to forget it.
    unsigned generation() const { return generation_; }
    // The hash of the font options of the pass begun last.
    unsigned long passOptions() const { return passOptions_; }

  private:
    struct Entry {
        std::string family;
        int slant;
        int weight;
        double size;
        cairo_surface_type_t surface;
        unsigned long options;  // hash of the context's font options
        std::unique_ptr<FontMetrics> metrics;
    };
    struct FallbackEntry {
        cairo_font_face_t* face;
        double size;
        cairo_surface_type_t surface;
        unsigned long options;
        std::unique_ptr<FontMetrics> metrics;
    };
    FontMetrics* FallbackMetrics(cairo_t* cr, cairo_font_face_t* face, const FontMetrics& primary);

    std::vector<Entry> entries_;
    FontFallback fallback_;
    std::vector<FallbackEntry> fallbackEntries_;
    unsigned generation_ = 0;
    std::size_t lastHit_ = 0;
    cairo_t* passCr_ = nullptr;
    cairo_surface_type_t passSurface_ = CAIRO_SURFACE_TYPE_IMAGE;
    unsigned long passOptions_ = 0;
};

}  // namespace quirelle
