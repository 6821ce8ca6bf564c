#include "export/pdf_navigation.hpp"

#include <cairo-pdf.h>

#include <cstdio>

#include "view/link_schemes.hpp"

namespace quirelle {

namespace {

std::pair<std::string, std::string> Split(const std::string& href) {
    const auto hash = href.find('#');
    if (hash == std::string::npos) {
        return {href, {}};
    }
    return {href.substr(0, hash), href.substr(hash + 1)};
}

std::string PlaceAttributes(const PdfNavigation::Place& place) {
    char text[96];
    std::snprintf(text, sizeof text, "page=%d pos=[%.2f %.2f]", place.page, place.x, place.y);
    return text;
}

}  // namespace

std::string TagString(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "'";
}

PdfNavigation::PdfNavigation(const BookState& book, int from, int to,
                             std::vector<ContentsEntry> contents)
    : book_(book), from_(from), to_(to), contents_(std::move(contents)) {
    for (int index = from; index <= to; ++index) {
        const std::string member =
            PackageMemberPath(book, book.documents[static_cast<std::size_t>(index)].href);
        members_.push_back(member);
        documentOf_.emplace(member, index);  // the first of a member read twice
    }
    wanted_.resize(members_.size());
    for (int index = from; index <= to; ++index) {
        Want(MemberOf(index), {});
    }
    // The contents' places, depth first; a tree is bounded in size by the reader.
    std::vector<const std::vector<ContentsEntry>*> pending{&contents_};
    while (!pending.empty()) {
        const std::vector<ContentsEntry>* entries = pending.back();
        pending.pop_back();
        for (const ContentsEntry& entry : *entries) {
            const auto [member, fragment] = Split(entry.href);
            Want(member, fragment);
            pending.push_back(&entry.children);
        }
    }
}

const std::string& PdfNavigation::MemberOf(int index) const {
    return members_[static_cast<std::size_t>(index - from_)];
}

const std::vector<PdfNavigation::Wanted>& PdfNavigation::WantedIn(int index) const {
    return wanted_[static_cast<std::size_t>(index - from_)];
}

const std::string* PdfNavigation::Want(const std::string& member, const std::string& fragment) {
    const auto document = documentOf_.find(member);
    if (document == documentOf_.end()) {
        return nullptr;
    }
    const auto key = std::make_pair(member, fragment);
    auto named = names_.find(key);
    if (named == names_.end()) {
        const std::string name = "q" + std::to_string(names_.size());
        named = names_.emplace(key, name).first;
        wanted_[static_cast<std::size_t>(document->second - from_)].push_back({name, fragment});
    }
    return &named->second;
}

void PdfNavigation::NoteLinkTarget(int index, std::string_view target) {
    if (!SchemeOf(target).empty()) {
        return;
    }
    const auto [member, fragment] = Split(ResolveContentsHref(MemberOf(index), target));
    Want(member, fragment);
}

void PdfNavigation::SetPlace(int index, const std::string& fragment, const Place& place) {
    places_[{MemberOf(index), fragment}] = place;
}

std::optional<std::string> PdfNavigation::LinkTo(int index, std::string_view target) const {
    const std::string_view scheme = SchemeOf(target);
    if (!scheme.empty()) {
        if (!OpensOnTheDesktop(scheme)) {
            return std::nullopt;
        }
        return "uri=" + TagString(target);
    }
    const auto named = names_.find(Split(ResolveContentsHref(MemberOf(index), target)));
    if (named == names_.end()) {
        return std::nullopt;
    }
    return "dest=" + TagString(named->second);
}

std::optional<PdfNavigation::Place> PdfNavigation::PlaceOf(int index,
                                                           const std::string& fragment) const {
    const auto place = places_.find({MemberOf(index), fragment});
    if (place == places_.end()) {
        return std::nullopt;
    }
    return place->second;
}

std::optional<PdfNavigation::Place> PdfNavigation::PlaceOf(const std::string& href) const {
    const auto place = places_.find(Split(href));
    if (place == places_.end()) {
        return std::nullopt;
    }
    return place->second;
}

int PdfNavigation::AddEntries(cairo_surface_t* pdf, int parent,
                              const std::vector<ContentsEntry>& entries, int depth) const {
    int added = 0;
    for (const ContentsEntry& entry : entries) {
        std::optional<Place> place = PlaceOf(entry.href);
        if (!place) {
            // An entry outside the range still heads those of its children inside it.
            const ContentsEntry* child = &entry;
            while (!place && !child->children.empty()) {
                child = &child->children.front();
                place = PlaceOf(child->href);
            }
        }
        if (!place) {
            continue;
        }
        const std::string label = entry.label.empty() ? "-" : entry.label;
        const int id = cairo_pdf_surface_add_outline(pdf, parent, label.c_str(),
                                                     PlaceAttributes(*place).c_str(),
                                                     static_cast<cairo_pdf_outline_flags_t>(0));
        ++added;
        if (depth + 1 < kMaxContentsDepth) {
            AddEntries(pdf, id, entry.children, depth + 1);
        }
    }
    return added;
}

void PdfNavigation::AddOutline(cairo_surface_t* pdf) const {
    if (AddEntries(pdf, CAIRO_PDF_OUTLINE_ROOT, contents_, 0) > 0) {
        return;
    }
    for (int index = from_; index <= to_; ++index) {
        const auto place = PlaceOf(MemberOf(index));
        if (!place) {
            continue;
        }
        const DocumentEntry& document = book_.documents[static_cast<std::size_t>(index)];
        std::string label = document.label;
        if (label.empty()) {
            label = MemberOf(index).substr(MemberOf(index).rfind('/') + 1);
        }
        cairo_pdf_surface_add_outline(pdf, CAIRO_PDF_OUTLINE_ROOT, label.c_str(),
                                      PlaceAttributes(*place).c_str(),
                                      static_cast<cairo_pdf_outline_flags_t>(0));
    }
}

}  // namespace quirelle
