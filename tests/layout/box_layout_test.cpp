// The layout engine on small documents, each showing one fault a streaming pass had or one
// property of the boxes: the checks read the laid-out page (words, lines, blocks, pictures)
// rather than pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "layout/document_layout.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {
namespace {

constexpr double kWidth = 600;
// The settings' horizontal margin, where every line of the body starts.
constexpr double kMargin = 20;

struct Laid {
    std::unique_ptr<DocumentLayout> layout;

    const PageLayout& page() const { return layout->page; }

    // The first word with this text, or null.
    const PlacedWord* Word(std::string_view text) const {
        for (const PlacedWord& word : page().words) {
            if (page().WordText(word) == text) {
                return &word;
            }
        }
        return nullptr;
    }
    const LineBox& LineOf(const PlacedWord* word) const {
        const auto index = static_cast<std::uint32_t>(word - page().words.data());
        for (const LineBox& line : page().lines) {
            if (index >= line.firstWord && index < line.firstWord + line.wordCount) {
                return line;
            }
        }
        static const LineBox kNone;
        return kNone;
    }
    const WordStyle& StyleOf(const PlacedWord* word) const {
        return page().wordStyles[word->style];
    }
};

Laid LayOut(const std::string& body, bool bookStyles = true, const std::string& head = "") {
    static FontCache fonts;
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    CairoContext cr(cairo_create(surface.get()));
    static const Settings settings;
    StyleInputs inputs;
    inputs.settings = &settings;
    inputs.bookStyles = bookStyles;
    const std::string text = "<html xmlns='http://www.w3.org/1999/xhtml'><head>" + head +
                             "</head><body>" + body + "</body></html>";
    return {
        BuildDocumentLayout(text, "text/chapter.xhtml", inputs, fonts, cr.get(), kWidth, 800, {})};
}

struct Case {
    const char* name;
    const char* body;
    std::function<void(const Laid&)> check;
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(LayOut(c.body));
    }
}

TEST(BoxLayout, NothingAnElementSetsOutlivesIt) {
    RunCases({
        {"colour and weight of strong", "<p><strong style='color:#ff0000'>loud</strong> quiet</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("loud") && laid.Word("quiet"));
             EXPECT_EQ(laid.StyleOf(laid.Word("loud")).weight, 700);
             EXPECT_EQ(laid.StyleOf(laid.Word("loud")).color, (RgbaColor{255, 0, 0, 255}));
             EXPECT_EQ(laid.StyleOf(laid.Word("quiet")).weight, 400);
             EXPECT_EQ(laid.StyleOf(laid.Word("quiet")).color, (RgbaColor{0, 0, 0, 255}));
         }},
        {"a span's size", "<p><span style='font-size:200%'>big</span> small</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("big") && laid.Word("small"));
             EXPECT_DOUBLE_EQ(laid.StyleOf(laid.Word("big")).size, 30);
             EXPECT_DOUBLE_EQ(laid.StyleOf(laid.Word("small")).size, 15);
         }},
        {"italic ends with its element", "<p>ab <i>cd</i> ef</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("cd") && laid.Word("ef"));
             EXPECT_TRUE(laid.StyleOf(laid.Word("cd")).italic);
             EXPECT_FALSE(laid.StyleOf(laid.Word("ef")).italic);
             EXPECT_FALSE(laid.StyleOf(laid.Word("ab")).italic);
         }},
    });
}

