// The program's --info mode, run as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/program_run.hpp"
#include "support/scoped_environment.hpp"

namespace quirelle {
namespace {

using testing::ProgramRun;

ProgramRun RunQuirelle(const std::string& arguments, const testing::TempDir& dir) {
    return testing::RunProgram(QUIRELLE_PROGRAM, arguments, dir);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(InfoCommandTest, DescribesTheDemoBook) {
    testing::TempDir dir;
    const ProgramRun run = RunQuirelle(std::string("--info '") + DEMO_BOOK + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part :
         {R"("probe":1)", R"("rootfile":"OEBPS/content.opf")", R"("version":3)",
          R"("title":"The Light on Tern Rock")", R"("cover":"Images/cover.jpg")",
          R"("tocHref":"toc.ncx")", R"("navHref":"Text/nav.xhtml")",
          R"({"id":"nav","href":"Text/nav.xhtml","properties":"nav",)"
          R"("mediaType":"application/xhtml+xml"})",
          R"({"id":"compass","href":"Images/compass.svg","properties":"",)"
          R"("mediaType":"image/svg+xml"})",
          // "Ignore TOC" is on by default: the spine gives the order, labelled by index.
          R"({"label":"0","href":"Text/cover.xhtml"})",
          R"({"label":"1","href":"Text/chapter1.xhtml"})",
          R"({"label":"Content","href":"Text/nav.xhtml"}])",
          // The book's own contents, from its navigation document, by member path.
          R"("contents":[{"label":"The Relief Boat","href":"OEBPS/Text/chapter1.xhtml",)"
          R"("children":[]},{"label":"The Chart and the Log",)"}) {
        EXPECT_TRUE(Contains(run.out, part)) << part << "\n" << run.out;
    }
    EXPECT_EQ(run.out.back(), '\n');
}

TEST(InfoCommandTest, SettingOverridesTheStoredValueForOneRun) {
    testing::TempDir dir;
    const ProgramRun run =
        RunQuirelle(std::string("--setting ignore_toc=0 --info '") + DEMO_BOOK + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, R"({"label":"1. The Relief Boat","href":"Text/chapter1.xhtml"})"))
        << run.out;
    EXPECT_FALSE(Contains(run.out, R"({"label":"0")")) << run.out;

    const ProgramRun unknown =
        RunQuirelle(std::string("--setting no_such=1 --info '") + DEMO_BOOK + "'", dir);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(Contains(unknown.err, "no_such")) << unknown.err;
    EXPECT_TRUE(unknown.out.empty());
}

TEST(InfoCommandTest, ExitStatusFollowsTheProbe) {
    testing::TempDir dir;
    testing::WriteFile(dir / "text.epub", "not an archive");
    testing::WriteFile(dir / "notes.txt", "not an archive");
    testing::WriteArchive(dir / "drm.epub",
                          testing::BookMembers("<package/>", {{"META-INF/rights.xml", "<r/>"}}));
    testing::WriteArchive(dir / "cut.epub", testing::MinimalBookMembers());
    testing::WriteFile(dir / "cut.epub", testing::ReadFile(dir / "cut.epub").substr(0, 300));
    const std::string obfuscated =
        R"(<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
 xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData>
 <enc:EncryptionMethod Algorithm="http://www.idpf.org/2008/embedding"/>
 <enc:CipherData><enc:CipherReference URI="OEBPS/font.otf"/></enc:CipherData>
</enc:EncryptedData></encryption>)";
    testing::WriteArchive(dir / "fonts.epub",
                          testing::BookMembers(testing::PackageDocument("", ""),
                                               {{"META-INF/encryption.xml", obfuscated}}));
    testing::WriteArchive(dir / "nopackage.epub", {{"mimetype", "application/epub+zip"}});
    std::filesystem::create_directory(dir / "folder.epub");
    struct Case {
        const char* file;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"drm.epub", 2, "Quirelle did't support EPUB's with DRM!\n"},
        {"fonts.epub", 0, ""},
        {"text.epub", 1, "text.epub is not an EPUB book or is damaged\n"},
        {"notes.txt", 1, "notes.txt is not an EPUB book or is damaged\n"},
        {"cut.epub", 1, "cut.epub is not an EPUB book or is damaged\n"},
        {"missing.epub", 1, "missing.epub: no such file"},
        {"folder.epub", 1, "folder.epub: it is a folder, not a file"},
        {"nopackage.epub", 1, "nopackage.epub: the book has no package document"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const ProgramRun run = RunQuirelle("--info '" + (dir / c.file).string() + "'", dir);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        if (c.status == 0) {
            EXPECT_TRUE(Contains(run.out, R"("probe":1)")) << run.out;
            continue;
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

// What the panel shows is what --info reports: the description as text, the date in the
// locale's words (the tests run in the C locale), and the cover the book names, or null.
TEST(InfoCommandTest, ShowsTheMetadataAsTextAndTheCoverOrNull) {
    testing::TempDir dir;
    const std::string chapter =
        R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)";
    const std::string picture =
        R"(<item id="pic" href="Images/front.jpg" media-type="image/jpeg"/>)";
    struct Case {
        const char* what;
        std::string manifest;
        std::string metadata;
        std::vector<const char*> parts;
    };
    const Case cases[] = {
        {"HTML description, ISO date, no cover",
         chapter,
         "<dc:description>&lt;p&gt;Everyone&amp;rsquo;s familiar with &lt;a "
         "href=\"https://example.org\"&gt;Holmes&lt;/a&gt;.&lt;/p&gt;&lt;p&gt;Second."
         "&lt;/p&gt;</dc:description><dc:date>2018-05-08T02:24:50Z</dc:date>",
         {R"("description":"Everyone’s familiar with Holmes.\n\nSecond.")",
          R"("date":"05/08/2018")", R"("cover":null)"}},
        {"EPUB 3 cover named by meta",
         chapter + picture,
         R"(<meta name="cover" content="pic"/><dc:date>1851</dc:date>)",
         {R"("cover":"Images/front.jpg")", R"("date":"1851")"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto book = dir / "book.epub";
        testing::WriteArchive(book, testing::BookMembers(testing::PackageDocument(
                                        c.manifest, R"(<itemref idref="a"/>)",
                                        "<dc:title>T</dc:title>" + c.metadata)));
        const ProgramRun run = RunQuirelle("--info '" + book.string() + "'", dir);
        ASSERT_EQ(run.status, 0) << run.err;
        for (const char* part : c.parts) {
            EXPECT_TRUE(Contains(run.out, part)) << part << "\n" << run.out;
        }
        EXPECT_FALSE(Contains(run.out, "no_cover.png")) << run.out;
    }
}

TEST(InfoCommandTest, TextThatIsNotUtf8StaysValidJson) {
    testing::TempDir dir;
    testing::WriteArchive(
        dir / "odd.epub",
        testing::BookMembers(testing::PackageDocument(
            R"(<item id="a" href="a&quot;b.xhtml" media-type="application/xhtml+xml"/>)",
            R"(<itemref idref="a"/>)", "<dc:title>Tab\there \"quoted\" \\ back</dc:title>")));
    const ProgramRun run = RunQuirelle("--info '" + (dir / "odd.epub").string() + "'", dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, R"("title":"Tab\there \"quoted\" \\ back")")) << run.out;
    EXPECT_TRUE(Contains(run.out, R"({"label":"0","href":"a\"b.xhtml"})")) << run.out;
}

// A user who finds a book displayed badly switches the package dump on in the settings folder;
// --info then leaves it on the RAM disk, which is $XDG_RUNTIME_DIR when nothing else is named.
TEST(InfoCommandTest, ToolTypesInTheSettingsFolderSwitchTheDumpsOn) {
    testing::TempDir dir;
    const testing::ScopedVariable noRamDir("QUIRELLE_RAM_DIR", std::nullopt);
    std::filesystem::create_directories(dir / "runtime");
    const auto dump = dir / "runtime" / "debug_contents.txt";
    const std::string arguments = std::string("--info '") + DEMO_BOOK + "'";

    ASSERT_EQ(RunQuirelle(arguments, dir).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dump)) << "no tool types, no dump";

    std::filesystem::create_directories(dir / "config" / "quirelle");
    testing::WriteFile(dir / "config" / "quirelle" / "Quirelle.info", "debug_contents=yes\n");
    const ProgramRun run = RunQuirelle(arguments, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, R"("title":"The Light on Tern Rock")")) << run.out;
    const std::string contents = testing::ReadFile(dump);
    EXPECT_TRUE(contents.starts_with(std::string(54, '-') + "\nVersion = 3\n")) << contents;
    for (const char* part : {"\nCover = Images/cover.jpg\n", "\n0 - Text/cover.xhtml\n",
                             "\nNAV = Text/nav.xhtml\n", "\nReferenzen\n"}) {
        EXPECT_TRUE(Contains(contents, part)) << part;
    }
    EXPECT_TRUE(contents.ends_with("\n" + std::string(57, '-') + "\n")) << contents;
}

}  // namespace
}  // namespace quirelle
