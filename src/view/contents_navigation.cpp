// Going through the book by its contents: a contents entry names a member from the archive's
// root, not from the document on display as a link does, and the view tells the window which
// entry the reader has reached.
#include <cstdio>

#include "platform/charset.hpp"
#include "view/document_view.hpp"
#include "view/link_schemes.hpp"

namespace quirelle {

bool DocumentView::GoToMember(std::string_view memberPathWithFragment) {
    DocumentViewData& data = *data_;
    if (!SchemeOf(memberPathWithFragment).empty()) {
        LinkRecord link;
        link.Hlink = std::string(memberPathWithFragment);
        FollowLink(link);
        return true;
    }
    const std::size_t hash = memberPathWithFragment.find('#');
    const std::string_view path = memberPathWithFragment.substr(0, hash);
    const std::string fragment = hash == std::string_view::npos
                                     ? std::string()
                                     : std::string(memberPathWithFragment.substr(hash + 1));
    if (path.empty()) {
        return false;  // a heading of the contents that leads nowhere itself
    }
    const int document = data.contents.DocumentOf(path);
    if (document < 0) {
        const std::string said = "The contents name " + std::string(path) +
                                 ", which is not in the book's reading order.";
        frontend_.SetStatus(ToSystemCharset(said).value_or(std::string()));
        std::fprintf(stderr, "quirelle: %s\n", said.c_str());
        return false;
    }
    data.history.Leave(CurrentPlace());
    UpdateHistoryButtons();
    // The document on display is not read again: only its place changes.
    const bool shownAlready = data.shown && document == data.currentPage &&
                              data.shownPath == data.book.documents[document].href;
    if (!shownAlready) {
        ShowDocumentForJump(document);
    }
    ScrollToFragment(fragment);
    return true;
}

void DocumentView::FollowContents() {
    DocumentViewData& data = *data_;
    const int page = data.currentPage;
    // A member outside the reading order, shown by a link, is no place in the contents.
    const bool inOrder = page >= 0 && page < data.book.documentCount &&
                         data.shownPath == data.book.documents[page].href;
    if (data.contents.Follow(inOrder ? page : -1, data.shown.get(), data.scrollY)) {
        frontend_.SetCurrentContentsEntry(data.contents.Current());
    }
}

}  // namespace quirelle