TEST(BoxLayout, BlocksBeginAndEndTheirLines) {
    RunCases({
        {"h5 before a paragraph", "<h5>2. Friendship</h5><p>A certain father</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("Friendship") && laid.Word("certain"));
             EXPECT_GT(laid.LineOf(laid.Word("certain")).top,
                       laid.LineOf(laid.Word("Friendship")).top);
             EXPECT_DOUBLE_EQ(laid.Word("A")->x, kMargin);
         }},
        {"a centred heading with inline children stays centred",
         "<h2 style='text-align:center'>one <i>two</i> three</h2>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("one"));
             const LineBox& line = laid.LineOf(laid.Word("one"));
             EXPECT_NEAR(line.x - kMargin, kWidth - 2 * kMargin - line.width - (line.x - kMargin),
                         1.0);
         }},
        {"a blockquote is indented", "<p>out</p><blockquote><p>in</p></blockquote>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("in"));
             EXPECT_DOUBLE_EQ(laid.Word("in")->x, kMargin + 40);
         }},
        {"an inline block shrinks to its lines and is centred as one piece",
         "<p style='text-align:center'><span style='display:inline-block; text-align:left'>"
         "one<br/>two three four</span></p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("one") && laid.Word("two") && laid.Word("four"));
             EXPECT_DOUBLE_EQ(laid.Word("one")->x, laid.Word("two")->x);
             const double left = laid.Word("two")->x - kMargin;
             const double right =
                 kWidth - kMargin - (laid.Word("four")->x + laid.Word("four")->width);
             EXPECT_NEAR(left, right, 1.5);
             EXPECT_GT(left, 100);
             // Its words belong to its own lines only, not also to the line that holds it.
             std::size_t counted = 0;
             for (const LineBox& line : laid.page().lines) {
                 counted += line.wordCount;
             }
             EXPECT_EQ(counted, 4u);
         }},
        {"adjoining margins collapse",
         "<p style='margin:0 0 30px'>a</p><p style='margin-top:20px'>b</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("a") && laid.Word("b"));
             const LineBox& a = laid.LineOf(laid.Word("a"));
             EXPECT_NEAR(laid.LineOf(laid.Word("b")).top - (a.top + a.height), 30, 0.01);
         }},
    });
}

TEST(BoxLayout, ReadsTheBookSheetsCombinatorsAndTheCssSwitch) {
    const std::string head = "<style>p + p { text-indent: 1em } .big { font-size: 2em }</style>";
    const std::string body = "<p>first</p><p>second</p><p class='big'>large</p>";
    const Laid styled = LayOut(body, true, head);
    ASSERT_TRUE(styled.Word("first") && styled.Word("second") && styled.Word("large"));
    EXPECT_DOUBLE_EQ(styled.Word("first")->x, kMargin);
    EXPECT_DOUBLE_EQ(styled.Word("second")->x, kMargin + 15);
    EXPECT_DOUBLE_EQ(styled.StyleOf(styled.Word("large")).size, 30);

    const Laid plain = LayOut(body, false, head);
    ASSERT_TRUE(plain.Word("second") && plain.Word("large"));
    EXPECT_DOUBLE_EQ(plain.Word("second")->x, kMargin);
    EXPECT_DOUBLE_EQ(plain.StyleOf(plain.Word("large")).size, 15);
}

TEST(BoxLayout, SpacesAsCssSays) {
    RunCases({
        {"a source line end and indent is one space", "<p>one\n            two</p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("one") && laid.Word("two"));
             const double gap =
                 laid.Word("two")->x - (laid.Word("one")->x + laid.Word("one")->width);
             EXPECT_GT(gap, 2);
             EXPECT_LT(gap, 6);
         }},
        {"the space between two inline elements stays", "<p><b>Flopsy,</b> <i>Mopsy,</i></p>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("Flopsy,") && laid.Word("Mopsy,"));
             EXPECT_GT(laid.Word("Mopsy,")->x,
                       laid.Word("Flopsy,")->x + laid.Word("Flopsy,")->width + 2);
         }},
        {"pre keeps its line ends", "<pre>a\nb</pre>",
         [](const Laid& laid) {
             ASSERT_TRUE(laid.Word("a") && laid.Word("b"));
             EXPECT_GT(laid.LineOf(laid.Word("b")).top, laid.LineOf(laid.Word("a")).top);
         }},
    });
}

