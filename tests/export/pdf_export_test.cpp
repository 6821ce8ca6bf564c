#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/program_run.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

class PdfExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string manifest, spine;
        std::vector<testing::Member> chapters;
        // Chapters of 1, 20 and 3 paragraphs: the middle one is the tallest.
        const int paragraphs[] = {1, 20, 3};
        for (int i = 0; i < 3; ++i) {
            const std::string id = "c" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"" + id +
                        ".xhtml\" media-type=\"application/xhtml+xml\"/>";
            spine += "<itemref idref=\"" + id + "\"/>";
            std::string body;
            for (int p = 0; p < paragraphs[i]; ++p) {
                body += "<p>Paragraph " + std::to_string(p) + " of chapter " + id + ".</p>";
            }
            chapters.push_back({"OEBPS/" + id + ".xhtml", testing::XhtmlPage(body)});
        }
        book_ = (dir_ / "book.epub").string();
        testing::WriteArchive(book_, testing::BookMembers(
                                         testing::PackageDocument(manifest, spine), chapters));
        view_.OpenBook(book_);
    }

    int PdfPages(const std::filesystem::path& pdf) {
        const testing::ProgramRun info =
            testing::RunProgram("pdfinfo", testing::Quoted(pdf.string()), dir_);
        const auto at = info.out.find("Pages:");
        return at == std::string::npos ? -1 : std::stoi(info.out.substr(at + 6));
    }

    testing::TempDir dir_;
    std::string book_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(PdfExportTest, ThePagesAreAsTallAsTheTallestDocumentAndTheHeightOnlyGrows) {
    view_.MeasurePages(0, 0);
    const double shortest = view_.Data().maxPageLength;
    view_.MeasurePages(0, 2);
    const double tallest = view_.Data().maxPageLength;
    EXPECT_GT(tallest, shortest);
    view_.MeasurePages(0, 0);
    EXPECT_EQ(view_.Data().maxPageLength, tallest) << "a later, shorter range keeps the height";
    EXPECT_EQ(frontend_.statusHistory.back(), "");
    EXPECT_NE(std::find(frontend_.statusHistory.begin(), frontend_.statusHistory.end(),
                        "Calculate max. Pagelenght... 2/2 "),
              frontend_.statusHistory.end());

    const auto pdf = dir_ / "out.pdf";
    ASSERT_TRUE(view_.ExportPdfPages(pdf.string(), 1, 2));
    EXPECT_EQ(PdfPages(pdf), 2);
    // From beyond To writes a file without pages.
    const auto empty = dir_ / "empty.pdf";
    EXPECT_TRUE(view_.ExportPdfPages(empty.string(), 2, 1));
    EXPECT_TRUE(std::filesystem::exists(empty));
}

TEST_F(PdfExportTest, ExportAsksForAFileAndAddsTheSuffix) {
    struct Case {
        std::string chosen;
        std::string written;
    };
    const Case cases[] = {
        {(dir_ / "plain").string(), (dir_ / "plain.pdf").string()},
        {(dir_ / "book.PDF").string(), (dir_ / "book.PDF.pdf").string()},
        {(dir_ / "has.pdf").string(), (dir_ / "has.pdf").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        frontend_.exportFrom = 0;
        frontend_.exportTo = 1;
        frontend_.exportWindowOpen = true;
        frontend_.fileRequestAnswers.push_back({FileRequest::Result::Chosen, c.chosen});
        view_.ExportPdf();
        EXPECT_EQ(frontend_.fileRequests.back().title, "Export as pdf...");
        EXPECT_TRUE(frontend_.fileRequests.back().saveMode);
        EXPECT_EQ(frontend_.fileRequests.back().pattern, "#?.(PDF)");
        EXPECT_EQ(PdfPages(c.written), 2);
        EXPECT_FALSE(frontend_.exportWindowOpen);
        EXPECT_EQ(frontend_.busyDepth, 0);
    }
}

TEST_F(PdfExportTest, CancellingWritesNothingAndAFailedWriteIsTold) {
    frontend_.exportWindowOpen = true;
    view_.ExportPdf();  // no answer prepared: cancelled
    EXPECT_TRUE(frontend_.exportWindowOpen);
    EXPECT_TRUE(frontend_.messages.empty());

    frontend_.fileRequestAnswers.push_back(
        {FileRequest::Result::Chosen, (dir_ / "no-such-folder" / "out.pdf").string()});
    view_.ExportPdf();
    ASSERT_EQ(frontend_.messages.size(), 1u);
    EXPECT_NE(frontend_.messages[0].find("could not be written"), std::string::npos);
}

}  // namespace
}  // namespace quirelle
