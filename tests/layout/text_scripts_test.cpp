// Text in scripts other than Latin: which font draws it, how it is shaped, in which order its
// clusters stand on a line, and where its lines may break.
#include <cairo-ft.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "layout/text_shaping.hpp"
#include "layout/utf8.hpp"
#include "support/layout_fixture.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;
using testing::Page;
using testing::TracedLine;

std::string FamilyOf(const FontMetrics& font) {
    FT_Face face = cairo_ft_scaled_font_lock_face(font.scaledFont());
    std::string family = face != nullptr && face->family_name != nullptr ? face->family_name : "";
    cairo_ft_scaled_font_unlock_face(font.scaledFont());
    return family;
}

std::vector<char32_t> Characters(std::string_view text) {
    std::vector<char32_t> characters;
    for (std::size_t at = 0; at < text.size();) {
        characters.push_back(DecodeUtf8(text, at));
    }
    return characters;
}

class TextScriptsTest : public LayoutFixture {
  protected:
    // Body text as the reader's defaults set it: Arial, upright, regular, 15 px.
    ShapedRun Shape(std::string_view text, int paragraphLevel = 0) {
        surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100));
        cr_.reset(cairo_create(surface_.get()));
        FontCache& fonts = data().fonts;
        fonts.BeginPass(cr_.get());
        ShapedRun run;
        ShapeRun(fonts, cr_.get(), fonts.Find(cr_.get(), "Arial", 0, 0, 15), Characters(text),
                 paragraphLevel, "", run);
        return run;
    }
    // The text of each line of `body` laid out `width` pixels wide.
    std::vector<std::string> LineTexts(const std::string& body, int width) {
        Render(Page(body), width);
        std::vector<std::string> lines;
        for (const TracedLine& line : Lines()) {
            lines.push_back(line.text);
        }
        return lines;
    }

    // Where the first glyph cluster whose text is `text` was drawn.
    double XOf(const std::string& text) const {
        for (const testing::TracedGlyph& glyph : Glyphs()) {
            if (glyph.text == text) {
                return glyph.x;
            }
        }
        ADD_FAILURE() << "nothing drawn for " << text;
        return 0.0;
    }
    // The first and last columns with ink between two rows of the page drawn last.
    std::pair<int, int> InkColumns(int top, int bottom, int fromX = 0) const {
        const int width = cairo_image_surface_get_width(surface_.get());
        const int stride = cairo_image_surface_get_stride(surface_.get());
        const unsigned char* data = cairo_image_surface_get_data(surface_.get());
        int first = width;
        int last = -1;
        for (int y = std::max(top, 0); y < bottom; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = std::max(fromX, 0); x < width; ++x) {
                // Ink is neither white nor the untouched (transparent) edge of the surface.
                if ((row[x] >> 24) != 0 && (row[x] & 0xFFFFFF) != 0xFFFFFF) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
        return {first, last};
    }
    // Of the last line drawn.
    std::pair<int, int> LastLineInk() const {
        const double baseline = Lines().back().baseline;
        return InkColumns(static_cast<int>(baseline) - 12, static_cast<int>(baseline) + 4);
    }
};

TEST_F(TextScriptsTest, EachCharacterIsDrawnByAFamilyThatHasIt) {
    struct Case {
        const char* text;
        const char* family;
    };
    // Latin, Greek and Cyrillic stay in the style's family (Arial is Liberation Sans here).
    const Case cases[] = {
        {"A", "Liberation Sans"},
        {"\xCE\xB1", "Liberation Sans"},          // alpha
        {"\xD0\x96", "Liberation Sans"},          // zhe
        {"\xE4\xB8\xAD", "WenQuanYi Micro Hei"},  // Chinese
        {"\xE3\x81\x82", "WenQuanYi Micro Hei"},  // hiragana a
        {"\xED\x95\x9C", "WenQuanYi Micro Hei"},  // hangul han
        {"\xD8\xA8", "DejaVu Sans"},              // Arabic beh
        {"\xE0\xA4\x95", "Lohit Devanagari"},     // Devanagari ka
        {"\xE0\xB8\x81", "Loma"},                 // Thai ko kai
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ShapedRun run = Shape(c.text);
        ASSERT_EQ(run.clusters.size(), 1u);
        const ShapedCluster& cluster = run.clusters[0];
        EXPECT_EQ(FamilyOf(*cluster.font), c.family);
        ASSERT_EQ(cluster.glyphCount, 1u);
        EXPECT_NE(run.glyphs[cluster.firstGlyph].index, 0u) << "the missing-glyph box";
        EXPECT_GT(cluster.advance, 0.0);
    }
}

