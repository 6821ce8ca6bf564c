// The contents beside the page: the book's nested contents on their own tab, following the
// reading, and a jump on a click.
#include "app/contents_panel.hpp"

#include "gui_fixture.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle::testing {
namespace {

class ContentsPanelTest : public GuiTest {
  protected:
    // Two chapters of 80 paragraphs "<word>N" with ids "sN"; the nav nests a scene under each.
    std::string WriteNestedBook() {
        std::string pages[2];
        const char* words[2] = {"Alpha", "Beta"};
        for (int c = 0; c < 2; ++c) {
            for (int i = 1; i <= 80; ++i) {
                pages[c] += "<p id=\"s" + std::to_string(i) + "\">" + words[c] + std::to_string(i) +
                            " and some words</p>";
            }
        }
        const std::string nav =
            R"(<nav xmlns:epub="http://www.idpf.org/2007/ops" epub:type="toc"><ol>
                 <li><a href="one.xhtml">Part <i>One</i></a>
                   <ol><li><a href="one.xhtml#s40">Scene at the inn</a></li></ol></li>
                 <li><a href="two.xhtml">Part Two</a>
                   <ol><li><a href="two.xhtml#s60">Scène au port</a></li></ol></li>
               </ol></nav>)";
        const std::string manifest = R"(
            <item id="c1" href="one.xhtml" media-type="application/xhtml+xml"/>
            <item id="c2" href="two.xhtml" media-type="application/xhtml+xml"/>
            <item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)";
        const std::string path = (dir_ / "nested.epub").string();
        WriteArchive(
            path,
            BookMembers(PackageDocument(manifest, R"(<itemref idref="c1"/><itemref idref="c2"/>)"),
                        {{"OEBPS/one.xhtml", XhtmlPage(pages[0])},
                         {"OEBPS/two.xhtml", XhtmlPage(pages[1])},
                         {"OEBPS/nav.xhtml", XhtmlPage(nav)}}));
        return path;
    }

    static std::string TopWord(const DocumentView& view) {
        const DocumentViewData& data = view.Data();
        const PageLayout& page = data.shown->page;
        for (const LineBox& line : page.lines) {
            if (line.top >= data.scrollY - 0.5 && line.wordCount > 0) {
                return std::string(page.WordText(page.words[line.firstWord]));
            }
        }
        return "(no line in view)";
    }
};

TEST_F(ContentsPanelTest, ListsTheNestedContentsAndJumpsOnAClick) {
    Application& program = StartProgram(WriteNestedBook());
    MainWindow& window = program.mainWindow();
    ContentsPanel& panel = window.contentsPanel();
    ProcessPending();

    ASSERT_EQ(panel.EntryCount(), 4);
    const char* labels[] = {"Part One", "Scene at the inn", "Part Two", "Scène au port"};
    for (int entry = 0; entry < 4; ++entry) {
        EXPECT_EQ(panel.EntryLabel(entry), labels[entry]);
    }
    EXPECT_TRUE(window.sideTabs().get_show_tabs());
    EXPECT_EQ(window.sideTabs().get_current_page(), window.sideTabs().page_num(panel))
        << "a book with contents shows them first";
    EXPECT_TRUE(panel.EntryShown(1)) << "the first level is unfolded";
    EXPECT_EQ(panel.MarkedEntry(), 0);

    // Fold the second part away: jumping into it unfolds it again to mark the scene.
    panel.treeView().collapse_all();
    EXPECT_FALSE(panel.EntryShown(3));
    panel.ChooseEntry(3);
    ProcessPending();
    DocumentView& view = program.view();
    EXPECT_EQ(view.Data().currentPage, 1);
    EXPECT_EQ(TopWord(view), "Beta60");
    EXPECT_EQ(panel.MarkedEntry(), 3);
    EXPECT_TRUE(panel.EntryShown(3));
    EXPECT_TRUE(window.backButton().get_sensitive());

    panel.ChooseEntry(1);
    ProcessPending();
    EXPECT_EQ(view.Data().currentPage, 0);
    EXPECT_EQ(TopWord(view), "Alpha40");

    // The marked entry follows the reading, without taking the keyboard focus.
    window.pageArea().grab_focus();
    view.ScrollTo(0.0);
    ProcessPending();
    EXPECT_EQ(panel.MarkedEntry(), 0);
    EXPECT_FALSE(panel.treeView().has_focus());
    view.GoBack();
    ProcessPending();
    EXPECT_EQ(TopWord(view), "Beta60");
    EXPECT_EQ(panel.MarkedEntry(), 3);
}

TEST_F(ContentsPanelTest, ABookWithoutContentsShowsThePageListOnly) {
    Application& program = StartProgram(WriteBook("plain.epub", 2));
    MainWindow& window = program.mainWindow();
    ProcessPending();
    EXPECT_EQ(window.contentsPanel().EntryCount(), 0);
    EXPECT_FALSE(window.sideTabs().get_show_tabs());
    EXPECT_EQ(window.sideTabs().get_current_page(), window.sideTabs().page_num(window.pageList()));
}

}  // namespace
}  // namespace quirelle::testing
