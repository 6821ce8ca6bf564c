// A document of the reading order, laid out and drawn onto a small page, at the top and
// scrolled, as the window draws it.
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
    // The pass that measures a loaded document (it also reads the document's style elements),
    // then two draws.
    {
        quirelle::CairoSurface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
        quirelle::CairoContext cr(cairo_create(scratch.get()));
        document.layout.areaWidth = 160;
        document.layout.areaHeight = 120;
        document.layout.state.measurePass = true;
        document.layout.state.ShowNothing();
        view.RenderPage(cr.get(), document.documentText.Text());
        document.layout.state.measurePass = false;
        document.layout.state.cr = nullptr;
    }
    quirelle::CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120));
    for (const double scroll : {0.0, 300.0}) {
        document.layout.scrollY = scroll;
        quirelle::CairoContext cr(cairo_create(page.get()));
        view.Draw(cr.get(), 160, 120);
    }
    return 0;
}
