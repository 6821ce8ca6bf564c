#include <gtest/gtest.h>

#include <filesystem>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::BookMembers;
using testing::PackageDocument;

constexpr const char* kDrmMessage = "Quirelle did't support EPUB's with DRM!";

class OpenBookTest : public ::testing::Test {
  protected:
    std::string WriteBook(const std::string& fileName, const std::string& title) {
        const auto path = dir_ / fileName;
        testing::WriteArchive(
            path, BookMembers(
                      PackageDocument(
                          R"(<item id="c1" href="one.xhtml" media-type="application/xhtml+xml"/>)",
                          R"(<itemref idref="c1"/>)", "<dc:title>" + title + "</dc:title>"),
                      {{"OEBPS/one.xhtml", testing::XhtmlPage("<p>" + title + "</p>")}}));
        return path.string();
    }
    std::string WriteNonArchive(const std::string& fileName) {
        const auto path = dir_ / fileName;
        testing::WriteFile(path, "not a zip archive");
        return path.string();
    }

    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(OpenBookTest, ReadableBookLoadsWithTheStatusTextsAndItsFirstPage) {
    const std::string path = WriteBook("book.epub", "Readable");
    view_.OpenBook(path);
    EXPECT_EQ(view_.Data().book.archivePath, path);
    EXPECT_EQ(frontend_.statusHistory,
              (std::vector<std::string>{"Get startpoint...", "Startpoint found. Get metadata...",
                                        "Metadata are loadet.Get startdoc now...", ""}));
    EXPECT_EQ(view_.Data().currentPage, 0);
    EXPECT_NE(view_.Data().documentText.Text().find("<p>Readable</p>"), std::string::npos);
    EXPECT_TRUE(frontend_.messages.empty());
    EXPECT_EQ(frontend_.busyDepth, 0);
    EXPECT_GE(frontend_.busyCount, 1);
}

// A protected book gets the DRM box; a file that is no archive, or one cut short, is damaged:
// said in the status line with its name, and the book on display stays.
TEST_F(OpenBookTest, ProbeDecidesBetweenLoadingTheDrmBoxAndTheDamagedNotice) {
    const std::string shown = WriteBook("shown.epub", "Shown");
    const std::string cut = WriteBook("cut.epub", "Cut");
    testing::WriteFile(cut, testing::ReadFile(cut).substr(0, 300));
    const auto locked = dir_ / "locked.zip";
    std::vector<testing::Member> lockedMembers = testing::MinimalBookMembers();
    lockedMembers.push_back({"META-INF/rights.xml", "<rights/>"});
    testing::WriteArchive(locked, lockedMembers);
    struct Case {
        const char* what;
        std::string path;
        bool loads;
        bool drmBox;
        bool damaged;  // the status line says so
    };
    const Case cases[] = {
        {"readable", WriteBook("a.epub", "A"), true, false, false},
        {"protected, any name", locked.string(), false, true, false},
        {"text file named .epub", WriteNonArchive("text.epub"), false, false, true},
        {"text file, other name", WriteNonArchive("notes.txt"), false, false, true},
        {"cut short", cut, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HeadlessFrontend frontend;
        DocumentView view(frontend);
        ASSERT_TRUE(view.OpenBook(shown));
        EXPECT_EQ(view.OpenBook(c.path), c.loads);
        EXPECT_EQ(view.Data().book.archivePath, c.loads ? c.path : shown);
        EXPECT_EQ(frontend.metadata[MetadataField::Title], c.loads ? "A" : "Shown");
        EXPECT_EQ(frontend.messages,
                  c.drmBox ? std::vector<std::string>{kDrmMessage} : std::vector<std::string>{});
        if (c.damaged) {
            EXPECT_EQ(frontend.statusHistory.back(), c.path + " is not an EPUB book or is damaged");
        }
        EXPECT_EQ(frontend.busyDepth, 0);
    }
}

TEST_F(OpenBookTest, RequesterAsksForAnEpubAndOpensTheChoice) {
    const std::string path = WriteBook("chosen.epub", "Chosen");
    frontend_.fileRequestAnswers.push_back({FileRequest::Result::Chosen, path});
    view_.OpenRequester();
    ASSERT_EQ(frontend_.fileRequests.size(), 1u);
    EXPECT_EQ(frontend_.fileRequests[0].title, "Open...");
    EXPECT_EQ(frontend_.fileRequests[0].pattern, "#?.(EPU|EPUB)");
    EXPECT_EQ(frontend_.fileRequests[0].drawer, "Epub");
    EXPECT_FALSE(frontend_.fileRequests[0].saveMode);
    EXPECT_EQ(view_.Data().book.archivePath, path);
    EXPECT_EQ(frontend_.metadata[MetadataField::Title], "Chosen");
}

TEST_F(OpenBookTest, CancelledOrFailedRequesterLeavesTheOpenBookAsItWas) {
    const std::string path = WriteBook("open.epub", "Open");
    view_.OpenBook(path);
    view_.Data().maxPageLength = 1234.0;
    for (FileRequest::Result result :
         {FileRequest::Result::Cancelled, FileRequest::Result::Failed}) {
        frontend_.fileRequestAnswers.push_back({result, ""});
        view_.OpenRequester();
        const DocumentViewData& data = view_.Data();
        EXPECT_EQ(data.book.archivePath, path);
        EXPECT_EQ(data.book.documentCount, 1);
        EXPECT_EQ(data.book.documents[0].href, "one.xhtml");
        EXPECT_EQ(data.book.manifestItems[0].id, "c1");
        EXPECT_EQ(data.maxPageLength, 1234.0);
        EXPECT_EQ(frontend_.busyDepth, 0);
    }
}

TEST_F(OpenBookTest, OpeningAnotherBookReplacesTheTables) {
    view_.OpenBook(WriteBook("first.epub", "First"));
    view_.Data().maxPageLength = 99.0;
    const std::string second = WriteBook("second.epub", "Second");
    view_.OpenBook(second);
    EXPECT_EQ(view_.Data().book.archivePath, second);
    EXPECT_EQ(view_.Data().maxPageLength, 0.0);
    EXPECT_EQ(frontend_.metadata[MetadataField::Title], "Second");
    EXPECT_EQ(frontend_.pageListRows, (std::vector<std::string>{"0"}));
}

// A file that cannot be read at all is told in the status line with its name and the reason,
// and leaves the open book as it was; it is no protected book.
TEST_F(OpenBookTest, AFileThatCannotBeReadIsToldWithItsReason) {
    const std::string open = WriteBook("open.epub", "Open");
    std::filesystem::create_directory(dir_ / "folder.epub");
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {(dir_ / "missing.epub").string(), ": no such file"},
        {(dir_ / "folder.epub").string(), ": it is a folder, not a file"},
        {(dir_ / "open.epub" / "inside.epub").string(), ": a part of its path is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HeadlessFrontend frontend;
        DocumentView view(frontend);
        ASSERT_TRUE(view.OpenBook(open));
        EXPECT_FALSE(view.OpenBook(c.path));
        ASSERT_FALSE(frontend.statusHistory.empty());
        EXPECT_EQ(frontend.statusHistory.back(), "Could not open " + c.path + c.reason);
        EXPECT_TRUE(frontend.messages.empty());
        EXPECT_EQ(view.Data().book.archivePath, open);
        EXPECT_EQ(frontend.metadata[MetadataField::Title], "Open");
        EXPECT_EQ(frontend.busyDepth, 0);
    }
}

// A document that cannot be read shows an empty page and says so; it never shows the document
// before it under its own place in the book.
TEST_F(OpenBookTest, ADocumentThatCannotBeReadShowsAnEmptyPageAndSaysSo) {
    const auto path = dir_ / "partly.epub";
    testing::WriteArchive(
        path, BookMembers(PackageDocument(
                              R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)"
                              R"(<item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)"
                              R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                              R"(<itemref idref="a"/><itemref idref="b"/><itemref idref="c"/>)"),
                          {{"OEBPS/a.xhtml", testing::XhtmlPage("<p>Readable</p>")},
                           {"OEBPS/b.xhtml", testing::XhtmlPage("<p>Damaged</p>")}}));
    testing::DamageMember(path, "OEBPS/b.xhtml", testing::Damage::UnsupportedMethod);
    ASSERT_TRUE(view_.OpenBook(path.string()));
    struct Case {
        int page;
        bool read;
        const char* status;  // the last status text
        const char* text;    // found in the page's text
    };
    const Case cases[] = {
        {1, false, "Could not read b.xhtml", ""},
        {0, true, "", "Readable"},
        {2, false, "Could not read c.xhtml", ""},  // no such member
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(view_.LoadPage(c.page), c.read);
        EXPECT_EQ(view_.Data().currentPage, c.page);
        EXPECT_EQ(frontend_.statusHistory.back(), c.status);
        const std::string_view text = view_.Data().documentText.Text();
        if (*c.text) {
            EXPECT_NE(text.find(c.text), std::string_view::npos);
        } else {
            EXPECT_TRUE(text.empty()) << text;
        }
    }
}

}  // namespace
}  // namespace quirelle
