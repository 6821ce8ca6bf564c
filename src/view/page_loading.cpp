// Loading a document of the reading order and giving it its length: the first layout pass runs
// right away on a scratch surface of the view's size.
#include <cstdio>
#include <cstring>

#include "package/package_names.hpp"
#include "platform/charset.hpp"
#include "platform/dump_file.hpp"
#include "platform/paths.hpp"
#include "style/style_resolver.hpp"
#include "view/document_view.hpp"
#include "view/page_links.hpp"

namespace quirelle {

namespace {

// Until the view has been drawn it has no size; the first pass then lays out for its default.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

// The document text just loaded is shown from its top: it is laid out for the view's area, which
// gives the page its length, and the scrollbar learns the length.
void ShowLoadedPage(DocumentView& view) {
    DocumentViewData& data = view.Data();
    if (data.areaWidth <= 0 || data.areaHeight <= 0) {
        data.areaWidth = kDefaultWidth;
        data.areaHeight = kDefaultHeight;
    }
    data.scrollY = 0.0;
    view.LayOutShown(true);
    data.scrollRange = data.shown->page.height;
    // The links of the new page answer clicks at once, before it is first drawn.
    data.links = LinkRecordsOf(data.shown->page, 0.0, 0.0, data.shownScale.layoutHeight);
    view.frontend().Redraw();
    view.TellScrollRange();
    view.FollowContents();
}

// The link records of the page just loaded, as "debug_hlink.txt" on the RAM disk gathers them.
std::string HlinkDump(const PageLayout& page) {
    std::string dump = "------ hlink -------\n";
    for (const LinkRecord& link : LinkRecordsOf(page, 0.0, 0.0, page.height)) {
        char numbers[200];
        std::snprintf(numbers, sizeof numbers,
                      " Audio = %d   ---    x1 = %g y1 = %g x2 = %g y2 = %g\n", link.Audio, link.x1,
                      link.y1, link.x2, link.y2);
        dump += "Hlink = " + link.Hlink + " Player = " + link.Player + numbers;
    }
    return dump;
}

}  // namespace

void DocumentView::SetScroll(double offset) {
    data_->scrollY = data_->shownScale.ToLayout(offset);
    FollowContents();
    frontend_.Redraw();
}

bool DocumentView::LoadPage(int index) {
    DocumentViewData& data = *data_;
    if (index < 0 || index >= data.book.documentCount) {
        return false;
    }
    BusyPointer busy(frontend_);
    data.currentPage = index;
    const DebugSwitches& debug = data.debug;
    const std::string& href = data.book.documents[static_cast<std::size_t>(index)].href;
    if (debug.debugElement) {
        WriteDump("debug_element.txt", "------  " + href + " unpacked --------\n",
                  DumpMode::Append);
    }
    const bool read = LoadReadingOrderItem(index, data.book, data.documentText, debug);
    if (!read) {
        // The buffer still holds the document before, which must not pass for this one.
        data.documentText.size = 0;
        data.documentText.data[0] = '\0';
    }
    if (debug.debugElement) {
        WriteDump("debug_element.txt",
                  "------ page " + std::to_string(index) + " unpacked --------\n",
                  DumpMode::Append);
    }
    data.shownPath = href;
    ShowLoadedPage(*this);
    if (debug.debugHlink) {
        WriteDump(RamPath("debug_hlink.txt"), HlinkDump(data.shown->page), DumpMode::Append);
    }
    if (!read) {
        frontend_.SetStatus("Could not read " + ToSystemCharset(href).value_or(href));
    } else if (data.unreadablePageTold) {
        frontend_.SetStatus("");
    }
    data.unreadablePageTold = !read;
    return read;
}

int DocumentView::DocumentRowOf(std::string_view written) const {
    const DocumentViewData& data = *data_;
    // The reference is relative to the document it stands in; a book that names its documents
    // otherwise is still found by the file's name, as it always was.
    if (const std::optional<std::string> path =
            ResolveMemberPath(data.shownPath, PercentDecoded(written))) {
        for (int i = 0; i < data.book.documentCount; ++i) {
            // The package may name a member escaped or not.
            if (PercentDecoded(data.book.documents[i].href) == *path) {
                return i;
            }
        }
    }
    const std::string_view name = FilePart(written);
    for (int i = 0; i < data.book.documentCount && !name.empty(); ++i) {
        if (data.book.documents[i].href.find(name) != std::string::npos) {
            return i;
        }
    }
    return -1;
}

void DocumentView::GotoTarget(std::string_view target) {
    DocumentViewData& data = *data_;
    const std::size_t hash = target.find('#');
    const std::string_view written = target.substr(0, hash);
    const std::string file = PercentDecoded(written);
    const std::string fragment =
        hash == std::string_view::npos ? std::string() : PercentDecoded(target.substr(hash + 1));
    if (file.empty() && !data.shown) {
        return;  // a place in no document
    }
    const int row = file.empty() ? -1 : DocumentRowOf(written);
    // A link to the document on display by its name (as many books write their notes) is laid
    // out again only for a document that was never laid out: a long chapter takes seconds.
    const bool sameDocument =
        file.empty() || (row >= 0 && row == data.currentPage && data.shown &&
                         data.shownPath == data.book.documents[static_cast<std::size_t>(row)].href);
    if (!sameDocument) {
        const std::string_view name = FilePart(written);
        if (row >= 0) {
            ShowDocumentForJump(row);
        } else {
            // A member outside the reading order is shown all the same.
            if (ContentKindOf(MediaTypeOfFile(data.book, name), name) == ContentKind::Picture) {
                WrapImagePage(data.documentText, name);
            } else if (ArchiveOf(data.book).ExtractInto(name, data.documentText)) {
                data.documentText.size =
                    static_cast<std::uint32_t>(std::strlen(data.documentText.data.get()));
            }
            data.shownPath = std::string(name);
            frontend_.SetActivePageRow(data.book.documentCount);
            ShowLoadedPage(*this);
        }
    }
    ScrollToFragment(fragment);
}

void DocumentView::ShowDocumentForJump(int row) {
    DocumentViewData& data = *data_;
    // A jump is no load of the page list's: it writes none of the loading's dumps.
    data.currentPage = row;
    if (!LoadReadingOrderItem(row, data.book, data.documentText, DebugSwitches{})) {
        data.documentText.size = 0;
        data.documentText.data[0] = '\0';
    }
    data.shownPath = data.book.documents[row].href;
    frontend_.SetActivePageRow(row);
    ShowLoadedPage(*this);
}

void DocumentView::ScrollToFragment(const std::string& fragment) {
    DocumentViewData& data = *data_;
    if (fragment.empty() || !data.shown) {
        ScrollTo(0.0);
        return;
    }
    const std::optional<double> top = data.shown->page.PositionOf(data.shown->tree, fragment);
    ScrollTo(top.value_or(0.0));
    if (!top) {
        const std::string said = "There is no place \"" + fragment + "\" in " + data.shownPath +
                                 ": it is shown from its top.";
        frontend_.SetStatus(ToSystemCharset(said).value_or(std::string()));
    }
}

}  // namespace quirelle
