// The reading theme and full screen in the real window: the "View" menu's actions, what they
// paint and keep, and the desktop's dark preference.
#include <gio/gio.h>
#include <gtk/gtk.h>

#include <cstdint>

#include "gui_fixture.hpp"
#include "platform/settings_store.hpp"
#include "support/picture_fixture.hpp"

namespace quirelle::testing {
namespace {

class ReadingComfortTest : public GuiTest {
  protected:
    // The page as the window paints it now: the colour of its bottom-right pixel.
    std::uint32_t PageCorner(Application& program) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200);
        cairo_t* cr = cairo_create(surface);
        program.view().Draw(cr, 300, 200);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const std::uint32_t pixel = PixelAt(surface, 299, 199);
        cairo_surface_destroy(surface);
        return pixel;
    }
    static void Activate(Application& program, const char* action, const char* target = nullptr) {
        program.mainWindow().activate_action(
            action, target ? Glib::Variant<Glib::ustring>::create(target) : Glib::VariantBase());
    }
    static std::string ActionState(Application& program) { return program.themes().Marked(); }
};

TEST_F(ReadingComfortTest, ThemeChosenInTheMenuRepaintsThePageAndIsKept) {
    Application& program = StartProgram(WriteBook("book.epub", 2));
    EXPECT_EQ(ActionState(program), "day");
    EXPECT_EQ(PageCorner(program), 0xffffffffu);
    struct Case {
        const char* action;
        const char* target;
        const char* theme;
        std::uint32_t page;
    };
    const Case cases[] = {
        {"app.theme", "night", "night", 0xff1e1e1e},
        {"app.theme", "sepia", "sepia", 0xfff4ecd8},
        {"app.next-theme", nullptr, "night", 0xff1e1e1e},
        {"app.next-theme", nullptr, "day", 0xffffffff},
        {"app.next-theme", nullptr, "sepia", 0xfff4ecd8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " -> " + c.theme);
        Activate(program, c.action, c.target);
        ProcessPending();
        EXPECT_EQ(ActionState(program), c.theme);
        EXPECT_EQ(PageCorner(program), c.page);
        EXPECT_EQ(LoadSettings().Get("theme"), c.theme);
        // The permanent file holds it too, and nothing else was saved into it.
        const std::string permanent = ReadFile(SettingsFile(SettingsScope::Permanent));
        EXPECT_NE(permanent.find(std::string("theme=") + c.theme), std::string::npos) << permanent;
        EXPECT_EQ(permanent.find("css="), std::string::npos) << permanent;
    }
    // "Use" in the settings window keeps the theme of the menu.
    EXPECT_EQ(program.frontend().CurrentSettings().theme, PageTheme::Sepia);

    QuitProgram();
    Application& again = StartProgram();
    EXPECT_EQ(ActionState(again), "sepia");
    EXPECT_EQ(again.mainWindow().Theme(), PageTheme::Sepia);
}

TEST_F(ReadingComfortTest, PanelsFoldAwayInFullScreenAndComeBackAsTheyWere) {
    Application& program = StartProgram(WriteBook("book.epub", 2));
    MainWindow& window = program.mainWindow();
    window.ShowPageSlider(false);
    ASSERT_TRUE(window.sidePanel().get_visible());
    window.FoldPanelsAway(true);
    EXPECT_FALSE(window.sidePanel().get_visible());
    EXPECT_FALSE(window.status().get_parent()->get_visible());
    EXPECT_FALSE(window.showPanelButton().get_parent()->get_visible());
    EXPECT_TRUE(window.pageArea().get_visible());
    window.FoldPanelsAway(true);  // twice folded is folded once
    window.FoldPanelsAway(false);
    EXPECT_TRUE(window.sidePanel().get_visible());
    EXPECT_TRUE(window.status().get_parent()->get_visible());
    EXPECT_FALSE(window.pageSlider().get_visible()) << "hidden before, hidden after";
}

TEST_F(ReadingComfortTest, WidgetsFollowTheDesktopsDarkPreference) {
    GSettings* desktop = g_settings_new("org.gnome.desktop.interface");
    Application& program = StartProgram();
    (void)program;
    gboolean dark = TRUE;
    for (const char* scheme : {"prefer-dark", "default", "prefer-light", "prefer-dark"}) {
        SCOPED_TRACE(scheme);
        g_settings_set_string(desktop, "color-scheme", scheme);
        ProcessPending();
        g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &dark,
                     nullptr);
        EXPECT_EQ(dark != FALSE, std::string(scheme) == "prefer-dark");
    }
    g_settings_reset(desktop, "color-scheme");
    ProcessPending();
    g_object_unref(desktop);
}

}  // namespace
}  // namespace quirelle::testing
