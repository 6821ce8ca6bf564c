#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/page_layout.hpp"
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

// One word as the layout engine placed it: its text, where it stands on its line, and the style
// it was drawn in.
struct TracedWord {
    std::string text;
    double x;
    double width;
    double baseline;
    WordStyle style;
};

// One cluster of glyphs the layout engine drew: its text and where its first glyph stands.
struct TracedGlyph {
    std::string text;
    double x;
    double baseline;
};

// A view on the headless front end with an image surface to lay documents out on, as the view
// draws a page.
class LayoutFixture : public ::testing::Test {
  protected:
    LayoutFixture();

    DocumentViewData& data() { return view_.Data(); }
    const Settings& settings() { return frontend_.CurrentSettings(); }

    // One draw of an XHTML document at width x height, as the view draws it.
    void Render(const std::string& xhtml, int width = 500, int height = 2000);

    // The line boxes of the page the last Render laid out, their words joined by a blank where a
    // gap parts them.
    std::vector<TracedLine> Lines() const;
    // The text of every line drawn, in order, with nothing between the lines.
    std::string DrawnText() const;
    // The words of the page the last Render laid out, line after line; none before a Render.
    std::vector<TracedWord> Words() const;
    // The first word whose text starts with `text`; a failure, and an empty word, if none does.
    TracedWord WordAt(const std::string& text) const;
    // The glyph clusters of the page the last Render laid out, in the order they were placed.
    std::vector<TracedGlyph> Glyphs() const;
    // The first cluster where the drawn clusters spell `text`; a failure, and an empty cluster,
    // if they never do.
    TracedGlyph GlyphAt(const std::string& text) const;
    // The page the last Render laid out, or null.
    const PageLayout* RenderedPage() const;

    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
    CairoSurface surface_;
    CairoContext cr_;
};

// A minimal XHTML page around the body markup; `htmlAttributes` go on its root, as a book in
// another language names it and its direction there.
std::string Page(const std::string& body, const std::string& head = "",
                 const std::string& htmlAttributes = "");

}  // namespace quirelle::testing
