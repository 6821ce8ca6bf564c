#include "package/book.hpp"

#include <algorithm>
#include <cctype>

#include "platform/paths.hpp"

namespace quirelle {

ArchiveReader& ArchiveAt(BookState& book, const std::string& bookPath) {
    if (!book.archive || book.archive->BookPath() != bookPath) {
        book.archive = std::make_shared<ArchiveReader>(bookPath);
    }
    return *book.archive;
}

namespace {

template <typename Entry>
bool MakeRoom(std::vector<Entry>& table, int index, std::size_t limit) {
    if (index < 0 || static_cast<std::size_t>(index) >= limit) {
        return false;
    }
    if (table.size() <= static_cast<std::size_t>(index)) {
        table.resize(static_cast<std::size_t>(index) + 1);
    }
    return true;
}

}  // namespace

bool MakeDocumentRoom(BookState& book, int index) {
    return MakeRoom(book.documents, index, kMaxDocuments);
}

bool MakeManifestRoom(BookState& book, int index) {
    return MakeRoom(book.manifestItems, index, kMaxManifestItems);
}

ContentKind ContentKindOf(std::string_view mediaType, std::string_view href) {
    const std::size_t blank = mediaType.find_first_not_of(" \t");
    if (blank == std::string_view::npos) {
        return href.find("html") != std::string_view::npos ? ContentKind::Document
                                                           : ContentKind::Picture;
    }
    // Media types are case-insensitive: "Image/PNG" is a picture as "image/png" is.
    constexpr std::string_view kPictureTypes = "image/";
    const std::string_view type = mediaType.substr(blank);
    const bool picture =
        type.size() >= kPictureTypes.size() &&
        std::equal(kPictureTypes.begin(), kPictureTypes.end(), type.begin(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return picture ? ContentKind::Picture : ContentKind::Document;
}

MediaTypeIndex::MediaTypeIndex(const BookState& book) {
    for (int i = 0; i < book.manifestItemCount; ++i) {
        const ManifestItem& item = book.manifestItems[static_cast<std::size_t>(i)];
        types_.emplace(FilePart(item.href), item.mediaType);  // the first item of a name wins
    }
}

std::string_view MediaTypeIndex::Of(std::string_view reference) const {
    const std::string_view name = FilePart(reference);
    if (name.empty()) {
        return {};
    }
    const auto found = types_.find(name);
    return found == types_.end() ? std::string_view() : found->second;
}

std::string_view MediaTypeOfFile(const BookState& book, std::string_view reference) {
    return MediaTypeIndex(book).Of(reference);
}

}  // namespace quirelle
