// Drawing the page on display: a fresh surface of the view's size for every draw, the document
// laid out onto it. The drawing primitives of the pass live with the layout; the view's methods
// of the same names hand them its layout context.
#include <cmath>
#include <limits>

#include "layout/cairo_style.hpp"
#include "layout/drawing_primitives.hpp"
#include "layout/layout_document.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"

namespace quirelle {

void DocumentView::Draw(cairo_t* target, int width, int height) {
    DocumentViewData& data = *data_;
    LayoutContext& layout = data.layout;
    layout.areaWidth = width;
    layout.areaHeight = height;
    if (data.book.archivePath.empty() || width <= 0 || height <= 0) {
        return;
    }
    CairoSurface& page = data.pageSurface;
    if (!page || cairo_image_surface_get_width(page.get()) != width ||
        cairo_image_surface_get_height(page.get()) != height) {
        page.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    }
    CairoContext pageCr(cairo_create(page.get()));
    cairo_rectangle(pageCr.get(), 0.0, 0.0, width, height);
    cairo_set_source_rgb(pageCr.get(), 1.0, 1.0, 1.0);
    cairo_fill(pageCr.get());

    // Only the rows of this surface can show anything, and nothing laid out well below them can
    // reach them: the tallest line a font of the largest drawable size makes is far less.
    layout.state.ShowRows(0.0, height);
    layout.state.endBelow = height + 3 * kLargestDrawableFontSize;
    layout.state.blankWhitePage = true;
    // A draw may begin at a checkpoint an earlier pass kept. Positions move with the scroll
    // offset, so the offset is kept to cairo's 1/256 pixel, which makes moving a checkpoint's
    // positions by it exact.
    layout.scrollY = std::round(layout.scrollY * 256.0) / 256.0;
    layout.state.resumable = true;
    RenderPage(pageCr.get(), data.documentText.Text());
    layout.state.resumable = false;
    layout.state.blankWhitePage = false;
    layout.state.endBelow = std::numeric_limits<double>::infinity();
    layout.state.cr = nullptr;
    pageCr.reset();
    cairo_surface_flush(page.get());

    // The page is opaque, so copying it outright gives what blending it would, only faster.
    cairo_save(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(target, page.get(), 0, 0);
    cairo_rectangle(target, 0, 0, width, height);
    cairo_fill(target);
    cairo_restore(target);
}

void DocumentView::RenderPage(cairo_t* cr, std::string_view text) {
    data_->layout.settings = frontend_.CurrentSettings();
    quirelle::RenderPage(data_->layout, cr, text);
}

void DocumentView::DrawRule() {
    quirelle::DrawRule(data_->layout);
}
void DocumentView::DumpSvgText() {
    WriteDump(RamPath("debug_svg.txt"), data_->layout.state.svgBuffer, DumpMode::Overwrite);
}
void DocumentView::ApplyFont() {
    quirelle::ApplyFont(data_->layout);
}
void DocumentView::ApplyFontAndLineHeight() {
    quirelle::ApplyFontAndLineHeight(data_->layout);
}

void DocumentView::SetTextColor(std::string_view text) {
    quirelle::SetTextColor(data_->layout, text);
}

void DocumentView::SetBackgroundColor(std::string_view text) {
    quirelle::SetBackgroundColor(data_->layout, text);
}

void DocumentView::ApplyElementStyle(std::string_view key) {
    quirelle::ApplyElementStyle(data_->layout, key);
}

void DocumentView::AddStyleBlock(std::string_view text) {
    quirelle::AddStyleBlock(data_->layout, text);
}

void DocumentView::ParseAllRules() {
    quirelle::ParseAllRules(data_->layout);
}
void DocumentView::AddLink() {
    quirelle::AddLink(data_->layout);
}
void DocumentView::DrawAudioControls() {
    quirelle::DrawAudioControls(data_->layout);
}

}  // namespace quirelle
