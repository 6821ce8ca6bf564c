// The main window, built in-process on a real display: what it shows of a book, and how its
// gadgets drive the document view.
#include <cairo.h>
#include <gdk/gdk.h>
#include <giomm/fileinfo.h>
#include <gtkmm/aboutdialog.h>
#include <gtkmm/droptarget.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/messagedialog.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "export/pdf_export.hpp"
#include "gui_fixture.hpp"
#include "platform/paths.hpp"
#include "support/book_fixture.hpp"
#include "support/picture_fixture.hpp"

namespace quirelle::testing {
namespace {

class MainWindowTest : public GuiTest {};

std::vector<std::string> RowLabels(PageList& list) {
    std::vector<std::string> labels;
    for (int row = 0; row < list.RowCount(); ++row) {
        labels.push_back(list.RowLabel(row));
    }
    return labels;
}

TEST_F(MainWindowTest, ShowsTheBookGivenAtStart) {
    const std::string manifest = R"(
        <item id="c1" href="one.xhtml" media-type="application/xhtml+xml"/>
        <item id="c2" href="two.xhtml" media-type="application/xhtml+xml"/>
        <item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)";
    const std::string book = (dir_ / "tern.epub").string();
    WriteArchive(
        book, BookMembers(PackageDocument(manifest, R"(<itemref idref="c1"/><itemref idref="c2"/>)",
                                          R"(<dc:title>Tern Rock</dc:title>
                                                      <dc:creator>A. Keeper</dc:creator>
                                                      <dc:description>Two keepers.</dc:description>
                                                      <dc:publisher>Lamp Press</dc:publisher>
                                                      <dc:date>1899-03-01</dc:date>)"),
                          {{"OEBPS/one.xhtml", XhtmlPage("<p>One</p>")},
                           {"OEBPS/two.xhtml", XhtmlPage("<p>Two</p>")},
                           {"OEBPS/nav.xhtml", XhtmlPage("<nav/>")}}));
    Application& program = StartProgram(book);
    MainWindow& window = program.mainWindow();

    EXPECT_TRUE(window.get_visible());
    EXPECT_EQ(window.get_title(), "Quirelle");
    EXPECT_EQ(RowLabels(window.pageList()), (std::vector<std::string>{"0", "1", "Content"}));
    EXPECT_EQ(window.pageList().ActiveRow(), 0);
    EXPECT_EQ(window.pageSlider().get_adjustment()->get_upper(), 2);
    const std::pair<MetadataField, const char*> fields[] = {
        {MetadataField::Title, "Tern Rock"},
        {MetadataField::Creator, "A. Keeper"},
        {MetadataField::Description, "Two keepers."},
        {MetadataField::Publisher, "Lamp Press"},
        {MetadataField::Date, "03/01/1899"}};  // the C locale's short date
    for (const auto& [field, text] : fields) {
        EXPECT_EQ(window.MetadataLabel(field).get_text(), text);
    }
    EXPECT_EQ(program.exportWindow().To(), 2);
    // The progress texts end with an empty status line once the book is shown.
    EXPECT_EQ(window.status().get_text(), "");
}

TEST_F(MainWindowTest, WithoutABookTheWindowOpensEmpty) {
    Application& program = StartProgram();
    EXPECT_TRUE(program.mainWindow().get_visible());
    EXPECT_EQ(program.mainWindow().pageList().RowCount(), 0);
    // No requester is shown until the user asks for one.
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        EXPECT_FALSE(dynamic_cast<Gtk::Dialog*>(window) && window->get_visible());
    }
}

TEST_F(MainWindowTest, SliderAndListFollowEachOther) {
    Application& program = StartProgram(WriteBook("four.epub", 4));
    MainWindow& window = program.mainWindow();
    ASSERT_EQ(window.pageList().RowCount(), 4);

    // Moving the slider chooses the row, and the row's document is shown.
    window.pageSlider().set_value(2);
    EXPECT_EQ(window.pageList().ActiveRow(), 2);
    EXPECT_EQ(program.view().Data().currentPage, 2);

    // Choosing a row moves the slider, and shows the document.
    window.pageList().ChooseRow(3);
    EXPECT_EQ(window.pageSlider().get_value(), 3);
    EXPECT_EQ(program.view().Data().currentPage, 3);

    // A slider position with no row leaves the page alone.
    window.pageSlider().set_range(0, 10);
    window.pageSlider().set_value(7);
    EXPECT_EQ(window.pageList().ActiveRow(), 3);
    EXPECT_EQ(program.view().Data().currentPage, 3);
}

