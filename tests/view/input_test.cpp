// Keys, the wheel, clicks and pointer moves over the page, as the view receives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

using Key = DocumentView::Key;

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string manifest, spine;
        std::vector<testing::Member> pages;
        const char* names[] = {"Text/chapter1.xhtml", "Text/chapter2.xhtml",
                               "Text/the%20end.xhtml"};
        for (int i = 0; i < 3; ++i) {
            const std::string id = "c" + std::to_string(i + 1);
            manifest += "<item id=\"" + id + "\" href=\"" + names[i] +
                        "\" media-type=\"application/xhtml+xml\"/>";
            spine += "<itemref idref=\"" + id + "\"/>";
        }
        pages.push_back({"OEBPS/Text/chapter1.xhtml", testing::XhtmlPage("<p>One</p>")});
        pages.push_back({"OEBPS/Text/chapter2.xhtml",
                         testing::XhtmlPage("<p>Two <a href=\"https://one.example/\">one</a> "
                                            "<a href=\"https://never.example/\">never</a></p>")});
        pages.push_back({"OEBPS/Text/the end.xhtml", testing::XhtmlPage("<p>End</p>")});
        const auto book = dir_ / "book.epub";
        testing::WriteArchive(
            book, testing::BookMembers(testing::PackageDocument(manifest, spine), pages));
        ASSERT_TRUE(view_.OpenBook(book.string()));
    }

    // Puts links on the page as a draw would have recorded them.
    void SetLinks(const std::vector<LinkRecord>& links) { view_.Data().links = links; }
    static LinkRecord Link(double x1, double y1, double x2, double y2, std::string target) {
        LinkRecord link;
        link.x1 = x1;
        link.y1 = y1;
        link.x2 = x2;
        link.y2 = y2;
        link.Hlink = std::move(target);
        return link;
    }
    std::string Shown() const { return std::string(view_.Data().documentText.Text()); }

    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

TEST_F(InputTest, KeysAndTheWheelMoveTheSliderAndTheScrollbar) {
    struct Case {
        Key key;
        bool shifted;
        int slider;     // steps of the page slider, 0 for none
        double scroll;  // pixels of the scrollbar, 0 for none
    };
    const Case cases[] = {
        {Key::PageUp, false, -1, 0},   {Key::PageUp, true, -1, 0},
        {Key::PageDown, false, 1, 0},  {Key::Left, false, -1, 0},
        {Key::Right, true, 1, 0},      {Key::Up, false, 0, -20},
        {Key::Up, true, 0, -50},       {Key::Down, false, 0, 20},
        {Key::Down, true, 0, 50},      {Key::WheelUp, false, 0, -20},
        {Key::WheelDown, true, 0, 50}, {Key::WheelDown, false, 0, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.key) * 2 + c.shifted);
        frontend_.sliderSteps.clear();
        frontend_.scrollSteps.clear();
        view_.HandleKey(c.key, c.shifted);
        EXPECT_EQ(frontend_.sliderSteps,
                  c.slider == 0 ? std::vector<int>{} : std::vector<int>{c.slider});
        EXPECT_EQ(frontend_.scrollSteps,
                  c.scroll == 0 ? std::vector<double>{} : std::vector<double>{c.scroll});
    }
}

