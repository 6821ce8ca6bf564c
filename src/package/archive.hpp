#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/archive_buffer.hpp"
#include "package/book.hpp"
#include "package/debug_switches.hpp"

namespace quirelle {

// What a file turned out to be when probed before opening.
enum class ProbeResult : int {
    Unreadable = 0,  // no file that can be opened for reading (missing, a folder, forbidden)
    Readable = 1,
    Protected = 2,  // a readable archive whose content is locked by DRM
    Damaged = 3,    // a file, but no archive that can be read: another kind of file, or cut short
};

// A member larger than this is refused: a hostile archive must not exhaust memory.
inline constexpr std::uint64_t kMaxMemberSize = 256ull * 1024 * 1024;

// The capacity of the view's document buffer.
inline constexpr std::size_t kDocumentTextCapacity = 8'000'000;

// What the user is told about a book that is protected.
inline constexpr std::string_view kDrmMessage = "Quirelle did't support EPUB's with DRM!";

// What the user is told about a file that is no archive, or a damaged one: `path` as given.
std::string DamagedBookMessage(std::string_view path);

// Can the file be opened, can the archive library read it, and is the book free of DRM?
// Protection is told by the archive's content whatever the file is called: a renamed protected
// book is still protected, and a damaged file named ".epub" is damaged, not protected.
ProbeResult ProbeArchive(const std::string& bookPath);

// Finds the member for `name` and unpacks it into a fresh zero-filled buffer four times the
// member's size. False when nothing matched or the member could not be unpacked; then nothing is
// allocated.
bool ExtractEntry(const std::string& bookPath, std::string_view name, ArchiveBuffer& out);

// Unpacks the member for `name` into the caller's buffer, followed by a NUL. A member that does
// not fit, or fails to unpack, is refused and the buffer keeps what it held.
bool ExtractEntryInto(const std::string& bookPath, std::string_view name, ArchiveBuffer& buffer);

// Loads document `index` of the reading order into the view's document buffer; its size becomes
// the text's length up to the first NUL. With debugHtml on, the text is also dumped.
bool LoadDocument(int index, const BookState& book, ArchiveBuffer& documentText,
                  const DebugSwitches& debug);

// Loads entry `index` of the reading order as the page display shows it: a document's text, or
// for a picture the one-picture page of WrapImagePage. False for an index outside the book or a
// member that could not be read; the buffer then keeps what it held.
bool LoadReadingOrderItem(int index, const BookState& book, ArchiveBuffer& documentText,
                          const DebugSwitches& debug);

// Writes a one-picture XHTML page for a reading-order member that is a picture, sets
// page.size and returns it. The picture is found again by the content parser's lookup.
std::uint32_t WrapImagePage(ArchiveBuffer& page, std::string_view pictureName);

// The archive's entry names in archive order; for tests and diagnostics.
// Empty when the archive cannot be read.
std::vector<std::string> ListEntries(const std::string& bookPath);

}  // namespace quirelle