TEST(BoxLayout, NothingIsDrawnOnTopOfAnythingElse) {
    RunCases({
        {"a large heading's lines and the paragraph below",
         "<h1 style='font-size:200%'>A heading long enough to need a second line on a page this "
         "narrow, surely</h1><p>after</p>",
         [](const Laid& laid) {
             const std::vector<LineBox>& lines = laid.page().lines;
             ASSERT_GE(lines.size(), 3u);
             for (std::size_t i = 1; i < lines.size(); ++i) {
                 EXPECT_GE(lines[i].top + 0.01, lines[i - 1].top + lines[i - 1].height) << i;
             }
         }},
        {"a picture in a line makes the line tall enough",
         "<p>text <svg xmlns='http://www.w3.org/2000/svg' width='40' height='90'/> more</p>"
         "<p>after</p>",
         [](const Laid& laid) {
             ASSERT_EQ(laid.page().pictures.size(), 1u);
             const PlacedPicture& picture = laid.page().pictures[0];
             EXPECT_DOUBLE_EQ(picture.height, 90);
             ASSERT_TRUE(laid.Word("after"));
             EXPECT_GE(laid.LineOf(laid.Word("after")).top, picture.y + picture.height);
         }},
        {"pictures never run past the text's width, and keep their shape",
         "<div><svg xmlns='http://www.w3.org/2000/svg' width='2000' height='1000'/></div>"
         "<div><svg xmlns='http://www.w3.org/2000/svg' style='max-width:50%' width='2000' "
         "height='1000'/></div>",
         [](const Laid& laid) {
             ASSERT_EQ(laid.page().pictures.size(), 2u);
             const PlacedPicture& whole = laid.page().pictures[0];
             EXPECT_DOUBLE_EQ(whole.width, kWidth - 2 * kMargin);
             EXPECT_DOUBLE_EQ(whole.height, (kWidth - 2 * kMargin) / 2);
             const PlacedPicture& half = laid.page().pictures[1];
             EXPECT_DOUBLE_EQ(half.width, (kWidth - 2 * kMargin) / 2);
             EXPECT_GE(half.y, whole.y + whole.height);
         }},
    });
}

TEST(BoxLayout, TakesTheDirectionFromDirOrTheFirstStrongCharacter) {
    const std::string arabic = "\xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7";
    struct Case {
        std::string body;
        bool fromTheRight;
    };
    const std::vector<Case> cases = {
        {"<p>Hello</p>", false},
        {"<p>" + arabic + "</p>", true},
        {"<p>12 " + arabic + "</p>", true},  // digits are not strong
        {"<p dir='ltr'>" + arabic + "</p>", false},
        {"<div dir='rtl'><p>Hello</p></div>", true},
        {"<div dir='rtl'><p dir='auto'>Hello</p></div>", false},
        {"<p>" + arabic + "</p><p>Hello</p>", false},  // each paragraph decides for itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const Laid laid = LayOut(c.body);
        ASSERT_FALSE(laid.page().lines.empty());
        const LineBox& line = laid.page().lines.back();
        if (c.fromTheRight) {
            EXPECT_NEAR(line.x + line.width, kWidth - kMargin, 1.0);
        } else {
            EXPECT_NEAR(line.x, kMargin, 1.0);
        }
    }
}

TEST(BoxLayout, KeepsTheTextBehindEveryGlyphRun) {
    // A PDF's text layer is made from it: shaped scripts must be copied and searched too.
    const Laid laid = LayOut("<p>ab \xD8\xB4\xD9\x83\xD8\xB1\xD8\xA7</p>");
    const PageLayout& page = laid.page();
    ASSERT_FALSE(page.runs.empty());
    std::string text;
    for (const PlacedGlyphRun& run : page.runs) {
        int glyphs = 0;
        int bytes = 0;
        for (std::uint32_t i = 0; i < run.clusterCount; ++i) {
            glyphs += page.clusters[run.firstCluster + i].num_glyphs;
            bytes += page.clusters[run.firstCluster + i].num_bytes;
        }
        EXPECT_EQ(glyphs, static_cast<int>(run.glyphCount));
        EXPECT_EQ(bytes, static_cast<int>(run.textLength));
        text += page.runText.substr(run.textOffset, run.textLength);
    }
    EXPECT_NE(text.find("ab"), std::string::npos);
    EXPECT_NE(text.find("\xD8\xB4"), std::string::npos);
}