// Only web and mail addresses reach the desktop, whatever case their scheme is written in;
// every other scheme is told and goes nowhere, a reference without one leads into the book.
TEST_F(InputTest, LinksGoToTheDesktopOnlyForWebAndMailAddresses) {
    struct Case {
        const char* target;
        bool opened;
    };
    const Case cases[] = {
        {"http://example.org/a", true},      {"HTTPS://example.org/a", true},
        {"ftp://example.org/file", true},    {"ftps://example.org/file", true},
        {"mailto:keeper@example.org", true}, {"MAILTO:keeper@example.org", true},
        {"javascript:alert(1)", false},      {"file:///etc/passwd", false},
        {"data:text/html,<p>x</p>", false},  {"smb://server/share", false},
        {"x-odd-tp://run", false},           {"abctp://example.org", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        frontend_.openedUrls.clear();
        frontend_.statusHistory.clear();
        const std::string before = Shown();
        view_.FollowLink(Link(0, 0, 1, 1, c.target));
        EXPECT_EQ(frontend_.openedUrls,
                  c.opened ? std::vector<std::string>{c.target} : std::vector<std::string>{});
        EXPECT_EQ(Shown(), before) << "no address is taken for a place in the book";
        if (!c.opened) {
            ASSERT_FALSE(frontend_.statusHistory.empty());
            EXPECT_EQ(frontend_.statusHistory.back(),
                      std::string("The link ") + c.target +
                          " was not opened: only web and mail addresses are.");
        }
    }
    frontend_.urlHandlerPresent = false;
    view_.FollowLink(Link(0, 0, 1, 1, "https://example.org/"));
    EXPECT_EQ(frontend_.statusHistory.back(),
              "The link https://example.org/ was not opened: no program on this desktop takes it.");
}

TEST_F(InputTest, ReferencesInsideTheBookLoadTheirDocument) {
    const struct {
        const char* target;
        const char* shows;
    } cases[] = {
        {"chapter2.xhtml#sec1", "<p>Two "},
        {"../Text/chapter1.xhtml", "<p>One</p>"},
        {"the%20end.xhtml", "<p>End</p>"},
        {"chapter2.xhtml", "<p>Two "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        view_.FollowLink(Link(0, 0, 1, 1, c.target));
        EXPECT_NE(Shown().find(c.shows), std::string::npos) << Shown();
    }
}

TEST_F(InputTest, AClickFollowsEveryLinkUnderItInTheOrderDrawn) {
    SetLinks({Link(10, 10, 50, 30, "https://a.example/"),
              Link(40.7, 20, 90, 40, "https://b.example/"),
              Link(100, 100, 120, 120, "https://c.example/")});
    view_.PointerReleased(45, 25);
    EXPECT_EQ(frontend_.openedUrls,
              (std::vector<std::string>{"https://a.example/", "https://b.example/"}));
    frontend_.openedUrls.clear();
    // The edges count, each taken as a whole pixel.
    view_.PointerReleased(120, 120);
    view_.PointerReleased(40, 40);
    EXPECT_EQ(frontend_.openedUrls,
              (std::vector<std::string>{"https://c.example/", "https://b.example/"}));
    frontend_.openedUrls.clear();
    view_.PointerReleased(95, 95);
    EXPECT_TRUE(frontend_.openedUrls.empty());
}

// Following a link loads another page; a click follows only the links of the page it was made
// on, not those the new page happens to have under the same point.
TEST_F(InputTest, AClickDoesNotFollowTheLinksOfThePageItLoads) {
    // Where the second link of chapter 2 lies once it is shown.
    view_.LoadPage(1);
    ASSERT_EQ(view_.Data().links.size(), 2u);
    const LinkRecord never = view_.Data().links[1];
    ASSERT_EQ(never.Hlink, "https://never.example/");
    view_.LoadPage(0);
    SetLinks({Link(0, 0, 1000, 1000, "chapter2.xhtml")});
    view_.PointerReleased((never.x1 + never.x2) / 2, (never.y1 + never.y2) / 2);
    EXPECT_NE(Shown().find("<p>Two "), std::string::npos);
    EXPECT_TRUE(frontend_.openedUrls.empty());
}

// A page of an index or a dictionary holds more links in view than any fixed table would:
// the last of 1,500 answers a click as the first does.
TEST(InputLinksTest, EveryLinkInViewAnswersAClick) {
    testing::TempDir dir;
    std::string body = "<p>";
    constexpr int kLinks = 1500;
    for (int i = 0; i < kLinks; ++i) {
        body += "<a href=\"https://example.com/" + std::to_string(i) + "\">x</a> ";
    }
    body += "</p>";
    const auto book = dir / "links.epub";
    testing::WriteArchive(
        book, testing::BookMembers(
                  testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", testing::XhtmlPage(body)}}));
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    view.Data().areaWidth = 1600;
    view.Data().areaHeight = 1200;
    ASSERT_TRUE(view.OpenBook(book.string()));
    const std::vector<LinkRecord>& links = view.Data().links;
    ASSERT_EQ(links.size(), static_cast<std::size_t>(kLinks));
    const LinkRecord last = links.back();
    ASSERT_EQ(last.Hlink, "https://example.com/1499");
    // Link records are in layout units; the pointer is in the view's, beside a centred column.
    const ViewScale& scale = view.Data().shownScale;
    view.PointerReleased(scale.left + scale.ToDevice((last.x1 + last.x2) / 2),
                         scale.ToDevice((last.y1 + last.y2) / 2));
    EXPECT_EQ(frontend.openedUrls, std::vector<std::string>{"https://example.com/1499"});
}

TEST_F(InputTest, TheStatusLineNamesTheLinkUnderThePointer) {
    SetLinks({Link(10, 10, 50, 30, "first.xhtml"), Link(40, 20, 90, 40, "second.xhtml")});
    frontend_.statusHistory.clear();
    view_.PointerMoved(20, 15);
    view_.PointerMoved(21, 15);  // the same link: nothing new to say
    view_.PointerMoved(45, 25);
    view_.PointerMoved(200, 200);
    EXPECT_EQ(frontend_.statusHistory,
              (std::vector<std::string>{"first.xhtml", "second.xhtml", ""}));
}

}  // namespace
}  // namespace quirelle
