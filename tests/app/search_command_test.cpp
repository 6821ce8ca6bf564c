// The program's --search mode, run as a user would run it.
#include <gtest/gtest.h>

#include <string>

#include "support/book_fixture.hpp"
#include "support/json_reader.hpp"
#include "support/program_run.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;

ProgramRun RunQuirelle(const std::string& arguments, const testing::TempDir& dir) {
    return testing::RunProgram(QUIRELLE_PROGRAM, arguments, dir);
}

// Two chapters and a sheet that hides the notes, linked by the second chapter only.
std::string WriteBook(const testing::TempDir& dir) {
    const std::string manifest =
        R"(<item id="a" href="Text/a.xhtml" media-type="application/xhtml+xml"/>
<item id="b" href="Text/b.xhtml" media-type="application/xhtml+xml"/>
<item id="s" href="Styles/book.css" media-type="text/css"/>)";
    const std::string spine = R"(<itemref idref="a"/><itemref idref="b"/>)";
    const std::string path = (dir / "book.epub").string();
    testing::WriteArchive(
        path, testing::BookMembers(
                  testing::PackageDocument(manifest, spine),
                  {{"OEBPS/Styles/book.css", ".note { display: none }"},
                   {"OEBPS/Text/a.xhtml",
                    testing::XhtmlPage("<p>Call me <i>Ish</i>mael, \"said\" he.</p>")},
                   {"OEBPS/Text/b.xhtml",
                    testing::XhtmlPage("<p class=\"note\">Ishmael</p><p>ISHMAEL and Ishmaelite</p>",
                                       testing::SheetLink("../Styles/book.css"))}}));
    return path;
}

TEST(SearchCommandTest, PrintsEachHitAsAJsonLineInReadingOrder) {
    testing::TempDir dir;
    const std::string book = WriteBook(dir);
    struct Case {
        std::string options;
        std::vector<int> documents;
        std::vector<double> offsets;
    };
    // Chapter b's offsets count its title ("Page") and the hidden note (7).
    const Case cases[] = {
        {"", {0, 1, 1}, {12, 11, 23}},
        {"--case", {0, 1}, {12, 23}},
        {"--words", {0, 1}, {12, 11}},
        {"--case --words", {0}, {12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const ProgramRun run =
            RunQuirelle("--search Ishmael " + c.options + " " + testing::Quoted(book), dir);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto lines = testing::ParseJsonLines(run.out);
        ASSERT_TRUE(lines) << run.out;
        ASSERT_EQ(lines->size(), c.documents.size()) << run.out;
        for (std::size_t i = 0; i < lines->size(); ++i) {
            const testing::JsonValue& hit = (*lines)[i];
            EXPECT_EQ(hit["document"].number, c.documents[i]);
            EXPECT_EQ(hit["href"].string, c.documents[i] == 0 ? "Text/a.xhtml" : "Text/b.xhtml");
            EXPECT_EQ(hit["offset"].number, c.offsets[i]);
            EXPECT_EQ(hit["end"].number, c.offsets[i] + 7);
        }
    }
    const ProgramRun run = RunQuirelle("--search ishmael " + testing::Quoted(book), dir);
    const auto lines = testing::ParseJsonLines(run.out);
    ASSERT_TRUE(lines && !lines->empty()) << run.out;
    EXPECT_EQ((*lines)[0]["context"].string, "Call me Ishmael, \"said\" he.");
    EXPECT_EQ((*lines)[0]["start"].number, 8);
    EXPECT_EQ((*lines)[0]["length"].number, 7);
}

TEST(SearchCommandTest, EndsWellWithoutHitsAndBadlyWithoutABook) {
    testing::TempDir dir;
    const std::string book = WriteBook(dir);
    const ProgramRun none = RunQuirelle("--search narwhal " + testing::Quoted(book), dir);
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_TRUE(none.out.empty()) << none.out;

    testing::WriteFile(dir / "broken.epub", "not an archive");
    testing::WriteArchive(dir / "nopackage.epub", {{"mimetype", "application/epub+zip"}});
    for (const char* file : {"broken.epub", "nopackage.epub", "missing.epub"}) {
        const ProgramRun run =
            RunQuirelle(std::string("--search x ") + testing::Quoted((dir / file).string()), dir);
        EXPECT_NE(run.status, 0) << file;
        EXPECT_TRUE(run.out.empty()) << file;
        EXPECT_FALSE(run.err.empty()) << file;
    }

    const ProgramRun misuse = RunQuirelle("--words " + testing::Quoted(book), dir);
    EXPECT_EQ(misuse.status, 1);
    EXPECT_NE(misuse.err.find("--search"), std::string::npos) << misuse.err;
}

}  // namespace
}  // namespace quirelle
