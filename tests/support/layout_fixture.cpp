#include "support/layout_fixture.hpp"

#include "layout/cairo_style.hpp"

namespace quirelle::testing {

LayoutFixture::LayoutFixture() {
    context().state.trace = &trace_;
}

void LayoutFixture::Render(const std::string& xhtml, int width, int height) {
    data().book.archivePath = "(in memory)";
    context().areaWidth = width;
    context().areaHeight = height;
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cr_.reset(cairo_create(surface_.get()));
    context().state.ShowRows(0, height);
    trace_ = {};
    view_.RenderPage(cr_.get(), xhtml);
}

void LayoutFixture::StartFlow(int width, int height) {
    context().areaWidth = width;
    context().areaHeight = height;
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cr_.reset(cairo_create(surface_.get()));
    context().state.cr = cr_.get();
    context().state.ShowRows(0, height);
    context().state.pictureIndex = 0;
    context().state.lineStarted = false;
    context().state.skipBlanks = false;
    context().settings = settings();
    SelectElementStyle(context(), ElementKind::BodyText);
    cairo_move_to(cr_.get(), settings().HorizontalMarginValue(), settings().VerticalMarginValue());
    trace_ = {};
}

std::vector<TracedLine> LayoutFixture::Lines() const {
    std::vector<TracedLine> lines;
    for (const LayoutTrace::Glyph& glyph : trace_.glyphs) {
        if (lines.empty() || lines.back().baseline != glyph.baseline) {
            lines.push_back({glyph.x, glyph.baseline, ""});
        }
        lines.back().text += glyph.text;
    }
    return lines;
}

std::string LayoutFixture::DrawnText() const {
    std::string text;
    for (const LayoutTrace::Glyph& glyph : trace_.glyphs) {
        text += glyph.text;
    }
    return text;
}

std::string Page(const std::string& body, const std::string& head,
                 const std::string& htmlAttributes) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\"" +
           (htmlAttributes.empty() ? "" : " " + htmlAttributes) + "><head>" + head +
           "</head><body>" + body + "</body></html>";
}

}  // namespace quirelle::testing
