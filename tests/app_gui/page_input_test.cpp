// Keys, the wheel, clicks and pointer moves over the page, sent as real X events (xdotool) to the
// program's window built in-process.
#include <gtkmm/native.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gui_fixture.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"
#include "x11_windows.hpp"

namespace quirelle::testing {
namespace {

class PageInputTest : public GuiTest {
  protected:
    // A book of three chapters; the first is long, with a link to the second and a web link.
    Application& StartWithBook() {
        std::string first =
            "<p>Start <a href=\"c2.xhtml#top\">to two</a> and "
            "<a href=\"https://example.org/\">out</a></p>";
        for (int i = 0; i < 80; ++i) {
            first += "<p>Line " + std::to_string(i) + " of the long first chapter.</p>";
        }
        const std::string manifest = R"(
            <item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
            <item id="c2" href="c2.xhtml" media-type="application/xhtml+xml"/>
            <item id="c3" href="c3.xhtml" media-type="application/xhtml+xml"/>)";
        const std::string book = (dir_ / "input.epub").string();
        WriteArchive(book, BookMembers(PackageDocument(manifest, R"(<itemref idref="c1"/>
                                                                <itemref idref="c2"/>
                                                                <itemref idref="c3"/>)"),
                                       {{"OEBPS/c1.xhtml", XhtmlPage(first)},
                                        {"OEBPS/c2.xhtml", XhtmlPage("<p>Chapter two</p>")},
                                        {"OEBPS/c3.xhtml", XhtmlPage("<p>Chapter three</p>")}}));
        Application& program = StartProgram(book);
        MainWindow& window = program.mainWindow();
        EXPECT_TRUE(ProcessUntil([&] {
            return window.get_mapped() && window.pageArea().canvas().get_height() > 100 &&
                   program.view().Data().links.size() == 2;
        }));
        return program;
    }

    // Lets the events xdotool sent arrive and be handled.
    static void Settle() {
        for (int i = 0; i < 20; ++i) {
            ProcessPending();
            g_usleep(10'000);
        }
    }

    // Runs xdotool on the program's window; `x`, `y` are points of the page's canvas.
    void Xdotool(const std::string& arguments) {
        ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
        ProcessPending();
    }
    void MoveTo(Application& program, double x, double y) {
        MainWindow& window = program.mainWindow();
        double left = 0, top = 0;
        window.get_surface_transform(left, top);
        double canvasX = 0, canvasY = 0;
        window.pageArea().canvas().translate_coordinates(window, x, y, canvasX, canvasY);
        const unsigned long xid = X11WindowOf(window.get_surface()->gobj());
        Xdotool("mousemove --sync --window " + std::to_string(xid) + " " +
                std::to_string(static_cast<int>(left + canvasX)) + " " +
                std::to_string(static_cast<int>(top + canvasY)));
        Settle();
    }
};

TEST_F(PageInputTest, KeysAndTheWheelOverThePageMoveThroughTheBook) {
    Application& program = StartWithBook();
    DocumentViewData& data = program.view().Data();
    MoveTo(program, 200, 200);
    struct Case {
        const char* keys;
        int page;
        double scrollY;
    };
    const Case cases[] = {
        {"key Down", 0, 20},     {"key shift+Down", 0, 70}, {"key Up", 0, 50},
        {"key shift+Up", 0, 0},  {"click 5", 0, 20},        {"click 4", 0, 0},
        {"key Page_Down", 1, 0}, {"key Right", 2, 0},       {"key Right", 2, 0},
        {"key Page_Up", 1, 0},   {"key Left", 0, 0},        {"key Left", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Xdotool(c.keys);
        EXPECT_TRUE(ProcessUntil([&] {
            return data.currentPage == c.page && data.scrollY == c.scrollY;
        })) << "page "
            << data.currentPage << ", scrolled " << data.scrollY;
    }
    EXPECT_EQ(program.mainWindow().pageList().ActiveRow(), 0);

    // Beside the page, the keys and the wheel are not the page's.
    MoveTo(program, -40, 200);
    Xdotool("key Down click 5");
    Settle();
    EXPECT_EQ(data.scrollY, 0);
}

TEST_F(PageInputTest, HoverNamesALinkAndAClickFollowsIt) {
    Application& program = StartWithBook();
    DocumentViewData& data = program.view().Data();
    const LinkRecord link = data.links[0];
    ASSERT_EQ(link.Hlink, "c2.xhtml#top");
    MoveTo(program, (link.x1 + link.x2) / 2, (link.y1 + link.y2) / 2);
    EXPECT_TRUE(ProcessUntil([&] {
        return program.mainWindow().status().get_text() == "c2.xhtml#top";
    })) << program.mainWindow().status().get_text();
    Xdotool("click 1");
    EXPECT_TRUE(ProcessUntil(
        [&] { return data.documentText.Text().find("Chapter two") != std::string_view::npos; }));
    EXPECT_EQ(program.mainWindow().pageList().ActiveRow(), 1);
}

// A web link reaches exactly the program the desktop names for its scheme; a link of any other
// scheme reaches nothing, even where the desktop has a program for it.
TEST_F(PageInputTest, AWebLinkReachesTheDesktopsHandlerAndNoOtherSchemeDoes) {
    const std::filesystem::path received = dir_ / "received.txt";
    const std::filesystem::path handler = dir_ / "handler.sh";
    WriteFile(handler, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + received.string() + "'\n");
    std::filesystem::permissions(handler, std::filesystem::perms::owner_all);
    // Where GIO looks for the programs of this process (its folders are known from the start).
    const std::filesystem::path applications =
        std::filesystem::path(g_get_user_data_dir()) / "applications";
    std::filesystem::create_directories(applications);
    const std::string schemes[] = {"https", "javascript", "file", "x-odd-tp"};
    std::string mimeTypes, defaults = "[Default Applications]\n";
    for (const std::string& scheme : schemes) {
        mimeTypes += "x-scheme-handler/" + scheme + ";";
        defaults += "x-scheme-handler/" + scheme + "=quirelle-test-handler.desktop\n";
    }
    WriteFile(applications / "quirelle-test-handler.desktop",
              "[Desktop Entry]\nType=Application\nName=Link catcher\nNoDisplay=true\nExec=" +
                  handler.string() + " %u\nMimeType=" + mimeTypes + "\n");
    WriteFile(applications / "mimeapps.list", defaults);
    std::filesystem::create_directories(g_get_user_config_dir());
    WriteFile(std::filesystem::path(g_get_user_config_dir()) / "mimeapps.list", defaults);

    Application& program = StartWithBook();
    for (const char* refused : {"javascript:alert(1)", "file:///etc/hostname", "x-odd-tp://run"}) {
        LinkRecord link;
        link.Hlink = refused;
        program.view().FollowLink(link);
        EXPECT_NE(std::string(program.mainWindow().status().get_text()).find("was not opened"),
                  std::string::npos)
            << refused;
    }
    LinkRecord web;
    web.Hlink = "https://example.org/page?a=1&b=2";
    program.view().FollowLink(web);
    EXPECT_TRUE(ProcessUntil([&] { return std::filesystem::exists(received); }));
    Settle();
    EXPECT_EQ(ReadFile(received), "https://example.org/page?a=1&b=2\n");
    // The catcher stays registered only for this test.
    std::filesystem::remove(applications / "quirelle-test-handler.desktop");
    std::filesystem::remove(applications / "mimeapps.list");
}

}  // namespace
}  // namespace quirelle::testing
