// Keys, the wheel, clicks and pointer moves over the page, sent as real X events (xdotool) to the
// program's window built in-process.
#include <gtkmm/native.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gui_fixture.hpp"
#include "platform/settings_store.hpp"
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

    // Over the middle of a link: its record is in layout units, beside a centred column.
    void MoveToLink(Application& program, const LinkRecord& link) {
        const ViewScale& scale = program.view().Data().shownScale;
        MoveTo(program, scale.left + scale.ToDevice((link.x1 + link.x2) / 2),
               scale.ToDevice((link.y1 + link.y2) / 2));
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

// The zoom keys step the zoom and lay the page out at the new size; Ctrl+0 goes back to 100 %.
TEST_F(PageInputTest, TheZoomKeysStepTheZoom) {
    Application& program = StartWithBook();
    DocumentViewData& data = program.view().Data();
    MoveTo(program, 200, 200);
    struct Case {
        const char* keys;
        int zoom;
    };
    const Case cases[] = {{"key ctrl+plus", 110},
                          {"key ctrl+plus", 125},
                          {"key ctrl+minus", 110},
                          {"key ctrl+0", 100},
                          {"key ctrl+minus", 90}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Xdotool(c.keys);
        EXPECT_TRUE(ProcessUntil([&] {
            return program.mainWindow().Zoom() == c.zoom && data.shownScale.zoom == c.zoom / 100.0;
        })) << program.mainWindow().Zoom();
    }
    EXPECT_EQ(LoadSettings().zoom, 90) << "the zoom is kept";
}

TEST_F(PageInputTest, HoverNamesALinkAndAClickFollowsIt) {
    Application& program = StartWithBook();
    DocumentViewData& data = program.view().Data();
    const LinkRecord link = data.links[0];
    ASSERT_EQ(link.Hlink, "c2.xhtml#top");
    MoveToLink(program, link);
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

namespace quirelle::testing {
namespace {

// The first word of the first line wholly in view.
std::string TopWord(const DocumentViewData& data) {
    if (!data.shown) {
        return "";
    }
    const PageLayout& page = data.shown->page;
    for (const LineBox& line : page.lines) {
        if (line.top >= data.scrollY - 0.5 && line.wordCount > 0) {
            return std::string(page.WordText(page.words[line.firstWord]));
        }
    }
    return "";
}

// Three long chapters; the first links to a note in the third.
std::string WriteLongBook(const std::filesystem::path& file) {
    std::string manifest, spine;
    std::vector<Member> pages;
    for (int c = 1; c <= 3; ++c) {
        const std::string id = "c" + std::to_string(c);
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>\n";
        std::string body = c == 1 ? "<p>Start <a href=\"c3.xhtml#note40\">a note</a></p>" : "";
        for (int i = 1; i <= 80; ++i) {
            body += "<p id=\"note" + std::to_string(i) + "\">W" + std::to_string(c) + "x" +
                    std::to_string(i) + " is a line of chapter " + id + ".</p>";
        }
        pages.push_back({"OEBPS/" + id + ".xhtml", XhtmlPage(body)});
    }
    WriteArchive(file, BookMembers(PackageDocument(manifest, spine), pages));
    return file.string();
}

class ReadingPlaceGuiTest : public PageInputTest {};

TEST_F(ReadingPlaceGuiTest, ANoteLinkAndBackWithAltLeft) {
    Application& program = StartProgram(WriteLongBook(dir_ / "notes.epub"));
    DocumentViewData& data = program.view().Data();
    ASSERT_TRUE(ProcessUntil([&] {
        return program.mainWindow().pageArea().canvas().get_height() > 100 && !data.links.empty();
    }));
    const LinkRecord link = data.links[0];
    ASSERT_EQ(link.Hlink, "c3.xhtml#note40");
    MoveToLink(program, link);
    Xdotool("click 1");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 2 && TopWord(data) == "W3x40"; }))
        << "page " << data.currentPage << ", top word " << TopWord(data);
    EXPECT_TRUE(program.mainWindow().backButton().get_sensitive());
    Xdotool("key alt+Left");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 0 && TopWord(data) == "Start"; }))
        << "page " << data.currentPage << ", top word " << TopWord(data);
    Xdotool("key alt+Right");
    EXPECT_TRUE(ProcessUntil([&] { return data.currentPage == 2 && TopWord(data) == "W3x40"; }));
}

TEST_F(ReadingPlaceGuiTest, StartingWithoutAFileReopensTheLastBookAtItsPlace) {
    const std::string book = WriteLongBook(dir_ / "last.epub");
    {
        Application& program = StartProgram(book);
        DocumentView& view = program.view();
        ASSERT_TRUE(ProcessUntil(
            [&] { return program.mainWindow().pageArea().canvas().get_height() > 100; }));
        // "Open Recent" lists the book, by its path.
        const Glib::RefPtr<Gio::Menu> recent = program.mainWindow().recentBooks().menu();
        const auto listed = [&] {
            for (int i = 0; i < recent->get_n_items(); ++i) {
                const auto target = Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(
                    recent->get_item_attribute(i, Gio::MenuModel::Attribute::TARGET,
                                               Glib::VARIANT_TYPE_STRING));
                if (std::string(target.get()) == book) {
                    return true;
                }
            }
            return false;
        };
        EXPECT_TRUE(ProcessUntil(listed));
        view.GoToDocument(2);
        view.ScrollTo(600);
        ProcessPending();
        ASSERT_EQ(view.Data().currentPage, 2);
    }
    const ReadingPlace seen = program_->view().CurrentPlace();
    ASSERT_GT(seen.offset, 0u);
    QuitProgram();

    Application& again = StartProgram();
    DocumentViewData& data = again.view().Data();
    EXPECT_TRUE(ProcessUntil([&] {
        return data.book.archivePath == book && again.view().CurrentPlace() == seen &&
               data.scrollY > 0;
    })) << "book "
        << data.book.archivePath << ", page " << data.currentPage << ", offset "
        << again.view().CurrentPlace().offset << " instead of " << seen.offset;
}

}  // namespace
}  // namespace quirelle::testing
