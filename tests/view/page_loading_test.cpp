// The dumps written as a page is loaded: its link records and the documents unpacked.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using testing::ReadFile;

class PageDumpTest : public ::testing::Test {
  protected:
    PageDumpTest() {
        std::filesystem::create_directories(ram());
        const std::string manifest =
            R"(<item id="c1" href="Text/one.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="c2" href="Text/two.xhtml" media-type="application/xhtml+xml"/>)";
        testing::WriteArchive(
            dir_ / "book.epub",
            testing::BookMembers(
                testing::PackageDocument(manifest, R"(<itemref idref="c1"/><itemref idref="c2"/>)"),
                {{"OEBPS/Text/one.xhtml",
                  testing::XhtmlPage(R"(<p><a href="two.xhtml#end">Onwards</a></p>)"
                                     R"(<p><audio src="../Audio/bell.mp3"/></p>)")},
                 {"OEBPS/Text/two.xhtml", testing::XhtmlPage("<p>No links here</p>")}}));
    }

    std::filesystem::path ram() const { return dir_ / "ram"; }
    void Open() { ASSERT_TRUE(view_.OpenBook((dir_ / "book.epub").string())); }

    testing::TempDir dir_;
    testing::ScopedVariable ramVariable_{"QUIRELLE_RAM_DIR", ram().string()};
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(PageDumpTest, HlinkDumpListsTheLinkRecordsOfEachPageLoaded) {
    Open();
    EXPECT_FALSE(std::filesystem::exists(ram() / "debug_hlink.txt"))
        << "written with the switch off";

    view_.Data().debug.debugHlink = true;
    view_.LoadPage(0);
    view_.LoadPage(1);
    view_.GotoTarget("one.xhtml");  // a jump writes none
    // "%g" prints no trailing zeros and, for these sizes, no exponent.
    const std::string number = "-?[0-9]+(\\.[0-9]*[1-9])?";
    // A sound shows its bar: a record for each of its three buttons.
    std::string bar;
    for (int button = 0; button < 3; ++button) {
        bar +=
            "Hlink = \\.\\./Audio/bell\\.mp3 Player = controls Audio = 1   ---    x1 = " + number +
            " y1 = " + number + " x2 = " + number + " y2 = " + number + "\n";
    }
    const std::regex expected(
        "------ hlink -------\n"
        "Hlink = two\\.xhtml#end Player =  Audio = 0   ---    x1 = 20 y1 = 30 x2 = " +
        number + " y2 = " + number + "\n" + bar + "------ hlink -------\n");
    const std::string dump = ReadFile(ram() / "debug_hlink.txt");
    EXPECT_TRUE(std::regex_match(dump, expected)) << dump;
    EXPECT_EQ(view_.Data().links.size(), 4u) << "the jump's page's links are not recorded";
}

TEST_F(PageDumpTest, ElementDumpGoesToTheCurrentFolder) {
    const auto current = dir_ / "current";
    std::filesystem::create_directories(current);
    const testing::ScopedCurrentDirectory inCurrent(current);
    view_.Data().debug.debugElement = true;
    Open();
    view_.LoadPage(1);
    view_.GotoTarget("one.xhtml");  // a jump writes none
    EXPECT_EQ(ReadFile(current / "debug_element.txt"),
              "------  Text/one.xhtml unpacked --------\n"
              "------ page 0 unpacked --------\n"
              "------  Text/two.xhtml unpacked --------\n"
              "------ page 1 unpacked --------\n");
    EXPECT_FALSE(std::filesystem::exists(ram() / "debug_element.txt"));
}

}  // namespace
}  // namespace quirelle
