// The document on display, laid out once for the view's width by the layout engine: loading a
// page lays it out, and every draw and scroll step paints from that layout.
#include <cmath>

#include "layout/page_layout_dump.hpp"
#include "package/archive.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "view/document_view.hpp"

namespace quirelle {

StyleInputs DocumentView::StyleInputsFor(const Settings& settings) {
    DocumentViewData& data = *data_;
    StyleInputs inputs;
    inputs.settings = &settings;
    inputs.bookStyles = data.cssEnabled;
    inputs.debugCss = data.debug.debugCss;
    inputs.sheets = &data.sheets;
    inputs.readMember = [&data](std::string_view path) -> std::optional<std::string> {
        return ArchiveOf(data.book).Read(path);
    };
    return inputs;
}

PictureSizer DocumentView::PictureSizes() {
    PictureStore& pictures = data_->pictureStore;
    return [&pictures](const std::string& path) -> std::optional<PictureSize> {
        return pictures.NaturalSize({path, {}});
    };
}

std::unique_ptr<DocumentLayout> DocumentView::LayOutForView(std::string_view text, cairo_t* cr,
                                                            const Settings& settings, double width,
                                                            double height) {
    DocumentViewData& data = *data_;
    std::unique_ptr<DocumentLayout> laidOut =
        BuildDocumentLayout(text, data.shownPath, StyleInputsFor(settings), data.fonts, cr, width,
                            height, PictureSizes());
    if (data.debug.debugImages) {
        WriteDump(RamPath("debug_image.txt"), PictureDump(laidOut->page, laidOut->tree),
                  DumpMode::Append);
    }
    return laidOut;
}

bool DocumentView::ShownLayoutIsCurrent() const {
    const DocumentViewData& data = *data_;
    if (!data.shown || data.shownCss != data.cssEnabled) {
        return false;
    }
    const Settings& settings = frontend_.CurrentSettings();
    const ViewScale scale = ViewScaleFor(settings, data.areaWidth, data.areaHeight);
    return data.shown->width == scale.layoutWidth &&
           data.shown->viewportHeight == scale.layoutHeight && data.shownSettings == settings;
}

bool DocumentView::LayOutShown(bool again) {
    DocumentViewData& data = *data_;
    const Settings settings = frontend_.CurrentSettings();
    if (!again && ShownLayoutIsCurrent()) {
        return true;
    }
    // The metrics of an image surface are those of the view's own surface.
    CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoContext cr(cairo_create(scratch.get()));
    data.shownScale = ViewScaleFor(settings, data.areaWidth, data.areaHeight);
    data.shown = LayOutForView(data.documentText.Text(), cr.get(), settings,
                               data.shownScale.layoutWidth, data.shownScale.layoutHeight);
    data.shownSettings = settings;
    data.shownCss = data.cssEnabled;
    return true;
}

double DocumentView::ScrollOffsetOnScreen() const {
    return data_->shownScale.ToDevice(data_->scrollY);
}

void DocumentView::TellScrollRange() {
    const DocumentViewData& data = *data_;
    frontend_.SetScrollRange(std::ceil(data.shownScale.ToDevice(data.scrollRange)),
                             data.areaHeight);
}

}  // namespace quirelle
