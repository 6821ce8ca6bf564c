// --dump-layout: the line and block boxes of what --render-png and --export-pdf lay out, as JSON
// Lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/json_reader.hpp"
#include "support/program_run.hpp"

namespace quirelle {
namespace {

using testing::JsonValue;
using testing::ProgramRun;
using testing::Quoted;

// Two documents; the first mixes weights, slants and a colour from the book's sheet, and ends
// with a paragraph long enough to wrap.
std::filesystem::path WriteStyledBook(const testing::TempDir& dir) {
    const auto book = dir / "styled.epub";
    std::string longParagraph;
    for (int i = 0; i < 60; ++i) {
        longParagraph += "filler" + std::to_string(i) + " ";
    }
    testing::WriteArchive(
        book,
        testing::BookMembers(
            testing::PackageDocument(
                R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)"
                R"(<item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)"
                R"(<item id="s" href="s.css" media-type="text/css"/>)",
                R"(<itemref idref="a"/><itemref idref="b"/>)"),
            {{"OEBPS/a.xhtml", testing::XhtmlPage("<p>Plain words <b>bold</b><i>slant</i> end</p>"
                                                  "<p class=\"note\">Red &amp; \"quoted\"</p><p>" +
                                                      longParagraph + "</p>",
                                                  testing::SheetLink("s.css"))},
             {"OEBPS/b.xhtml", testing::XhtmlPage("<p>Second document</p>")},
             {"OEBPS/s.css", "p.note { color: #cc0000 }\n"}}));
    return book;
}

std::vector<JsonValue> ReadDump(const std::filesystem::path& file) {
    const auto lines = testing::ParseJsonLines(testing::ReadFile(file));
    EXPECT_TRUE(lines.has_value()) << "not JSON Lines:\n" << testing::ReadFile(file);
    return lines.value_or(std::vector<JsonValue>());
}

// The line entries of a dump, checked to come before its block entries.
std::vector<JsonValue> LinesOf(const std::vector<JsonValue>& entries) {
    std::vector<JsonValue> lines;
    bool blocksBegun = false;
    for (const JsonValue& entry : entries) {
        const std::string& kind = entry["kind"].string;
        EXPECT_TRUE(kind == "line" || kind == "block") << kind;
        if (kind == "block") {
            blocksBegun = true;
            EXPECT_GE(entry["width"].number, 0.0);
            EXPECT_GE(entry["height"].number, 0.0);
        } else if (kind == "line") {
            EXPECT_FALSE(blocksBegun) << "a line after the blocks";
            lines.push_back(entry);
        }
    }
    return lines;
}

// Every word of the lines in order, each checked to lie on its line.
std::vector<JsonValue> WordsOf(const std::vector<JsonValue>& lines) {
    std::vector<JsonValue> words;
    double lastY = -1.0;
    for (const JsonValue& line : lines) {
        // Lines come in the order laid out, down the page.
        EXPECT_GT(line["y"].number, lastY) << "a line above the one before it";
        lastY = line["y"].number;
        EXPECT_GT(line["baseline"].number, line["y"].number);
        EXPECT_LE(line["baseline"].number, line["y"].number + line["height"].number + 0.01);
        double lastX = -1.0;
        for (const JsonValue& word : line["words"].array) {
            // A word carries its line's top and height.
            EXPECT_EQ(word["y"].number, line["y"].number) << word["text"].string;
            EXPECT_EQ(word["height"].number, line["height"].number) << word["text"].string;
            EXPECT_GT(word["x"].number, lastX) << word["text"].string;
            EXPECT_GE(word["x"].number, line["x"].number) << word["text"].string;
            EXPECT_LE(word["x"].number + word["width"].number,
                      line["x"].number + line["width"].number + 0.01)
                << word["text"].string;
            lastX = word["x"].number;
            words.push_back(word);
        }
    }
    return words;
}

// What a word of the dump should say of its style.
struct ExpectedWord {
    std::string text;
    double weight;
    std::string style;
    std::string color;
};

void ExpectWords(const std::vector<JsonValue>& words, const std::vector<ExpectedWord>& expected) {
    ASSERT_GE(words.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const JsonValue& word = words[i];
        const ExpectedWord& want = expected[i];
        SCOPED_TRACE("word " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(word["text"].string, want.text);
        EXPECT_EQ(word["weight"].number, want.weight);
        EXPECT_EQ(word["style"].string, want.style);
        EXPECT_EQ(word["color"].string, want.color);
        EXPECT_GT(word["width"].number, 0.0);
        EXPECT_GT(word["size"].number, 0.0);
        EXPECT_FALSE(word["family"].string.empty());
    }
}

const std::vector<ExpectedWord> kFirstWords = {
    {"Plain", 400, "normal", "#000000"},
    {"words", 400, "normal", "#000000"},
    // One word in two style runs gives two entries.
    {"bold", 700, "normal", "#000000"},
    {"slant", 400, "italic", "#000000"},
    {"end", 400, "normal", "#000000"},
    {"Red", 400, "normal", "#cc0000"},
    {"&", 400, "normal", "#cc0000"},
    {"\"quoted\"", 400, "normal", "#cc0000"},
    {"filler0", 400, "normal", "#000000"},
};

TEST(LayoutDumpCommandTest, RenderPngDumpsTheWholeDocumentUnscrolled) {
    testing::TempDir dir;
    const auto book = WriteStyledBook(dir);
    const auto png = dir / "page.png";
    const auto dump = dir / "layout.jsonl";
    const auto scrolledDump = dir / "scrolled.jsonl";
    const std::string common = "--render-png " + Quoted(png.string()) + " --width 400 --height 60 ";
    const ProgramRun run = testing::RunProgram(
        QUIRELLE_PROGRAM,
        common + "--dump-layout " + Quoted(dump.string()) + " " + Quoted(book.string()), dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<JsonValue> entries = ReadDump(dump);
    const std::vector<JsonValue> lines = LinesOf(entries);
    const std::vector<JsonValue> words = WordsOf(lines);
    ExpectWords(words, kFirstWords);
    ASSERT_FALSE(lines.empty());
    for (const JsonValue& entry : entries) {
        EXPECT_EQ(entry["document"].number, 0);
    }
    // The long paragraph wraps, and lines far below the 60 pixels on view are there too.
    EXPECT_GT(lines.size(), 5u);
    EXPECT_GT(lines.back()["y"].number, 60.0);
    EXPECT_EQ(words.back()["text"].string, "filler59");

    // The page's own coordinates: scrolling the view moves nothing in the dump.
    const ProgramRun scrolled =
        testing::RunProgram(QUIRELLE_PROGRAM,
                            common + "--scroll 100 --dump-layout " + Quoted(scrolledDump.string()) +
                                " " + Quoted(book.string()),
                            dir);
    ASSERT_EQ(scrolled.status, 0) << scrolled.err;
    EXPECT_EQ(testing::ReadFile(scrolledDump), testing::ReadFile(dump));
}

TEST(LayoutDumpCommandTest, ExportPdfDumpsEveryDocumentWithItsIndex) {
    testing::TempDir dir;
    const auto book = WriteStyledBook(dir);
    const auto pdf = dir / "book.pdf";
    const auto dump = dir / "layout.jsonl";
    const ProgramRun run =
        testing::RunProgram(QUIRELLE_PROGRAM,
                            "--export-pdf " + Quoted(pdf.string()) + " --dump-layout " +
                                Quoted(dump.string()) + " " + Quoted(book.string()),
                            dir);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<JsonValue> entries = ReadDump(dump);
    std::vector<JsonValue> first, second;
    for (const JsonValue& entry : entries) {
        (entry["document"].number == 0 ? first : second).push_back(entry);
    }
    ExpectWords(WordsOf(LinesOf(first)), kFirstWords);
    ExpectWords(WordsOf(LinesOf(second)),
                {{"Second", 400, "normal", "#000000"}, {"document", 400, "normal", "#000000"}});
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(second.front()["document"].number, 1);
    // Documents come in the order exported.
    EXPECT_EQ(entries.back()["document"].number, 1);
}

TEST(LayoutDumpCommandTest, IsRefusedWhereNothingIsLaidOutAndWhereItCannotBeWritten) {
    testing::TempDir dir;
    const auto book = WriteStyledBook(dir);
    const auto png = dir / "page.png";
    const std::string bookArgument = " " + Quoted(book.string());
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--info --dump-layout " + Quoted((dir / "x.jsonl").string()) + bookArgument,
         "--dump-layout goes with"},
        {"--render-png " + Quoted(png.string()) + " --dump-layout " +
             Quoted((dir / "missing" / "x.jsonl").string()) + bookArgument,
         "cannot write"},
        {"--render-png " + Quoted(png.string()) + bookArgument + " --dump-layout", "needs a value"},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.arguments);
        const ProgramRun run = testing::RunProgram(QUIRELLE_PROGRAM, refused.arguments, dir);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(refused.message), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace quirelle
