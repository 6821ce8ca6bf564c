#pragma once

#include <cairo.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "package/book.hpp"
#include "package/contents_tree.hpp"

namespace quirelle {

// The places an exported PDF links to: the start of each document of the range, the places
// of the book's contents, and every place a link of the range points at. The outline is made of
// them, and each is a named destination that the range's links go to, so that a link may point
// ahead to a page not yet written.
class PdfNavigation {
  public:
    // A place on a page of the PDF: the page (from 1) and the point from its top.
    struct Place {
        int page = 0;
        double x = 0;
        double y = 0;
    };

    // `linkTargets(index)` gives the link targets document `index` writes, as written.
    template <typename LinkTargets>
    PdfNavigation(const BookState& book, int from, int to, std::vector<ContentsEntry> contents,
                  LinkTargets linkTargets)
        : PdfNavigation(book, from, to, std::move(contents)) {
        for (int index = from; index <= to; ++index) {
            for (const std::string& target : linkTargets(index)) {
                NoteLinkTarget(index, target);
            }
        }
    }
    PdfNavigation(const BookState& book, int from, int to, std::vector<ContentsEntry> contents);

    // The member path of document `index`.
    const std::string& MemberOf(int index) const;

    // A destination to be placed in document `index`: its name and its fragment (empty for the
    // document's start).
    struct Wanted {
        std::string name;
        std::string fragment;
    };
    const std::vector<Wanted>& WantedIn(int index) const;

    // Where a destination of document `index` ended up.
    void SetPlace(int index, const std::string& fragment, const Place& place);
    std::optional<Place> PlaceOf(int index, const std::string& fragment) const;

    // A link of document `index` to `target` as written, as the attributes of a CAIRO_TAG_LINK
    // (without its rect): a destination name within the range, a web or mail address as
    // written; nothing for any other scheme or a place outside the range.
    std::optional<std::string> LinkTo(int index, std::string_view target) const;

    // The outline: the contents tree, each entry at its place; one entry per document when
    // no entry of the contents has a place in the range.
    void AddOutline(cairo_surface_t* pdf) const;

  private:
    void NoteLinkTarget(int index, std::string_view target);
    // The name of the destination for (member, fragment) when the member is in the range.
    const std::string* Want(const std::string& member, const std::string& fragment);
    std::optional<Place> PlaceOf(const std::string& href) const;
    int AddEntries(cairo_surface_t* pdf, int parent, const std::vector<ContentsEntry>& entries,
                   int depth) const;

    const BookState& book_;
    int from_;
    int to_;
    std::vector<ContentsEntry> contents_;
    std::vector<std::string> members_;  // by index - from
    std::map<std::string, int> documentOf_;
    std::vector<std::vector<Wanted>> wanted_;
    // By member and fragment: the destination's name, and its place once known.
    std::map<std::pair<std::string, std::string>, std::string> names_;
    std::map<std::pair<std::string, std::string>, Place> places_;
};

// `text` quoted for a cairo tag's attribute: in single quotes, with quotes and backslashes
// escaped.
std::string TagString(std::string_view text);

}  // namespace quirelle
