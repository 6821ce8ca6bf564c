#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "package/archive_buffer.hpp"
#include "package/zip_handles.hpp"

namespace quirelle {

// A book's archive held open for many reads: the pictures of a document are read one after
// another, and opening the archive for each would read its directory again every time.
class ArchiveReader {
  public:
    ArchiveReader() = default;
    explicit ArchiveReader(std::string bookPath) : bookPath_(std::move(bookPath)) {}

    const std::string& BookPath() const { return bookPath_; }

    // The bytes of the member for `name`, found as ExtractEntry finds it. Nothing when no member
    // matches, when it cannot be unpacked whole, or when it is larger than any member we unpack.
    std::optional<std::string> Read(std::string_view name);

    // The member for `name` into a fresh zero-filled buffer four times its size.
    bool Extract(std::string_view name, ArchiveBuffer& out);
    // The member for `name` into the caller's buffer, followed by a NUL; a member that does not
    // fit, or fails to unpack, leaves the buffer as it was.
    bool ExtractInto(std::string_view name, ArchiveBuffer& buffer);

  private:
    zip_t* Archive();
    // The member for `name`, as FindMember finds it, answered from the index of whole names.
    std::optional<zip_uint64_t> Find(zip_t* archive, std::string_view name);

    std::string bookPath_;
    ZipArchive archive_;
    bool openTried_ = false;
    // Every member's name and each of its last steps ("OEBPS/Text/a.xhtml", "Text/a.xhtml",
    // "a.xhtml"), with the first member that ends so: a book of thousands of documents looked
    // every one up by a walk through all its names. Left empty (and every lookup walks) when
    // a name is too long to index.
    std::unordered_map<std::string, zip_uint64_t> wholeNames_;
    bool indexed_ = false;
};

}  // namespace quirelle
