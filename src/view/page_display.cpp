// Drawing the page on display: every draw paints the view's slice of the document's layout onto
// a surface of the view's size.
#include <algorithm>

#include "layout/text_position.hpp"
#include "paint/page_painter.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"
#include "view/page_links.hpp"
#include "view/screen_painting.hpp"

namespace quirelle {

void DocumentView::Draw(cairo_t* target, int width, int height) {
    DocumentViewData& data = *data_;
    data.areaWidth = width;
    data.areaHeight = height;
    if (data.book.archivePath.empty() || width <= 0 || height <= 0) {
        return;
    }
    const DocumentLayout* before = data.shown.get();
    // Another width lays the page out again: the first word in view stays at the top.
    const ReadingPlace place = ShownLayoutIsCurrent() ? ReadingPlace{} : CurrentPlace();
    LayOutShown(false);
    const PageLayout& page = data.shown->page;
    const ViewScale& scale = data.shownScale;
    if (data.shown.get() != before && before != nullptr) {
        // The new layout has another length, which the scrollbar must know.
        data.scrollRange = page.height;
        if (data.scrollY > 0.0) {
            data.scrollY = std::clamp(ScrollTopOfTextOffset(page, data.shown->tree, place.offset),
                                      0.0, std::max(0.0, page.height - scale.layoutHeight));
        }
        TellScrollRange();
    }
    FollowContents();
    CairoSurface& surface = data.pageSurface;
    if (!surface || cairo_image_surface_get_width(surface.get()) != width ||
        cairo_image_surface_get_height(surface.get()) != height) {
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    }
    CairoContext cr(cairo_create(surface.get()));
    const ScreenPainting themed(data);
    SetSourceColor(cr.get(), data.paintTheme.Page());
    cairo_paint(cr.get());
    cairo_translate(cr.get(), scale.left, 0.0);
    cairo_scale(cr.get(), scale.zoom, scale.zoom);
    PaintDocument(cr.get(), page, data.scrollY, scale.layoutHeight);
    PaintSearchMarks(cr.get(), data.searchMarks, data.currentPage, *data.shown, data.scrollY,
                     scale.layoutHeight);

    data.links = LinkRecordsOf(page, data.scrollY, data.scrollY, data.scrollY + scale.layoutHeight);
    cr.reset();
    cairo_surface_flush(surface.get());

    // The page is opaque, so copying it outright gives what blending it would, only faster.
    cairo_save(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(target, surface.get(), 0, 0);
    cairo_rectangle(target, 0, 0, width, height);
    cairo_fill(target);
    cairo_restore(target);
}

void DocumentView::PaintDocument(cairo_t* cr, const PageLayout& page, double scrollY,
                                 double height) {
    PictureStore& pictures = data_->pictureStore;
    cairo_save(cr);
    if (page.canvas.alpha > 0) {
        SetSourceColor(cr, data_->paintTheme.Ground(page.canvas));
        cairo_paint(cr);
    }
    if (!page.canvasPicture.empty()) {
        pictures.DrawBackground(cr, page.canvasPicture, page.canvasRepeat,
                                static_cast<int>(page.width), static_cast<int>(height));
    }
    cairo_translate(cr, 0.0, -scrollY);
    PaintPage(cr, page, &pictures, scrollY, scrollY + height, data_->paintTheme);
    // The bars of the sounds, whose buttons the view answers.
    for (const PlacedPicture& picture : page.pictures) {
        if (picture.kind != PlacedPicture::Kind::Audio || picture.y + picture.height <= scrollY ||
            picture.y >= scrollY + height) {
            continue;
        }
        DrawAudioBar(cr, picture.x, picture.y);
    }
    cairo_restore(cr);
}

void DocumentView::DrawAudioBar(cairo_t* cr, double x, double y) {
    DocumentViewData& data = *data_;
    if (!data.audioIconsRead) {
        data.audioIconsRead = true;
        const char* names[] = {"play.png", "pause.png", "stop.png"};
        for (int i = 0; i < 3; ++i) {
            CairoSurface icon(
                cairo_image_surface_create_from_png(PicturePath(names[i]).string().c_str()));
            if (cairo_surface_status(icon.get()) == CAIRO_STATUS_SUCCESS) {
                data.audioIcons[i] = std::move(icon);
            }
        }
    }
    cairo_save(cr);
    cairo_rectangle(cr, x, y, kAudioBarWidth, kAudioBarHeight);
    cairo_set_source_rgb(cr, 0.8, 0.8, 1.0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.5, 0.5, 0.9);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    for (int i = 0; i < 3; ++i) {
        if (data.audioIcons[i]) {
            cairo_save(cr);
            cairo_translate(cr, x + AudioButtonLeft(i), y + kAudioButtonTop);
            cairo_rectangle(cr, 0, 0, kAudioButtonSize, kAudioButtonSize);
            cairo_set_source_surface(cr, data.audioIcons[i].get(), 0, 0);
            cairo_fill(cr);
            cairo_restore(cr);
        }
    }
    cairo_restore(cr);
}

void DocumentView::RenderPage(cairo_t* cr, std::string_view text) {
    DocumentViewData& data = *data_;
    // Measures and tests draw the page as the book gives it, unzoomed and as wide as the area.
    data.rendered =
        LayOutForView(text, cr, frontend_.CurrentSettings(), data.areaWidth, data.areaHeight);
    const PageLayout& page = data.rendered->page;
    PaintDocument(cr, page, data.scrollY, std::max(page.height, 1.0 * data.areaHeight));
}

}  // namespace quirelle