TEST(BoxLayout, AParagraphLongerThanWhatIsShapedAheadLosesNothing) {
    // The text is gathered a few thousand pieces ahead of the line being broken: every word of
    // a long paragraph, and every letter of a word far longer than a line, is still laid out,
    // in order, on lines that follow each other.
    std::string words;
    for (int i = 0; i < 3000; ++i) {
        words += "w" + std::to_string(i) + " ";
    }
    const std::string letters(12000, 'x');
    const Laid laid = LayOut("<p>" + words + "</p><p>" + letters + "</p><p>after</p>");
    const PageLayout& page = laid.page();
    std::size_t counted = 0;
    std::size_t xs = 0;
    for (const PlacedWord& word : page.words) {
        const std::string_view text = page.WordText(word);
        if (text.starts_with('w')) {
            EXPECT_EQ(text, "w" + std::to_string(counted)) << counted;
            ++counted;
        } else if (text.starts_with('x')) {
            xs += text.size();
        }
    }
    EXPECT_EQ(counted, 3000u);
    EXPECT_EQ(xs, letters.size());
    ASSERT_TRUE(laid.Word("after"));
    for (std::size_t i = 1; i < page.lines.size(); ++i) {
        EXPECT_GE(page.lines[i].top + 0.01, page.lines[i - 1].top + page.lines[i - 1].height) << i;
    }
}

// An inline drawing is handed to the SVG reader on its own, so it must be a file of its own:
// every prefix it uses declared, and none twice.
TEST(BoxLayout, AnInlineDrawingStandsAloneAsAFile) {
    struct Drawing {
        const char* body;
        std::vector<const char*> declares;
    };
    const Drawing drawings[] = {
        {"<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'>"
         "<image xlink:href='a.png' width='4' height='4'/></svg>",
         {"xmlns=\"http://www.w3.org/2000/svg\"", "xmlns:xlink=\"http://www.w3.org/1999/xlink\""}},
        {"<svg width='4' height='4'><rect width='4' height='4'/></svg>",
         {"xmlns=\"http://www.w3.org/2000/svg\""}},
        {"<div xmlns:ex='urn:example'><svg xmlns='http://www.w3.org/2000/svg'>"
         "<rect ex:note='1' width='4' height='4'/></svg></div>",
         {"xmlns:ex=\"urn:example\""}},
    };
    for (const Drawing& drawing : drawings) {
        SCOPED_TRACE(drawing.body);
        const Laid laid = LayOut(drawing.body);
        ASSERT_EQ(laid.page().pictures.size(), 1u);
        const std::string& markup = laid.page().pictures[0].svgText;
        const DocumentTree alone = DocumentTree::Parse(markup);
        EXPECT_TRUE(alone.wellFormed()) << alone.error() << "\n" << markup;
        for (const char* declaration : drawing.declares) {
            const auto at = markup.find(declaration);
            EXPECT_NE(at, std::string::npos) << declaration << " in " << markup;
            EXPECT_EQ(markup.find(declaration, at + 1), std::string::npos) << markup;
        }
    }
}

TEST(BoxLayout, KnowsWhereEachIdStartsAndWhereLinksAre) {
    const Laid laid = LayOut(
        "<p>top</p><h2 id='part'>Part</h2><p>see <a href='notes.xhtml#n1' id='ref'>note</a></p>");
    const std::optional<double> part = laid.page().PositionOf(laid.layout->tree, "part");
    ASSERT_TRUE(part && laid.Word("Part"));
    EXPECT_LE(*part, laid.LineOf(laid.Word("Part")).top);
    EXPECT_GT(*part, laid.LineOf(laid.Word("top")).top);
    EXPECT_FALSE(laid.page().PositionOf(laid.layout->tree, "missing"));
    ASSERT_EQ(laid.page().links.size(), 1u);
    const PlacedLink& link = laid.page().links[0];
    EXPECT_EQ(link.target, "notes.xhtml#n1");
    EXPECT_NEAR(link.x, laid.Word("note")->x, 0.01);
    EXPECT_NEAR(link.width, laid.Word("note")->width, 0.01);
}

TEST(BoxLayout, PaintsOnlyWhatAViewShows) {
    std::string body;
    for (int i = 0; i < 200; ++i) {
        body += "<p>paragraph " + std::to_string(i) + "</p>";
    }
    const Laid laid = LayOut(body);
    const PageLayout& page = laid.page();
    ASSERT_GT(page.height, 2000);
    const auto [first, last] = page.ItemsIn(1000, 1100);
    EXPECT_LT(last - first, 20u);
    // Every item that reaches into the rows is in the range, and none before or after it does.
    for (std::size_t i = 0; i < page.items.size(); ++i) {
        const bool reaches = page.items[i].bottom > 1000 && page.items[i].top < 1100;
        if (reaches) {
            EXPECT_TRUE(i >= first && i < last) << i;
        }
    }
}

}  // namespace
}  // namespace quirelle
