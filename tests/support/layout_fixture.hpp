#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/layout_trace.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "view/document_view.hpp"

namespace quirelle::testing {

// One line of laid-out text: where its first glyph stands and what it says.
struct TracedLine {
    double x;
    double baseline;
    std::string text;
};

// A view on the headless front end with an image surface to lay documents out on, and a trace of
// everything drawn.
class LayoutFixture : public ::testing::Test {
  protected:
    LayoutFixture();

    DocumentViewData& data() { return view_.Data(); }
    LayoutContext& context() { return view_.Data().layout; }
    const Settings& settings() { return frontend_.CurrentSettings(); }

    // One draw of an XHTML document at width x height, as the view draws it.
    void Render(const std::string& xhtml, int width = 500, int height = 2000);

    // Prepares a bare context for calling the text flow directly: body-text style, the pen at the
    // margins, the line height of the font.
    void StartFlow(int width = 500, int height = 2000);

    // The glyphs of the trace grouped into lines (by baseline), in drawing order.
    std::vector<TracedLine> Lines() const;
    // The text of every glyph drawn, in order.
    std::string DrawnText() const;

    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
    LayoutTrace trace_;
    CairoSurface surface_;
    CairoContext cr_;
};

// A minimal XHTML page around the body markup; `htmlAttributes` go on its root, as a book in
// another language names it and its direction there.
std::string Page(const std::string& body, const std::string& head = "",
                 const std::string& htmlAttributes = "");

}  // namespace quirelle::testing
