#pragma once

#include <string>
#include <string_view>

#include "package/book.hpp"
#include "package/debug_switches.hpp"

namespace quirelle {

// What the package document says beyond the tables of BookState: the panel's texts (trimmed
// UTF-8, empty where the book gives none) and the cover to show.
struct PackageInfo {
    std::string title;
    std::string creator;
    std::string description;
    std::string publisher;
    std::string date;
    // The member of the book that is its cover; empty when the book names none.
    std::string coverPath;
};

// Takes the package document's path from META-INF/container.xml into book.rootfilePath. False
// when the container names none.
bool ReadContainer(const std::string& bookPath, BookState& book);

// Reads the package document at book.rootfilePath into `book` (manifest, reading order, toc and
// nav hrefs, version) and `info`. The NCX's points become the reading order when there are two
// or more of them and `ignoreToc` is off; otherwise the spine's itemrefs do. A malformed package
// leaves what was read before the fault. False when the package cannot be read at all (then
// nothing is changed), or is malformed before it names a document. With debugContents on, what
// was found is appended to the RAM disk's "debug_contents.txt" as it is found.
bool ReadPackageDocument(const std::string& bookPath, BookState& book, bool ignoreToc,
                         const DebugSwitches& debug, PackageInfo& info);

// Copy the href of the first manifest item whose id (or whole properties text) equals `key` into
// `href`, and return manifestItemCount minus its index: positive when found, 0 when not (then
// `href` is left alone).
int FindItemById(const BookState& book, std::string_view id, std::string& href);
int FindItemByProperties(const BookState& book, std::string_view properties, std::string& href);

}  // namespace quirelle
