// A content document taken through the whole new engine: tree, cascade (with the document's own
// <style> elements), boxes, layout at widths narrower than any word, the display list painted in
// two slices, and the dump. Every index the page hands out is checked against what it indexes,
// since the painter, the views and the dump trust them without looking.
#include <cairo.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "layout/document_layout.hpp"
#include "layout/page_layout_dump.hpp"
#include "layout/picture_store.hpp"
#include "paint/page_painter.hpp"
#include "platform/cairo_handles.hpp"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Takes every character the dump writes and keeps none, so that the formatting still runs.
class NullBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// Pictures of every shape a book's files may claim: none, empty, a line, ordinary, and the
// largest the decoder accepts; picked by the path, so that a document chooses by its names.
std::optional<quirelle::PictureSize> SizeOf(const std::string& path) {
    const std::size_t pick = std::hash<std::string>{}(path) % 5;
    switch (pick) {
        case 0:
            return std::nullopt;
        case 1:
            return quirelle::PictureSize{0, 0};
        case 2:
            return quirelle::PictureSize{5'000'000, 1};
        case 3:
            return quirelle::PictureSize{640, 480};
        default:
            return quirelle::PictureSize{5000, 5000};
    }
}

void CheckPage(const quirelle::DocumentLayout& layout) {
    const quirelle::PageLayout& page = layout.page;
    Check(page.elementTop.size() == layout.tree.size());
    Check(page.bottomsSoFar.size() == page.items.size());
    Check(page.topsFromHere.size() == page.items.size());
    for (const quirelle::DisplayItem& item : page.items) {
        switch (item.kind) {
            case quirelle::DisplayItem::Kind::Rect:
                Check(item.index < page.rects.size());
                break;
            case quirelle::DisplayItem::Kind::Glyphs:
                Check(item.index < page.runs.size());
                break;
            case quirelle::DisplayItem::Kind::Picture:
                Check(item.index < page.pictures.size());
                break;
        }
    }
    for (const quirelle::PlacedGlyphRun& run : page.runs) {
        Check(run.font < page.fonts.size());
        Check(run.firstGlyph <= page.glyphs.size() &&
              run.glyphCount <= page.glyphs.size() - run.firstGlyph);
    }
    for (const quirelle::LineBox& line : page.lines) {
        Check(line.firstWord <= page.words.size() &&
              line.wordCount <= page.words.size() - line.firstWord);
    }
    for (const quirelle::PlacedWord& word : page.words) {
        Check(word.style < page.wordStyles.size());
        Check(word.textOffset <= page.wordText.size() &&
              word.textLength <= page.wordText.size() - word.textOffset);
    }
    for (const quirelle::BlockBox& block : page.blocks) {
        Check(block.element < layout.tree.size());
    }
}

// Paints the rows [top, top + 64) onto a small surface, as a view scrolled to `top` would.
// The store has no book, so only inline SVG markup draws: the pictures of the book are the
// picture target's to fuzz.
void PaintSlice(const quirelle::PageLayout& page, quirelle::PictureStore& pictures, double top) {
    quirelle::CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 48, 64));
    quirelle::CairoContext cr(cairo_create(surface.get()));
    const auto [first, last] = page.ItemsIn(top, top + 64);
    Check(first <= last && last <= page.items.size());
    cairo_translate(cr.get(), 0, -top);
    quirelle::PaintPage(cr.get(), page, &pictures, top, top + 64);
}

void LayOut(std::string_view text, const quirelle::Settings& settings, double width) {
    static quirelle::FontCache fonts;
    quirelle::CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    quirelle::CairoContext cr(cairo_create(surface.get()));
    quirelle::StyleInputs inputs;
    inputs.settings = &settings;
    // Sheets the document links are not there: only its own <style> elements and attributes.
    inputs.readMember = [](std::string_view) { return std::optional<std::string>(); };
    const std::unique_ptr<quirelle::DocumentLayout> layout = quirelle::BuildDocumentLayout(
        text, "OEBPS/Text/chapter.xhtml", inputs, fonts, cr.get(), width, 90, SizeOf);
    Check(layout != nullptr);
    CheckPage(*layout);
    const quirelle::PageLayout& page = layout->page;
    quirelle::PictureStore pictures;
    PaintSlice(page, pictures, 0);
    // The middle of the page, where a long document's scroll lands; a non-finite height (which
    // the layout should never give) is painted at 0, and shows up through the dump instead.
    PaintSlice(page, pictures, std::isfinite(page.height) ? std::floor(page.height / 2) : 0);
    NullBuffer buffer;
    std::ostream sink(&buffer);
    quirelle::WritePageLayoutDump(sink, page, layout->tree, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static const quirelle::Settings kDefaults;
    // Sizes and margins a user may type: a page margin wider than the page, and fonts larger
    // than it.
    static const quirelle::Settings kHuge = [] {
        quirelle::Settings settings;
        settings.horizontalMargin = "100";
        settings.standart.size = "400";
        settings.header1.size = "999";
        settings.list.size = "300";
        settings.preformated.size = "500";
        return settings;
    }();
    LayOut(text, kDefaults, 160);
    LayOut(text, kDefaults, 37);
    LayOut(text, kHuge, 160);
    return 0;
}
