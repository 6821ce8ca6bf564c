// A document of the reading order, laid out and drawn onto a small page as the view does it:
// rendered whole, as an export page or a snapshot is, then drawn at the top and scrolled, as
// the window draws it.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "view/document_view.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quirelle::HeadlessFrontend frontend;
    quirelle::DocumentView view(frontend);
    quirelle::DocumentViewData& document = view.Data();
    if (size + 1 > document.documentText.capacity) {
        return 0;
    }
    document.book.archivePath = "(in memory)";
    std::memcpy(document.documentText.data.get(), data, size);
    document.documentText.data[size] = '\0';
    document.documentText.size = static_cast<std::uint32_t>(size);
    document.areaWidth = 160;
    document.areaHeight = 120;
    {
        quirelle::CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120));
        quirelle::CairoContext cr(cairo_create(scratch.get()));
        view.RenderPage(cr.get(), document.documentText.Text());
    }
    quirelle::CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120));
    for (const double scroll : {0.0, 300.0}) {
        document.scrollY = scroll;
        quirelle::CairoContext cr(cairo_create(page.get()));
        view.Draw(cr.get(), 160, 120);
        view.PointerMoved(40, 20);
    }
    return 0;
}
