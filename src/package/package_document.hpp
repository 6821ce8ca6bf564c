#pragma once

#include <string>
#include <string_view>

#include "package/book.hpp"

namespace quirelle {

class DocumentView;
struct DocumentViewData;

// Opens the book at `path` into the view: container, package document, table of contents,
// metadata and cover, page list, then the first document. Called once the file probed readable.
void LoadBook(const std::string& path, DocumentView& view);

// Takes the package document's path from META-INF/container.xml into book.rootfilePath.
void ReadContainer(const std::string& path, DocumentViewData& data);

// Reads the package document: manifest, reading order, metadata, cover, navigation documents.
// A missing package leaves the previous book's metadata and cover alone.
void ReadPackageDocument(const std::string& path, DocumentView& view);

// Copy the href of the first manifest item whose id (or whole properties text) equals `key` into
// `href`, and return manifestItemCount minus its index: positive when found, 0 when not (then
// `href` is left alone).
int FindItemById(const BookState& book, std::string_view id, std::string& href);
int FindItemByProperties(const BookState& book, std::string_view properties, std::string& href);

}  // namespace quirelle