TEST_F(TextScriptsTest, ShapingJoinsArabicLettersAndFormsDevanagariConjuncts) {
    // beh, yeh, teh: initial, medial and final forms, none of them the letter standing alone.
    const ShapedRun arabic = Shape("\xD8\xA8\xD9\x8A\xD8\xAA");
    ASSERT_EQ(arabic.clusters.size(), 3u);
    for (const ShapedCluster& cluster : arabic.clusters) {
        SCOPED_TRACE(arabic.TextOf(cluster));
        EXPECT_EQ(cluster.level, 1);
        ASSERT_EQ(cluster.glyphCount, 1u);
        const char32_t letter = arabic.characters[cluster.firstCharacter];
        EXPECT_NE(arabic.glyphs[cluster.firstGlyph].index, cluster.font->GlyphFor(letter).index);
    }
    // ka, virama, ssa: one cluster that is never broken, drawn as the kssa conjunct rather than
    // three glyphs.
    const ShapedRun devanagari = Shape("\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7");
    ASSERT_EQ(devanagari.clusters.size(), 1u);
    EXPECT_EQ(devanagari.clusters[0].characterCount, 3u);
    EXPECT_LT(devanagari.clusters[0].glyphCount, 3u);
}

TEST_F(TextScriptsTest, CharactersNeverDrawnLeaveThePageAsWithoutThem) {
    auto pixels = [&](const std::string& body) {
        Render(Page("<p>" + body + "</p>"), 300, 100);
        const unsigned char* data = cairo_image_surface_get_data(surface_.get());
        return std::vector<unsigned char>(
            data, data + cairo_image_surface_get_stride(surface_.get()) * 100);
    };
    // A Chinese character at the end sends both through shaping, which draws a little
    // differently from Latin text alone.
    const std::string shaped = " \xE4\xB8\xAD";
    const std::vector<unsigned char> plain = pixels("abcd" + shaped);
    const char* ignorables[] = {
        "&#x2060;",  // word joiner
        "&#x200B;",  // zero-width space
        "&#x200D;",  // zero-width joiner
        "&#xAD;",    // soft hyphen, no break taken
        "&#xFEFF;",  // byte order mark
        "&#xFE0F;",  // variation selector
    };
    const std::vector<unsigned char> latin = pixels("abcd");
    for (const char* ignorable : ignorables) {
        SCOPED_TRACE(ignorable);
        EXPECT_TRUE(pixels(std::string("ab") + ignorable + "cd") == latin);
        EXPECT_TRUE(pixels(std::string("ab") + ignorable + "cd" + shaped) == plain);
    }
}

TEST_F(TextScriptsTest, ARightToLeftParagraphStartsAtTheRightMarginInVisualOrder) {
    // "thanks WHO 2024 yes" in an Arabic sentence: the English word and the number read left to
    // right inside it, the Arabic words right to left.
    Render(Page("<p>\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7 WHO 2024 \xD9\x86\xD8\xB9\xD9\x85</p>"), 500);
    const double sheen = XOf("\xD8\xB4");  // the first letter read
    const double noon = XOf("\xD9\x86");   // the first letter of the last word
    // The number follows the English word, so the two read as one left-to-right stretch.
    EXPECT_LT(XOf("W"), XOf("H"));
    EXPECT_LT(XOf("H"), XOf("O"));
    EXPECT_LT(XOf("O"), XOf("2"));
    EXPECT_LT(XOf("2"), XOf("4"));
    EXPECT_LT(XOf("4"), sheen);
    EXPECT_LT(noon, XOf("W"));
    const auto [left, right] = LastLineInk();
    EXPECT_NEAR(right, 500 - settings().HorizontalMarginValue(), 2.0);
    EXPECT_GT(left, 200);
}

TEST_F(TextScriptsTest, ArabicWordsInAnEnglishLineReadRightToLeft) {
    // "Say thanks very much now": the two Arabic words swap places, the line stays at the left.
    Render(Page("<p>Say \xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7 \xD8\xAC\xD8\xAF\xD8\xA7 now</p>"), 500);
    EXPECT_NEAR(LastLineInk().first, settings().HorizontalMarginValue(), 2.0);
    const double sheen = XOf("\xD8\xB4");
    const double jeem = XOf("\xD8\xAC");
    EXPECT_LT(XOf("S"), jeem);
    EXPECT_LT(jeem, sheen);
    EXPECT_LT(sheen, XOf("n"));
}

