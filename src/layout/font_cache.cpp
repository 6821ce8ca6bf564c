#include "layout/font_cache.hpp"

#include <cmath>

#include "layout/utf8.hpp"

namespace quirelle {

namespace {

// Beyond this many faces and sizes the cache starts afresh; a book rarely uses more than a dozen.
constexpr std::size_t kMaximumFonts = 256;

}  // namespace

FontMetrics::FontMetrics(ScaledFont font) : font_(std::move(font)) {
    cairo_scaled_font_extents(font_.get(), &extents_);
}

FontMetrics::Glyph FontMetrics::Lookup(char32_t character) const {
    std::string text;
    AppendUtf8(text, character);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    Glyph result;
    if (cairo_scaled_font_text_to_glyphs(font_.get(), 0, 0, text.data(),
                                         static_cast<int>(text.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) == CAIRO_STATUS_SUCCESS &&
        count == 1) {
        cairo_text_extents_t extents;
        cairo_scaled_font_glyph_extents(font_.get(), glyphs, 1, &extents);
        result.index = glyphs[0].index;
        result.advance = extents.x_advance;
        result.inkLeft = extents.x_bearing;
        result.inkWidth = extents.width;
        result.hasInk = extents.width > 0 && extents.height > 0;
        const double steps = extents.x_advance * 256.0;
        result.advanceOnGrid = steps == static_cast<double>(static_cast<long long>(steps)) &&
                               std::abs(extents.x_advance) < 65536.0;
    }
    cairo_glyph_free(glyphs);
    return result;
}

void FontCache::BeginPass(cairo_t* cr) {
    // The same face and size measures differently on another kind of surface (metrics are
    // hinted on images, not in PDF) or under other font options.
    passCr_ = cr;
    passSurface_ = cairo_surface_get_type(cairo_get_target(cr));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_get_font_options(cr, options);
    passOptions_ = cairo_font_options_hash(options);
    cairo_font_options_destroy(options);
}

FontMetrics& FontCache::Find(cairo_t* cr, const std::string& family, int slant, int weight,
                             double size) {
    if (cr != passCr_) {
        BeginPass(cr);
    }
    const cairo_surface_type_t surface = passSurface_;
    const unsigned long options = passOptions_;
    auto matches = [&](const Entry& entry) {
        return entry.size == size && entry.slant == slant && entry.weight == weight &&
               entry.surface == surface && entry.options == options && entry.family == family;
    };
    Entry* hit = nullptr;
    if (lastHit_ < entries_.size() && matches(entries_[lastHit_])) {
        hit = &entries_[lastHit_];
    } else {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (matches(entries_[i])) {
                hit = &entries_[i];
                lastHit_ = i;
                break;
            }
        }
    }
    if (hit != nullptr) {
        return *hit->metrics;
    }

    cairo_select_font_face(cr, family.c_str(), static_cast<cairo_font_slant_t>(slant),
                           static_cast<cairo_font_weight_t>(weight));
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, size, size);
    cairo_set_font_matrix(cr, &matrix);
    if (entries_.size() >= kMaximumFonts) {
        entries_.clear();
    }
    ScaledFont font(cairo_scaled_font_reference(cairo_get_scaled_font(cr)));
    entries_.push_back({family, slant, weight, size, surface, options,
                        std::make_unique<FontMetrics>(std::move(font))});
    lastHit_ = entries_.size() - 1;
    return *entries_.back().metrics;
}

}  // namespace quirelle
