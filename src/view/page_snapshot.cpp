#include "view/page_snapshot.hpp"

#include "layout/page_layout_dump.hpp"
#include "view/document_view.hpp"

namespace quirelle {

CairoSurface SnapshotPage(DocumentView& view, int page, int width, int height, double scrollY) {
    DocumentViewData& data = view.Data();
    // A document already loaded for this area is not measured again.
    const bool loaded = data.currentPage == page && data.areaWidth == width &&
                        data.areaHeight == height && !data.documentText.Text().empty();
    data.areaWidth = width;
    data.areaHeight = height;
    if (!loaded && !view.LoadPage(page)) {
        return CairoSurface();
    }
    view.SetScroll(scrollY);
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    CairoContext cr(cairo_create(surface.get()));
    // The area's own background, as the window paints it before the page.
    cairo_set_source_rgb(cr.get(), 1.0, 1.0, 1.0);
    cairo_paint(cr.get());
    view.Draw(cr.get(), width, height);
    cairo_surface_flush(surface.get());
    return surface;
}

void DumpPageLayout(DocumentView& view, int page, std::ostream& out) {
    if (view.LayOutShown(false) && view.Data().shown) {
        WritePageLayoutDump(out, view.Data().shown->page, view.Data().shown->tree, page);
    }
}

}  // namespace quirelle
