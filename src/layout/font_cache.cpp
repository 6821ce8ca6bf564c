#include "layout/font_cache.hpp"

#include <cairo-ft.h>
#include <hb-ft.h>

#include <cmath>
#include <functional>

#include "layout/character_class.hpp"
#include "layout/utf8.hpp"

namespace quirelle {

namespace {

// Beyond this many faces and sizes the cache starts afresh; a book rarely uses more than a dozen.
constexpr std::size_t kMaximumFonts = 256;

}  // namespace

FontMetrics::FontMetrics(ScaledFont font, FontRequest request)
    : font_(std::move(font)), request_(std::move(request)) {
    cairo_scaled_font_extents(font_.get(), &extents_);
    cairo_matrix_t matrix;
    cairo_scaled_font_get_font_matrix(font_.get(), &matrix);
    size_ = matrix.yy;
}

hb_font_t* FontMetrics::ShapingFont() {
    if (shapingFontTried_) {
        return shapingFont_.get();
    }
    shapingFontTried_ = true;
    if (cairo_scaled_font_get_type(font_.get()) != CAIRO_FONT_TYPE_FT) {
        return nullptr;
    }
    FT_Face face = cairo_ft_scaled_font_lock_face(font_.get());
    if (face == nullptr) {
        return nullptr;
    }
    // HarfBuzz reads the tables of the face cairo opened, keeping its own reference to it.
    hb_face_t* shapingFace = hb_ft_face_create_referenced(face);
    cairo_ft_scaled_font_unlock_face(font_.get());
    shapingFont_.reset(hb_font_create(shapingFace));
    hb_face_destroy(shapingFace);
    const int scale = static_cast<int>(std::lround(size_ * 64.0));
    hb_font_set_scale(shapingFont_.get(), scale, scale);
    return shapingFont_.get();
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
        result.plain = result.index != 0 && IsPlainCharacter(character);
    }
    result.ignorable = IsDefaultIgnorable(character);
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
    // A scaled font draws at the size it was made for under the transformation it was made
    // under: a page printed at another scale (PDF paper sizes) needs fonts of its own.
    cairo_matrix_t ctm;
    cairo_get_matrix(cr, &ctm);
    if (ctm.xx != 1.0 || ctm.yy != 1.0 || ctm.xy != 0.0 || ctm.yx != 0.0) {
        passOptions_ ^= std::hash<double>{}(ctm.xx) * 31 + std::hash<double>{}(ctm.yy) * 7 +
                        std::hash<double>{}(ctm.xy) * 3 + std::hash<double>{}(ctm.yx);
    }
    // Between passes nobody holds a font, so that is when a full list is let go: a pass that
    // meets more fonts than the bound keeps them all until it ends.
    if (entries_.size() >= kMaximumFonts) {
        ++generation_;
        entries_.clear();
        fallbackEntries_.clear();
        lastHit_ = 0;
    } else if (fallbackEntries_.size() >= kMaximumFonts) {
        ++generation_;
        fallbackEntries_.clear();
        for (Entry& entry : entries_) {
            entry.metrics->fallbacks().clear();
        }
    }
}

FontMetrics* FontCache::FallbackMetrics(cairo_t* cr, cairo_font_face_t* face,
                                        const FontMetrics& primary) {
    const double size = primary.size();
    for (FallbackEntry& entry : fallbackEntries_) {
        if (entry.face == face && entry.size == size && entry.surface == passSurface_ &&
            entry.options == passOptions_) {
            return entry.metrics.get();
        }
    }
    // The options cairo would use on `cr`: the surface's, overridden by the context's.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_surface_get_font_options(cairo_get_target(cr), options);
    cairo_font_options_t* contextOptions = cairo_font_options_create();
    cairo_get_font_options(cr, contextOptions);
    cairo_font_options_merge(options, contextOptions);
    cairo_font_options_destroy(contextOptions);
    cairo_matrix_t fontMatrix;
    cairo_scaled_font_get_font_matrix(primary.scaledFont(), &fontMatrix);
    cairo_matrix_t userToDevice;
    cairo_scaled_font_get_ctm(primary.scaledFont(), &userToDevice);
    ScaledFont font(cairo_scaled_font_create(face, &fontMatrix, &userToDevice, options));
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    fallbackEntries_.push_back({face, size, passSurface_, passOptions_,
                                std::make_unique<FontMetrics>(std::move(font), primary.request())});
    return fallbackEntries_.back().metrics.get();
}

FontMetrics& FontCache::FallbackFor(cairo_t* cr, FontMetrics& primary, char32_t character,
                                    std::string_view language) {
    auto known = primary.fallbacks().find(character);
    if (known == primary.fallbacks().end()) {
        const FontRequest& request = primary.request();
        cairo_font_face_t* face =
            fallback_.FaceFor(request.family, request.slant, request.weight, language, character);
        FontMetrics* found = face != nullptr ? FallbackMetrics(cr, face, primary) : nullptr;
        known = primary.fallbacks().emplace(character, found).first;
    }
    return known->second != nullptr ? *known->second : primary;
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
    ScaledFont font(cairo_scaled_font_reference(cairo_get_scaled_font(cr)));
    entries_.push_back(
        {family, slant, weight, size, surface, options,
         std::make_unique<FontMetrics>(std::move(font), FontRequest{family, slant, weight})});
    lastHit_ = entries_.size() - 1;
    return *entries_.back().metrics;
}

}  // namespace quirelle