TEST_F(MainWindowTest, RowsShowTheDocumentsTheyName) {
    // The second itemref names no manifest item: its document has no label and no row, so the
    // rows are "0" and "2" and the second row stands for document 2.
    const std::string book = (dir_ / "gap.epub").string();
    WriteArchive(
        book,
        BookMembers(
            PackageDocument(
                R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>
                                          <item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                R"(<itemref idref="a"/><itemref idref="missing"/><itemref idref="c"/>)"),
            {{"OEBPS/a.xhtml", XhtmlPage("<p>A</p>")}, {"OEBPS/c.xhtml", XhtmlPage("<p>C</p>")}}));
    Application& program = StartProgram(book);
    MainWindow& window = program.mainWindow();
    ASSERT_EQ(RowLabels(window.pageList()), (std::vector<std::string>{"0", "2"}));

    window.pageList().ChooseRow(1);
    EXPECT_EQ(program.view().Data().currentPage, 2);
    window.pageSlider().set_value(0);
    EXPECT_EQ(program.view().Data().currentPage, 0);
    window.pageSlider().set_value(1);
    EXPECT_EQ(program.view().Data().currentPage, 2);
}

TEST_F(MainWindowTest, ArrowButtonsFoldTheInformationPanel) {
    Application& program = StartProgram();
    MainWindow& window = program.mainWindow();
    struct Step {
        Gtk::Button* press;  // nothing: as started
        bool panelShown;
    };
    const Step steps[] = {
        {nullptr, false}, {&window.showPanelButton(), true}, {&window.hidePanelButton(), false}};
    for (const Step& step : steps) {
        if (step.press) {
            Click(*step.press);
        }
        EXPECT_EQ(window.infoPanel().get_visible(), step.panelShown);
        EXPECT_EQ(window.hidePanelButton().get_visible(), step.panelShown);
        EXPECT_EQ(window.showPanelButton().get_visible(), !step.panelShown);
    }
    // Folding a folded panel leaves it folded.
    program.view().ShowPanel(2);
    EXPECT_FALSE(window.infoPanel().get_visible());
    EXPECT_TRUE(window.showPanelButton().get_visible());
}

TEST_F(MainWindowTest, ScrollbarScrollsThePage) {
    Application& program = StartProgram(WriteBook("one.epub", 1));
    PageArea& page = program.mainWindow().pageArea();
    // A page taller than the window, as a long chapter would be.
    page.SetScrollRange(5000, 400);
    page.scroll()->set_value(1234);
    EXPECT_EQ(program.view().Data().scrollY, 1234);

    // Loading a page shows it from its top, and the scrollbar goes back with it.
    program.view().LoadPage(0);
    EXPECT_EQ(program.view().Data().scrollY, 0);
    EXPECT_EQ(page.scroll()->get_value(), 0);
}

TEST_F(MainWindowTest, ADroppedBookIsOpened) {
    Application& program = StartProgram();
    const std::string book = WriteBook("dropped.epub", 2);

    Glib::RefPtr<Gtk::DropTarget> drop;
    const auto controllers = program.mainWindow().observe_controllers();
    for (guint i = 0; i < controllers->get_n_items(); ++i) {
        if (auto target = std::dynamic_pointer_cast<Gtk::DropTarget>(controllers->get_object(i))) {
            drop = target;
        }
    }
    ASSERT_TRUE(drop);
    GFile* file = g_file_new_for_path(book.c_str());
    GSList* files = g_slist_prepend(nullptr, file);
    GValue value = G_VALUE_INIT;
    g_value_init(&value, GDK_TYPE_FILE_LIST);
    g_value_take_boxed(&value, gdk_file_list_new_from_list(files));
    gboolean accepted = FALSE;
    g_signal_emit_by_name(drop->gobj(), "drop", &value, 10.0, 10.0, &accepted);
    g_value_unset(&value);
    g_slist_free(files);
    g_object_unref(file);

    EXPECT_TRUE(accepted);
    EXPECT_TRUE(ProcessUntil([&] { return program.mainWindow().pageList().RowCount() == 2; }));
    EXPECT_EQ(program.view().Data().book.archivePath, book);
}

