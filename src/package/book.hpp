#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quirelle {

// Limits of the data model: entries beyond them are dropped, never written past a table's end.
inline constexpr std::size_t kDocumentCapacity = 1000;
inline constexpr std::size_t kManifestCapacity = 5000;

// One document of the reading order: one row of the page list.
struct DocumentEntry {
    std::string label;
    // The archive member, looked up by name; any "#fragment" is already cut off.
    std::string href;
};

// One item of the package manifest, as written (hrefs relative to the package, not decoded).
struct ManifestItem {
    std::string id;
    std::string href;
    std::string properties;
};

// The open book: what the package document said, and where the book lives.
struct BookState {
    std::string archivePath;  // empty while no book is open
    std::string rootfilePath;
    std::vector<DocumentEntry> documents = std::vector<DocumentEntry>(kDocumentCapacity);
    std::vector<ManifestItem> manifestItems = std::vector<ManifestItem>(kManifestCapacity);
    int documentCount = 0;
    int manifestItemCount = 0;
    std::string tocHref;
    std::string navHref;
    std::string coverPath;
    float packageVersion = 0.0f;
};

}  // namespace quirelle
