// Layout regressions show as a changed dump of what was laid out: every line box with its words,
// every block box, every link. Fonts come from the packages the project installs,
// so the dump is the same on every machine. After a deliberate change, run the test with
// QUIRELLE_UPDATE_EXPECTED=1 to write the new dump, and read its diff before committing it.
// The documents laid out are small ones kept beside the test, each aimed at one area, so that a
// change to the demo book's prose never shows up here as a layout change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "layout/document_layout.hpp"
#include "layout/page_layout_dump.hpp"
#include "support/epub_fixture.hpp"
#include "support/layout_fixture.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;

// One document of tests/layout/input (its name without ".xhtml"), laid out at one width.
struct DumpCase {
    std::string document;
    int width;
};

// Names the case in test listings instead of a dump of its bytes.
void PrintTo(const DumpCase& dumpCase, std::ostream* os) {
    *os << dumpCase.document << ".xhtml at " << dumpCase.width << " pixels";
}

class LayoutDumpTest : public LayoutFixture, public ::testing::WithParamInterface<DumpCase> {
  protected:
    // The page the view laid out, in the --dump-layout format, and each link's rectangles, which
    // that format leaves out.
    std::string Dump() const {
        const std::unique_ptr<DocumentLayout>& rendered = view_.Data().rendered;
        if (!rendered) {
            return "";
        }
        std::ostringstream out;
        WritePageLayoutDump(out, rendered->page, rendered->tree, 0);
        char line[160];
        for (const PlacedLink& link : rendered->page.links) {
            std::snprintf(line, sizeof line, "link %.2f %.2f %.2f %.2f ", link.x, link.y,
                          link.width, link.height);
            out << line << link.target << "\n";
        }
        return out.str();
    }

    // Compares the dump with the expected file named after the document and the width.
    void ExpectDump(const std::string& document, int width) {
        const std::string expectedPath =
            std::string(EXPECTED_DIR) + "/" + document + "-" + std::to_string(width) + ".txt";
        const std::string inputPath = std::string(INPUT_DIR) + "/" + document + ".xhtml";
        const std::string xhtml = testing::ReadFile(inputPath);
        // A missing document would otherwise lay out as an empty page, and pass once updated.
        ASSERT_FALSE(xhtml.empty()) << "cannot read " << inputPath;
        Render(xhtml, width, 20000);
        const std::string dump = Dump();
        if (std::getenv("QUIRELLE_UPDATE_EXPECTED") != nullptr) {
            testing::WriteFile(expectedPath, dump);
        }
        EXPECT_EQ(dump, testing::ReadFile(expectedPath))
            << "the layout of " << document << ".xhtml at " << width << " pixels changed";
    }
};

TEST_P(LayoutDumpTest, MatchesExpectedDump) {
    ExpectDump(GetParam().document, GetParam().width);
}

// Each document exercises one area of the layout; the headings go at two widths, so that the same
// text is seen wrapping differently.
INSTANTIATE_TEST_SUITE_P(SmallDocuments, LayoutDumpTest,
                         ::testing::Values(DumpCase{"headings", 320}, DumpCase{"headings", 700},
                                           DumpCase{"lists", 420}, DumpCase{"blocks", 500},
                                           DumpCase{"inline", 480}),
                         [](const ::testing::TestParamInfo<DumpCase>& info) {
                             return info.param.document + "_" + std::to_string(info.param.width);
                         });

}  // namespace
}  // namespace quirelle