TEST_F(MainWindowTest, AProtectedEpubIsReportedInAModalBox) {
    Application& program = StartProgram();
    WriteArchive(dir_ / "locked.epub",
                 BookMembers(PackageDocument("", ""), {{"META-INF/rights.xml", "<rights/>"}}));
    // The user presses "Ok", or closes the box (Escape, the window's close button).
    for (const bool pressOk : {true, false}) {
        SCOPED_TRACE(pressOk ? "Ok" : "closed");
        std::string shown;
        std::string button;
        bool modal = false;
        std::string pointer;
        DialogAnswerer answerer([&](Gtk::Dialog& dialog) {
            auto* box = dynamic_cast<Gtk::MessageDialog*>(&dialog);
            if (!box) {
                return false;
            }
            // The book is still being opened: the main window shows the busy pointer meanwhile.
            const auto cursor = program.mainWindow().get_cursor();
            pointer = cursor ? cursor->get_name() : "";
            shown = box->property_text().get_value();
            modal = box->get_modal() && box->get_transient_for() == &program.mainWindow();
            auto* ok =
                dynamic_cast<Gtk::Button*>(box->get_widget_for_response(Gtk::ResponseType::OK));
            if (!ok) {
                return false;
            }
            button = ok->get_label();
            if (pressOk) {
                Click(*ok);
            } else {
                box->close();
            }
            return true;
        });
        // Returns only once the box has been answered.
        program.view().OpenBook((dir_ / "locked.epub").string());
        EXPECT_TRUE(answerer.answered());
        EXPECT_EQ(shown, "Quirelle did't support EPUB's with DRM!");
        EXPECT_EQ(button, "Ok");
        EXPECT_TRUE(modal);
        EXPECT_EQ(pointer, "wait");
        EXPECT_FALSE(program.mainWindow().get_cursor()) << "the busy pointer stays after the work";
    }
}

