#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "package/archive_reader.hpp"

namespace quirelle {

// The tables grow as a book needs. These limits stand only against a hostile book, far above any
// real one (2014 chapters is a big real book): entries beyond them are dropped.
inline constexpr std::size_t kMaxDocuments = 100'000;
inline constexpr std::size_t kMaxManifestItems = 200'000;

// One document of the reading order: one row of the page list.
struct DocumentEntry {
    std::string label;
    // The archive member, looked up by name; any "#fragment" is already cut off.
    std::string href;
    // What the manifest says the member is; empty when the manifest does not list it.
    std::string mediaType;
};

// One item of the package manifest, as written (hrefs relative to the package, not decoded).
struct ManifestItem {
    std::string id;
    std::string href;
    std::string properties;
    std::string mediaType;
};

// The open book: what the package document said, and where the book lives.
struct BookState {
    std::string archivePath;  // empty while no book is open
    // The archive, held open while the book is: opening it again for every member would read its
    // whole directory every time. Shared with the picture store.
    std::shared_ptr<ArchiveReader> archive;
    std::string rootfilePath;
    // Entries from documentCount (manifestItemCount) on are being filled, or left over.
    std::vector<DocumentEntry> documents;
    std::vector<ManifestItem> manifestItems;
    int documentCount = 0;
    int manifestItemCount = 0;
    std::string tocHref;
    std::string navHref;
    std::string coverPath;
    // The dc:identifier the package names as unique; empty when it names none.
    std::string uniqueIdentifier;
    float packageVersion = 0.0f;
};

// The book's archive at `bookPath`, opened now unless the book holds it open already.
ArchiveReader& ArchiveAt(BookState& book, const std::string& bookPath);
// The archive of the open book.
inline ArchiveReader& ArchiveOf(BookState& book) {
    return ArchiveAt(book, book.archivePath);
}

// Makes entry `index` of the table exist; false beyond the table's limit, where the entry is
// dropped.
bool MakeDocumentRoom(BookState& book, int index);
bool MakeManifestRoom(BookState& book, int index);

// How a member of the reading order is shown.
enum class ContentKind { Document, Picture };

// Decided by the media type the manifest gives: a picture type (SVG included) is shown on a
// picture page, any other type is read as a document. Only without a media type does the name
// decide, as it always did: a name holding "html" is a document, any other a picture.
ContentKind ContentKindOf(std::string_view mediaType, std::string_view href);

// The media types of the manifest by file name (links within the book give a file by its name):
// a table of thousands of links asks once per link, and a search of the manifest each time
// made reading its NCX take time in the square of its size.
class MediaTypeIndex {
  public:
    explicit MediaTypeIndex(const BookState& book);
    // The media type of the first item that names the same file as `reference`; empty when no
    // item does. Valid while the book's manifest is unchanged.
    std::string_view Of(std::string_view reference) const;

  private:
    std::unordered_map<std::string_view, std::string_view> types_;
};

// The same for a single reference.
std::string_view MediaTypeOfFile(const BookState& book, std::string_view reference);

}  // namespace quirelle
