#include "support/layout_fixture.hpp"

#include "layout/document_layout.hpp"

namespace quirelle::testing {

LayoutFixture::LayoutFixture() = default;

void LayoutFixture::Render(const std::string& xhtml, int width, int height) {
    data().book.archivePath = "(in memory)";
    data().areaWidth = width;
    data().areaHeight = height;
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cr_.reset(cairo_create(surface_.get()));
    view_.RenderPage(cr_.get(), xhtml);
}

const PageLayout* LayoutFixture::RenderedPage() const {
    const std::unique_ptr<DocumentLayout>& rendered = view_.Data().rendered;
    return rendered ? &rendered->page : nullptr;
}

std::vector<TracedWord> LayoutFixture::Words() const {
    std::vector<TracedWord> words;
    const PageLayout* page = RenderedPage();
    if (page == nullptr) {
        return words;
    }
    for (const LineBox& line : page->lines) {
        for (std::uint32_t i = 0; i < line.wordCount; ++i) {
            const PlacedWord& word = page->words[line.firstWord + i];
            words.push_back({std::string(page->WordText(word)), word.x, word.width, line.baseline,
                             page->wordStyles[word.style]});
        }
    }
    return words;
}

TracedWord LayoutFixture::WordAt(const std::string& text) const {
    for (const TracedWord& word : Words()) {
        if (word.text.starts_with(text)) {
            return word;
        }
    }
    ADD_FAILURE() << text << " was not drawn";
    return {};
}

std::vector<TracedGlyph> LayoutFixture::Glyphs() const {
    std::vector<TracedGlyph> glyphs;
    const PageLayout* page = RenderedPage();
    if (page == nullptr) {
        return glyphs;
    }
    for (const PlacedGlyphRun& run : page->runs) {
        std::size_t text = run.textOffset;
        std::size_t glyph = run.firstGlyph;
        for (std::uint32_t c = 0; c < run.clusterCount; ++c) {
            const cairo_text_cluster_t& cluster = page->clusters[run.firstCluster + c];
            const auto bytes = static_cast<std::size_t>(cluster.num_bytes);
            if (cluster.num_glyphs > 0 && glyph < page->glyphs.size()) {
                glyphs.push_back({page->runText.substr(text, bytes), page->glyphs[glyph].x,
                                  page->glyphs[glyph].y});
            }
            text += bytes;
            glyph += static_cast<std::size_t>(cluster.num_glyphs);
        }
    }
    return glyphs;
}

TracedGlyph LayoutFixture::GlyphAt(const std::string& text) const {
    const std::vector<TracedGlyph> glyphs = Glyphs();
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        std::string spelt;
        for (std::size_t j = i; j < glyphs.size() && spelt.size() < text.size(); ++j) {
            spelt += glyphs[j].text;
        }
        if (spelt.starts_with(text)) {
            return glyphs[i];
        }
    }
    ADD_FAILURE() << text << " was not drawn";
    return {};
}

std::vector<TracedLine> LayoutFixture::Lines() const {
    std::vector<TracedLine> lines;
    const PageLayout* page = RenderedPage();
    if (page == nullptr) {
        return lines;
    }
    for (const LineBox& line : page->lines) {
        if (line.wordCount == 0) {
            continue;
        }
        const PlacedWord& first = page->words[line.firstWord];
        TracedLine traced{first.x, line.baseline, ""};
        double end = first.x;
        for (std::uint32_t i = 0; i < line.wordCount; ++i) {
            const PlacedWord& word = page->words[line.firstWord + i];
            // Words part at blanks and at style changes; only a gap is a blank.
            if (i > 0 && word.x > end + 0.5) {
                traced.text += ' ';
            }
            traced.text += page->WordText(word);
            end = word.x + word.width;
        }
        lines.push_back(std::move(traced));
    }
    return lines;
}

std::string LayoutFixture::DrawnText() const {
    std::string text;
    for (const TracedLine& line : Lines()) {
        text += line.text;
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
