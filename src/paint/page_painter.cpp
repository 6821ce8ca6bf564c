#include "paint/page_painter.hpp"

#include <algorithm>
#include <vector>

#include "paint/copied_text.hpp"

namespace quirelle {

void SetSourceColor(cairo_t* cr, const RgbaColor& color) {
    cairo_set_source_rgba(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
}

namespace {

// The thickest underline or border, in pixels, that a theme colours as it colours text.
constexpr double kThickestLine = 6.0;

// A page uses a handful of colours over and over: each is mapped once per paint.
class MappedColors {
  public:
    explicit MappedColors(const ColorTheme& theme) : theme_(theme) {}

    RgbaColor Text(RgbaColor color) { return Mapped(text_, color, &ColorTheme::Text); }
    RgbaColor Ground(RgbaColor color) { return Mapped(ground_, color, &ColorTheme::Ground); }

  private:
    struct Entry {
        RgbaColor from;
        RgbaColor to;
    };
    static constexpr std::size_t kKept = 8;

    RgbaColor Mapped(std::vector<Entry>& kept, RgbaColor color,
                     RgbaColor (ColorTheme::*map)(RgbaColor) const) {
        if (!theme_.MapsColors()) {
            return color;
        }
        for (const Entry& entry : kept) {
            if (entry.from == color) {
                return entry.to;
            }
        }
        const RgbaColor to = (theme_.*map)(color);
        if (kept.size() == kKept) {
            kept.erase(kept.begin());
        }
        kept.push_back({color, to});
        return to;
    }

    const ColorTheme& theme_;
    std::vector<Entry> text_;
    std::vector<Entry> ground_;
};

}  // namespace

void PaintPage(cairo_t* cr, const PageLayout& page, PictureStore* pictures, double top,
               double bottom, const ColorTheme& theme) {
    MappedColors colors(theme);
    const auto [first, last] = page.ItemsIn(top, bottom);
    // Only a document keeps the text behind its glyphs; a picture of the page has no use for it.
    const cairo_surface_type_t surface = cairo_surface_get_type(cairo_get_target(cr));
    const bool withText = surface == CAIRO_SURFACE_TYPE_PDF || surface == CAIRO_SURFACE_TYPE_SVG ||
                          surface == CAIRO_SURFACE_TYPE_PS;
    for (std::size_t i = first; i < last; ++i) {
        const DisplayItem& item = page.items[i];
        if (item.bottom <= top || item.top >= bottom) {
            continue;
        }
        switch (item.kind) {
            case DisplayItem::Kind::Rect: {
                const PlacedRect& rect = page.rects[item.index];
                // The display list does not say what a rectangle is: a thin one is a line (an
                // underline, a border) and is read as text is; anything wider is a background.
                const bool line = std::min(rect.width, rect.height) <= kThickestLine;
                SetSourceColor(cr, line ? colors.Text(rect.color) : colors.Ground(rect.color));
                cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
                cairo_fill(cr);
                break;
            }
            case DisplayItem::Kind::Glyphs: {
                const PlacedGlyphRun& run = page.runs[item.index];
                if (run.font >= page.fonts.size() || run.glyphCount == 0) {
                    break;
                }
                cairo_set_scaled_font(cr, page.fonts[run.font].get());
                SetSourceColor(cr, colors.Text(run.color));
                const std::string_view text(page.runText.data() + run.textOffset,
                                            withText ? run.textLength : 0);
                if (withText && run.clusterCount > 0 && NeedsCopiedText(text)) {
                    const CopiedText copied =
                        CopiedTextOf(text, page.clusters.data() + run.firstCluster,
                                     static_cast<int>(run.clusterCount));
                    cairo_show_text_glyphs(
                        cr, copied.text.data(), static_cast<int>(copied.text.size()),
                        page.glyphs.data() + run.firstGlyph, static_cast<int>(run.glyphCount),
                        copied.clusters.data(), static_cast<int>(copied.clusters.size()),
                        static_cast<cairo_text_cluster_flags_t>(0));
                } else if (withText && run.clusterCount > 0) {
                    cairo_show_text_glyphs(
                        cr, page.runText.data() + run.textOffset, static_cast<int>(run.textLength),
                        page.glyphs.data() + run.firstGlyph, static_cast<int>(run.glyphCount),
                        page.clusters.data() + run.firstCluster, static_cast<int>(run.clusterCount),
                        static_cast<cairo_text_cluster_flags_t>(0));
                } else {
                    cairo_show_glyphs(cr, page.glyphs.data() + run.firstGlyph,
                                      static_cast<int>(run.glyphCount));
                }
                break;
            }
            case DisplayItem::Kind::Picture: {
                const PlacedPicture& picture = page.pictures[item.index];
                // A sound's bar is the view's to draw: its buttons are links of the view.
                if (pictures == nullptr || picture.width <= 0 || picture.height <= 0 ||
                    picture.kind == PlacedPicture::Kind::Audio ||
                    picture.kind == PlacedPicture::Kind::Other) {
                    break;
                }
                const PictureSource source = picture.svgText.empty()
                                                 ? PictureSource{picture.source, {}}
                                                 : PictureSource{"SVG", picture.svgText};
                if (theme.Theme() == PageTheme::Night) {
                    // Line art on a clear ground is drawn for a light page: on the dark one it
                    // would vanish. Under a picture the page stays as by Day, so the picture
                    // looks as it does there, pixel for pixel.
                    SetSourceColor(cr, ColorTheme().Page());
                    cairo_rectangle(cr, picture.x, picture.y, picture.width, picture.height);
                    cairo_fill(cr);
                }
                pictures->Draw(cr, source, picture.x, picture.y, picture.width, picture.height);
                break;
            }
        }
    }
}

}  // namespace quirelle
