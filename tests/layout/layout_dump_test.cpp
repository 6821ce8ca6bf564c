// Layout regressions show as a changed text dump of what was laid out: every line with its place,
// every rule and decoration line, every link. Fonts come from the packages the project installs,
// so the dump is the same on every machine. After a deliberate change, run the test with
// QUIRELLE_UPDATE_EXPECTED=1 to write the new dump, and read its diff before committing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/epub_fixture.hpp"
#include "support/layout_fixture.hpp"

namespace quirelle {
namespace {

using testing::LayoutFixture;

class LayoutDumpTest : public LayoutFixture {
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

    void ExpectDump(const std::string& chapter, int width, const std::string& expectedName) {
        Render(testing::ReadFile(std::string(DEMO_SOURCES) + "/OEBPS/Text/" + chapter), width,
               20000);
        const std::string expectedPath = std::string(EXPECTED_DIR) + "/" + expectedName;
        const std::string dump = Dump();
        if (std::getenv("QUIRELLE_UPDATE_EXPECTED") != nullptr) {
            testing::WriteFile(expectedPath, dump);
        }
        EXPECT_EQ(dump, testing::ReadFile(expectedPath))
            << "the layout of " << chapter << " at " << width << " changed";
    }
};

TEST_F(LayoutDumpTest, DemoChapterOneAtSixHundredPixels) {
    ExpectDump("chapter1.xhtml", 600, "chapter1-600.txt");
}

TEST_F(LayoutDumpTest, DemoChapterTwoAtNineHundredPixels) {
    ExpectDump("chapter2.xhtml", 900, "chapter2-900.txt");
}

}  // namespace
}  // namespace quirelle
