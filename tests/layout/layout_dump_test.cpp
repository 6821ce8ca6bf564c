// Layout regressions show as a changed text dump of what was laid out: every line with its place,
// every rule and decoration line, every link. Fonts come from the packages the project installs,
// so the dump is the same on every machine. After a deliberate change, run the test with
// QUIRELLE_UPDATE_EXPECTED=1 to write the new dump, and read its diff before committing it.
// The documents laid out are small ones kept beside the test, each aimed at one area, so that a
// change to the demo book's prose never shows up here as a layout change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

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
    std::string Dump() const {
        std::string dump;
        char line[160];
        for (const testing::TracedLine& traced : Lines()) {
            std::snprintf(line, sizeof line, "text %8.2f %8.2f ", traced.x, traced.baseline);
            dump += line + traced.text + "\n";
        }
        for (const LayoutTrace::Line& stroke : trace_.lines) {
            std::snprintf(line, sizeof line, "line %8.2f %8.2f %8.2f %8.2f width %.1f\n", stroke.x1,
                          stroke.y1, stroke.x2, stroke.y2, stroke.width);
            dump += line;
        }
        const LayoutState& layout = view_.Data().layout.state;
        for (int i = 0; i < layout.linkCount; ++i) {
            const LinkRecord& link = layout.links[static_cast<std::size_t>(i)];
            std::snprintf(line, sizeof line, "link %8.2f %8.2f %8.2f %8.2f ", link.x1, link.y1,
                          link.x2, link.y2);
            dump += line + link.Hlink + "\n";
        }
        std::snprintf(line, sizeof line, "contentHeight %.2f\n", layout.contentHeight);
        return dump + line;
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
