// The settings window: its defaults, "Use", "Save" and "Cancel", the display switches, and the
// values the rest of the program reads from it.
#include <filesystem>

#include "gui_fixture.hpp"
#include "platform/settings_store.hpp"
#include "support/book_fixture.hpp"

namespace quirelle::testing {
namespace {

class SettingsWindowTest : public GuiTest {
  protected:
    // What the gadget for `key` shows, in the stored form.
    std::string GadgetValue(const std::string& key) {
        SettingsWindow& window = program_->settingsWindow();
        if (Gtk::Entry* text = window.TextGadget(key))
            return text->get_text();
        if (Gtk::CheckButton* check = window.SwitchGadget(key))
            return check->get_active() ? "1" : "0";
        if (ColorPopup* color = window.ColorGadget(key))
            return FormatSettingsColor(color->Color());
        return "no gadget";
    }

    // Changes a few settings of every kind in the gadgets, as a user would.
    void ChangeGadgets() {
        SettingsWindow& window = program_->settingsWindow();
        window.TextGadget("horizontal_margin")->set_text("44");
        window.TextGadget("header_2_font")->set_text("Liberation Serif");
        window.TextGadget("list_size")->set_text("11");
        window.ColorGadget("hyperlink_color")->SetColor({0, 0x80808080, 0xFFFFFFFF});
        window.SwitchGadget("pagelist")->set_active(false);
        window.SwitchGadget("pageslider")->set_active(true);
        window.SwitchGadget("css")->set_active(false);
    }

    void ExpectChangedValues() {
        EXPECT_EQ(GadgetValue("horizontal_margin"), "44");
        EXPECT_EQ(GadgetValue("header_2_font"), "Liberation Serif");
        EXPECT_EQ(GadgetValue("list_size"), "11");
        EXPECT_EQ(GadgetValue("hyperlink_color"), "#0080ff");
        EXPECT_EQ(GadgetValue("css"), "0");
        // Restored switches take effect at once.
        EXPECT_FALSE(program_->mainWindow().sidePanel().get_visible());
        EXPECT_TRUE(program_->mainWindow().pageSlider().get_visible());
        EXPECT_FALSE(program_->view().Data().cssEnabled);
    }