TEST_F(TextScriptsTest, ALinkIsClickableWhereItsRightToLeftTextIsDrawn) {
    const std::string thanks = "\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7";
    struct Case {
        std::string body;
        std::string alone;  // the same line without the link's text, to find where it is drawn
    };
    const Case cases[] = {
        // A right-to-left paragraph: the word stands at the right margin.
        {"<p><a href=\"n.xhtml\">" + thanks + "</a></p>", "<p></p>"},
        // An Arabic word in an English line is reordered in place.
        {"<p>Say <a href=\"n.xhtml\">" + thanks + "</a></p>", "<p>Say</p>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        Render(Page(c.alone), 500);
        // What the line holds before the link, if anything.
        const int textEnd = Lines().empty() ? 0 : LastLineInk().second;
        Render(Page(c.body), 500);
        const int top = static_cast<int>(Lines().back().baseline) - 12;
        const int bottom = static_cast<int>(Lines().back().baseline) + 4;
        // The word's ink is what lies right of the text before it.
        ASSERT_EQ(RenderedPage()->links.size(), 1u);
        const PlacedLink& link = RenderedPage()->links[0];
        const auto [left, right] = InkColumns(top, bottom, textEnd + 2);
        ASSERT_LT(left, right);
        EXPECT_LE(link.x, left + 1.0);
        EXPECT_GE(link.x + link.width, right - 1.0);
        EXPECT_LT(link.width, right - left + 10.0);
        EXPECT_GT(link.y + link.height, Lines().back().baseline - 5);
        EXPECT_LT(link.y, Lines().back().baseline - 5);
    }
}

TEST_F(TextScriptsTest, TheDirectionComesFromDirOrTheFirstStrongCharacter) {
    struct Case {
        const char* htmlAttributes;
        const char* body;
        bool fromTheRight;
    };
    const Case cases[] = {
        {"", "<p>Hello</p>", false},
        {"dir=\"rtl\"", "<p>Hello</p>", true},
        {"", "<p>\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7</p>", true},
        {"", "<p>12 \xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7</p>", true},  // digits are not strong
        {"", "<p dir=\"ltr\">\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7</p>", false},
        {"dir=\"rtl\"", "<p dir=\"ltr\">Hello</p>", false},
        {"dir=\"rtl\"", "<p dir=\"auto\">Hello</p>", false},
        // A paragraph's direction ends with it.
        {"", "<p>\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7</p><p>Hello</p>", false},
    };
    const double margin = settings().HorizontalMarginValue();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.htmlAttributes) + " " + c.body);
        Render(Page(c.body, "", c.htmlAttributes), 500);
        ASSERT_FALSE(Lines().empty());
        const auto [left, right] = LastLineInk();
        if (c.fromTheRight) {
            EXPECT_NEAR(right, 500 - margin, 2.0);
        } else {
            EXPECT_NEAR(left, margin, 2.0);
        }
    }
}

TEST_F(TextScriptsTest, ChineseBreaksBetweenCharactersButNotBeforeAClosingMark) {
    const std::string han = "\xE4\xB8\xAD";  // zhong
    struct Case {
        std::string text;
        std::string secondLineStart;
    };
    auto repeat = [&](std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += han;
        }
        return text;
    };
    // How many characters fill a line.
    const std::vector<std::string> full = LineTexts("<p>" + repeat(100) + "</p>", 300);
    ASSERT_GE(full.size(), 2u);
    const std::size_t fit = full[0].size() / han.size();
    ASSERT_GT(fit, 3u);
    const Case cases[] = {
        // A full stop or a closing bracket that would begin the next line takes the character
        // before it along.
        {repeat(fit) + "\xE3\x80\x82" + han, han + "\xE3\x80\x82"},
        {repeat(fit) + "\xE3\x80\x8D" + han, han + "\xE3\x80\x8D"},
        // An opening bracket does not end a line.
        {repeat(fit - 1) + "\xE3\x80\x8C" + han + han, "\xE3\x80\x8C" + han},
        // Otherwise any two characters may be parted.
        {repeat(fit + 3), repeat(3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<std::string> lines = LineTexts("<p>" + c.text + "</p>", 300);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1].substr(0, c.secondLineStart.size()), c.secondLineStart);
        EXPECT_EQ(lines[0] + lines[1], c.text);
    }
}

}  // namespace
}  // namespace quirelle

namespace quirelle {
namespace {

TEST_F(TextScriptsTest, LatinBreaksAtBlanksAndZeroWidthSpacesOnly) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::string zwsp = "\xE2\x80\x8B";
    const Case cases[] = {
        // A hyphen does not part a word, as it never did.
        {"aaaaaaaaaa-bbbbbbbbbbbbbbb cc", {"aaaaaaaaaa-bbbbbbbbbbbbbbb", "cc"}},
        // The zero-width space stays in the text of the line it ends; it has no ink.
        {"aaaaaaaaaaaaaa" + zwsp + "bbbbbbbbbbbbbbb", {"aaaaaaaaaaaaaa" + zwsp, "bbbbbbbbbbbbbbb"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LineTexts("<p>" + c.text + "</p>", 250), c.lines);
    }
}

}  // namespace
}  // namespace quirelle
