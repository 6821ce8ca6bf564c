// Drawing the page on display: a fresh surface of the view's size for every draw, the document
// laid out onto it, and the drawing primitives the layout pass uses.
#include <algorithm>
#include <limits>

#include "layout/cairo_style.hpp"
#include "layout/color_value.hpp"
#include "layout/layout_document.hpp"
#include "layout/text_flow.hpp"
#include "view/document_view.hpp"

namespace quirelle {

void DocumentView::Draw(cairo_t* target, int width, int height) {
    DocumentViewData& data = *data_;
    data.areaWidth = width;
    data.areaHeight = height;
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

    // Only the rows of this surface can show anything.
    data.layout.ShowRows(0.0, height);
    data.layout.blankWhitePage = true;
    RenderPage(pageCr.get(), data.documentText.Text());
    data.layout.blankWhitePage = false;
    data.layout.cr = nullptr;
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
    DocumentViewData& data = *data_;
    data.layout.cr = cr;
    if (!text.empty()) {
        LayoutDocument(*this, text);
    }
    double x, y;
    cairo_get_current_point(cr, &x, &y);
    data.layout.contentHeight = y + data.layout.lineHeight;
}

void DocumentView::DrawRule() {
    DocumentViewData& data = *data_;
    cairo_t* cr = data.layout.cr;
    double x, y;
    cairo_get_current_point(cr, &x, &y);
    if (LayoutTrace* trace = data.layout.trace) {
        trace->lines.push_back({50.0, y + 10.0, data.areaWidth - 50.0, y + 10.0,
                                cairo_get_line_width(cr)});
    }
    cairo_move_to(cr, 50.0, y + 10.0);
    cairo_line_to(cr, data.areaWidth - 50, y + 10.0);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    data.layout.sourceIsTextColor = false;
    data.layout.blankWhitePage = false;
    cairo_stroke(cr);
    cairo_move_to(cr, x, y);
}

void DocumentView::ResizeLayoutSurface() {
    DocumentViewData& data = *data_;
    if (data.pageLength < 100.0) {
        data.pageLength = 1100.0;
    } else if (data.pageLength > 30000.0) {
        data.pageLength = 30000.0;
    }
    data.layoutCr.reset();
    data.layoutSurface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1280,
                                                        static_cast<int>(data.pageLength)));
    data.layoutCr.reset(cairo_create(data.layoutSurface.get()));
}

void DocumentView::ApplyFont() { PutStyleIntoCairo(*data_); }

void DocumentView::ApplyFontAndLineHeight() {
    PutStyleIntoCairo(*data_);
    if (!data_->layout.textBuffer.empty() && data_->layout.cr != nullptr) {
        data_->layout.lineHeight = CurrentFontHeight(*data_);
    }
}

void DocumentView::SetTextColor(std::string_view text) {
    if (const auto color = ParseColorValue(text)) {
        data_->style.textColor = *color;
    }
}

void DocumentView::SetBackgroundColor(std::string_view text) {
    if (const auto color = ParseColorValue(text)) {
        data_->style.backgroundColor = *color;
    }
}

// FIXME: the book's style rules are not read yet, so no key finds a rule and the element
// defaults stand alone.
void DocumentView::ApplyElementStyle(std::string_view) {}
void DocumentView::AddStyleBlock(std::string_view) {}
void DocumentView::ParseAllRules() {}

void DocumentView::AddLink() {
    LayoutState& layout = data_->layout;
    if (static_cast<std::size_t>(layout.linkCount) >= layout.links.size()) {
        return;
    }
    double x, y;
    cairo_get_current_point(layout.cr, &x, &y);
    LinkRecord& link = layout.links[static_cast<std::size_t>(layout.linkCount)];
    link.x1 = x - ResolvedLinkWidth(*data_);
    link.x2 = x;
    link.y1 = y;
    link.y2 = y + layout.lineHeight;
    link.Audio = layout.linkAudio ? 1 : 0;
    link.control = 0;
    link.Hlink = layout.linkHref;
    link.Player = layout.linkPlayer;
    ++layout.linkCount;
}

// FIXME: audio controls are not drawn yet.
void DocumentView::DrawAudioControls() {}

}  // namespace quirelle