TEST_F(MainWindowTest, OpenAsksWithTheFileChooser) {
    Application& program = StartProgram();
    // The chooser opens in the folder "Epub" of the current folder, where the book is.
    std::filesystem::create_directory(dir_ / "Epub");
    const std::string book = (dir_ / "Epub" / "chosen.EPUB").string();
    std::filesystem::rename(WriteBook("chosen.EPUB", 3), book);
    const auto startFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    enum class Answer { Cancel, Close, Choose };
    struct Case {
        Answer answer;
        const char* name;
        int rows;
    };
    const Case cases[] = {{Answer::Cancel, "cancelled", 0},
                          {Answer::Close, "closed", 0},
                          {Answer::Choose, "chosen", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string title;
        std::string filter;
        std::string folder;
        std::vector<std::string> shown;
        DialogAnswerer answerer([&](Gtk::Dialog& dialog) {
            auto* chooser = dynamic_cast<Gtk::FileChooserDialog*>(&dialog);
            if (!chooser) {
                return false;
            }
            // The chooser reads its folder after it opens; until then it is not ready for the user.
            const auto current = chooser->get_current_folder();
            if (!current) {
                return false;
            }
            folder = current->get_path();
            title = chooser->get_title();
            if (const auto books = chooser->get_filter()) {
                filter = books->get_name();
                shown.clear();
                for (const char* name : {"a.epub", "B.EPUB", "c.Epu", "d.pdf", "epub"}) {
                    auto info = Glib::wrap(g_file_info_new());
                    info->set_display_name(name);
                    info->set_name(name);
                    if (gtk_filter_match(GTK_FILTER(books->gobj()), G_OBJECT(info->gobj()))) {
                        shown.push_back(name);
                    }
                }
            }
            if (c.answer == Answer::Cancel) {
                chooser->response(Gtk::ResponseType::CANCEL);
                return true;
            }
            if (c.answer == Answer::Close) {
                chooser->close();
                return true;
            }
            // The chooser takes the file once it has read the folder.
            chooser->set_file(Gio::File::create_for_path(book));
            const auto file = chooser->get_file();
            if (!file || file->get_path() != book) {
                return false;
            }
            chooser->response(Gtk::ResponseType::ACCEPT);
            return true;
        });
        program.mainWindow().activate_action("app.open");
        EXPECT_TRUE(answerer.answered());
        EXPECT_EQ(title, "Open...");
        EXPECT_EQ(folder, (dir_ / "Epub").string());
        EXPECT_EQ(filter, "*.epu, *.epub");
        EXPECT_EQ(shown, (std::vector<std::string>{"a.epub", "B.EPUB", "c.Epu"}));
        EXPECT_EQ(program.mainWindow().pageList().RowCount(), c.rows);
    }
    std::filesystem::current_path(startFolder);
}

TEST_F(MainWindowTest, CoverShowsTheBooksPictureOrThePlaceholder) {
    const std::string coverItem =
        R"(<item id="cover" href="images/cover.png" media-type="image/png" properties="cover-image"/>
           <item id="c1" href="one.xhtml" media-type="application/xhtml+xml"/>)";
    const std::string noCoverItem =
        R"(<item id="c1" href="one.xhtml" media-type="application/xhtml+xml"/>)";
    const std::string spine = R"(<itemref idref="c1"/>)";
    const Member page{"OEBPS/one.xhtml", XhtmlPage("<p>One</p>")};
    struct Case {
        const char* name;
        std::vector<Member> members;
        int width, height;
    };
    const Case cases[] = {
        {"picture",
         BookMembers(PackageDocument(coverItem, spine),
                     {page, {"OEBPS/images/cover.png", PngOfColor(30, 40, {})}}),
         30, 40},
        // The member's content decides, not its name.
        {"JPEG",
         BookMembers(PackageDocument(coverItem, spine),
                     {page, {"OEBPS/images/cover.png", JpegOfColor(24, 36, {})}}),
         24, 36},
        {"SVG",
         BookMembers(PackageDocument(coverItem, spine),
                     {page, {"OEBPS/images/cover.png", SvgOfColor(60, 80, "red")}}),
         60, 80},
        {"no cover", BookMembers(PackageDocument(noCoverItem, spine), {page}), 300, 450},
        // A cover that cannot be decoded leaves the placeholder that was shown before it.
        {"broken",
         BookMembers(PackageDocument(coverItem, spine),
                     {page, {"OEBPS/images/cover.png", "not a picture"}}),
         300, 450},
        {"missing", BookMembers(PackageDocument(coverItem, spine), {page}), 300, 450},
        // A cover file larger than a cover may be is refused, whatever it holds.
        {"oversized",
         BookMembers(PackageDocument(coverItem, spine),
                     {page,
                      {"OEBPS/images/cover.png",
                       PngOfColor(30, 40, {}) + std::string(CoverDisplay::kMaxFileBytes, '\0')}}),
         300, 450},
    };
    ASSERT_TRUE(std::filesystem::exists(PicturePath("no_cover.png")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string book = (dir_ / (std::string(c.name) + ".epub")).string();
        WriteArchive(book, c.members);
        CoverDisplay& cover = StartProgram(book).mainWindow().cover();
        EXPECT_TRUE(cover.HasPicture());
        EXPECT_EQ(cover.PictureWidth(), c.width);
        EXPECT_EQ(cover.PictureHeight(), c.height);
    }
}

// Work that holds the main loop (loading, measuring and exporting a book) still lets the window
// show its status line and the busy pointer as they change.
TEST_F(MainWindowTest, LongWorkShowsItsProgressInTheWindow) {
    Application& program = StartProgram(WriteBook("long.epub", 3));
    MainWindow& window = program.mainWindow();
    std::vector<std::string> shown;
    std::string pointer;
    const guint tick = window.add_tick_callback([&](const Glib::RefPtr<Gdk::FrameClock>&) {
        shown.push_back(window.status().get_text());
        const auto cursor = window.get_cursor();
        pointer = cursor ? cursor->get_name() : "";
        return true;
    });
    ProcessPending();
    shown.clear();
    // The window is let to repaint a few times a second at most; the opening just did.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    MeasurePages(program.view(), 0, 2);
    window.remove_tick_callback(tick);
    ASSERT_FALSE(shown.empty()) << "the window was not repainted during the work";
    EXPECT_EQ(shown.front().rfind("Calculate max. Pagelenght... ", 0), 0u) << shown.front();
    EXPECT_EQ(pointer, "wait");
    EXPECT_FALSE(window.get_cursor()) << "the busy pointer stays after the work";
}

TEST_F(MainWindowTest, MenuItemsOpenTheirWindows) {
    Application& program = StartProgram();
    struct Case {
        const char* action;
        Gtk::Window* opens;
    };
    const Case cases[] = {{"app.program-settings", &program.settingsWindow()},
                          {"app.export", &program.exportWindow()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        EXPECT_FALSE(c.opens->get_visible());
        program.mainWindow().activate_action(c.action);
        EXPECT_TRUE(c.opens->get_visible());
    }
    program.mainWindow().activate_action("app.about");
    bool aboutShown = false;
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        if (auto* about = dynamic_cast<Gtk::AboutDialog*>(window)) {
            aboutShown = about->get_visible() && about->get_program_name() == "Quirelle";
        }
    }
    EXPECT_TRUE(aboutShown);
}

TEST_F(MainWindowTest, EveryWayOfQuittingEndsTheLoopAndClosesTheWindow) {
    struct Case {
        const char* name;
        std::function<void(Application&)> quit;
    };
    const Case cases[] = {
        {"Quit...", [](Application& p) { p.mainWindow().activate_action("app.quit"); }},
        {"window closed", [](Application& p) { p.mainWindow().close(); }},
        {"Ctrl-C", [](Application&) { raise(SIGINT); }},
        {"SIGTERM", [](Application&) { raise(SIGTERM); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Application& program = StartProgram(WriteBook("book.epub", 2));
        Glib::signal_idle().connect_once([&] { c.quit(program); });
        program.Run();  // returns once the program was asked to end
        EXPECT_FALSE(program.mainWindow().get_visible());
    }
}

}  // namespace
}  // namespace quirelle::testing