    void Press(const std::string& label) {
        Gtk::Button* button = FindButton(program_->settingsWindow(), label);
        ASSERT_NE(button, nullptr) << label;
        Click(*button);
    }
};

TEST_F(SettingsWindowTest, FirstStartShowsTheDefaults) {
    StartProgram();
    const Settings defaults;
    int gadgets = 0;
    for (const std::string& key : Settings::Keys()) {
        if (key.ends_with("_divider") || key == "theme" || key == "zoom") {
            continue;  // kept by the main window, not shown here
        }
        SCOPED_TRACE(key);
        EXPECT_EQ(GadgetValue(key), defaults.Get(key));
        ++gadgets;
    }
    EXPECT_EQ(gadgets, 29);
    EXPECT_EQ(GadgetValue("horizontal_margin"), "20");
    EXPECT_EQ(GadgetValue("preformated_color"), "#aaaaaa");
    EXPECT_TRUE(program_->mainWindow().sidePanel().get_visible());
    EXPECT_FALSE(program_->mainWindow().pageSlider().get_visible());
    EXPECT_TRUE(program_->view().Data().cssEnabled);
}

TEST_F(SettingsWindowTest, UseKeepsTheValuesForTheNextStart) {
    StartProgram();
    ChangeGadgets();
    Press("Use");
    EXPECT_TRUE(std::filesystem::exists(SettingsFile(SettingsScope::Current)));
    EXPECT_FALSE(std::filesystem::exists(SettingsFile(SettingsScope::Permanent)));
    QuitProgram();

    StartProgram();
    ExpectChangedValues();
}

TEST_F(SettingsWindowTest, SaveKeepsTheValuesWhenTheCurrentOnesAreGone) {
    StartProgram();
    ChangeGadgets();
    Press("Save");
    QuitProgram();

    // A new login: the current environment starts empty.
    ASSERT_TRUE(std::filesystem::remove(SettingsFile(SettingsScope::Current)));
    StartProgram();
    ExpectChangedValues();
}

TEST_F(SettingsWindowTest, CancelClosesAndKeepsWhatWasTyped) {
    StartProgram();
    program_->settingsWindow().present();
    program_->settingsWindow().TextGadget("vertical_margin")->set_text("12");
    Press("Cancel");
    EXPECT_FALSE(program_->settingsWindow().get_visible());
    // Nothing is undone: the program goes on using what was typed...
    EXPECT_EQ(program_->frontend().CurrentSettings().VerticalMarginValue(), 12);
    QuitProgram();
    // ...but nothing was stored either.
    StartProgram();
    EXPECT_EQ(GadgetValue("vertical_margin"), "30");
}

TEST_F(SettingsWindowTest, SwitchesShowAndHideAtOnce) {
    StartProgram();
    SettingsWindow& settings = program_->settingsWindow();
    MainWindow& window = program_->mainWindow();
    settings.SwitchGadget("pageslider")->set_active(true);
    EXPECT_TRUE(window.pageSlider().get_visible());
    settings.SwitchGadget("pageslider")->set_active(false);
    EXPECT_FALSE(window.pageSlider().get_visible());
    settings.SwitchGadget("pagelist")->set_active(false);
    EXPECT_FALSE(window.sidePanel().get_visible());
    settings.SwitchGadget("pagelist")->set_active(true);
    EXPECT_TRUE(window.sidePanel().get_visible());
    settings.SwitchGadget("css")->set_active(false);
    EXPECT_FALSE(program_->view().Data().cssEnabled);
}

TEST_F(SettingsWindowTest, TheBookIsReadWithTheSettingsOfThatMoment) {
    // "Ignore TOC" decides, while the package is read, whether the NCX gives the reading order.
    const std::string book = (dir_ / "toc.epub").string();
    WriteArchive(
        book,
        BookMembers(PackageDocument(
                        R"(<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
                                 <item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>
                                 <item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>)",
                        R"(<itemref idref="a"/><itemref idref="b"/>)",
                        "<dc:title>Fixture</dc:title>", R"( toc="ncx")"),
                    {{"OEBPS/toc.ncx",
                      NcxDocument(NavPoint("Dawn", "a.xhtml") + NavPoint("Dusk", "b.xhtml"))},
                     {"OEBPS/a.xhtml", XhtmlPage("<p>A</p>")},
                     {"OEBPS/b.xhtml", XhtmlPage("<p>B</p>")}}));
    StartProgram(book);
    PageList& list = program_->mainWindow().pageList();
    EXPECT_EQ(list.RowLabel(0), "0");

    program_->settingsWindow().SwitchGadget("ignore_toc")->set_active(false);
    program_->view().OpenBook(book);
    EXPECT_EQ(list.RowLabel(0), "Dawn");
    EXPECT_EQ(list.RowLabel(1), "Dusk");
}

TEST_F(SettingsWindowTest, DividerPositionsComeBackAtTheNextStart) {
    StartProgram();
    program_->view().ShowPanel(1);
    // Where the user dragged two of the dividers; a setting typed but not used goes unkept.
    Settings moved;
    moved.pagelistDivider = 260;
    moved.panelDivider = 300;
    program_->mainWindow().RestoreDividers(moved);
    program_->settingsWindow().TextGadget("vertical_margin")->set_text("12");
    ProcessPending();
    QuitProgram();

    const Settings kept = LoadSettings();
    EXPECT_EQ(kept.pagelistDivider, 260);
    EXPECT_EQ(kept.panelDivider, 300);
    EXPECT_EQ(kept.coverDivider, -1);
    EXPECT_EQ(kept.verticalMargin, "30");

    StartProgram();
    program_->view().ShowPanel(1);
    ProcessPending();
    const Settings& restored = program_->frontend().CurrentSettings();
    EXPECT_EQ(restored.pagelistDivider, 260);
    EXPECT_EQ(restored.panelDivider, 300);
}

}  // namespace
}  // namespace quirelle::testing
