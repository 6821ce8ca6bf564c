#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/book.hpp"

namespace quirelle {

// One entry of the book's own table of contents, nested as the book nests it.
struct ContentsEntry {
    std::string label;  // as the book writes it, white space collapsed
    // The member path from the archive's root, percent-decoded, with any "#fragment" kept; an
    // address with a scheme (a web page) stays as written.
    std::string href;
    std::vector<ContentsEntry> children;
};

// A hostile book must not exhaust memory or the stack: entries beyond these are dropped.
inline constexpr std::size_t kMaxContentsEntries = 100'000;
inline constexpr int kMaxContentsDepth = 32;
inline constexpr std::size_t kMaxContentsLabel = 4096;

// The tree of the `nav epub:type="toc"` of an EPUB 3 navigation document at member path
// `navPath`. Nothing when the text is not well-formed or holds no such nav with an entry.
std::optional<std::vector<ContentsEntry>> ContentsFromNav(std::string_view text,
                                                          std::string_view navPath);

// The tree of an NCX's navMap at member path `ncxPath`. Nothing when the text is not
// well-formed; an empty tree when it has no navigation points.
std::optional<std::vector<ContentsEntry>> ContentsFromNcx(std::string_view text,
                                                          std::string_view ncxPath);

// The book's contents: its navigation document's when it has a readable one, else its NCX's,
// else empty. Never throws.
std::vector<ContentsEntry> ReadContentsTree(BookState& book);

// `reference` as written in the member at `base`, as a member path from the archive's root:
// resolved against base's folder, "." and ".." taken out, percent-decoded, "#fragment" kept.
std::string ResolveContentsHref(std::string_view base, std::string_view reference);

// The member path of an href of the package document (manifest and spine hrefs are relative to
// it).
std::string PackageMemberPath(const BookState& book, std::string_view href);

}  // namespace quirelle
