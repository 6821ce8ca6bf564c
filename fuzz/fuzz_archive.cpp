// The bytes of a book file, as the reader meets its archive: probed, listed, and its members
// found and unpacked by name, as opening a book and its pages does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "package/archive.hpp"
#include "package/archive_reader.hpp"
#include "scratch_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const quirelle::fuzzing::ScratchFile book("book.epub");
    quirelle::fuzzing::WriteBytes(book.Path(), data, size);
    const std::string& path = book.Path();

    quirelle::ProbeArchive(path);
    std::vector<std::string> names = quirelle::ListEntries(path);
    // The names a book's documents use, also those that try to leave the book.
    for (const char* name : {"mimetype", "META-INF/container.xml", "OEBPS/content.opf",
                             "../../etc/passwd", "/etc/passwd", "content.opf", ""}) {
        names.emplace_back(name);
    }
    quirelle::ArchiveReader reader(path);
    quirelle::ArchiveBuffer small = quirelle::ArchiveBuffer::WithCapacity(4096);
    int tried = 0;
    for (const std::string& name : names) {
        // A directory of thousands of members says nothing more after the first few.
        if (++tried > 40) {
            break;
        }
        quirelle::ArchiveBuffer whole;
        quirelle::ExtractEntry(path, name, whole);
        quirelle::ExtractEntryInto(path, name, small);
        reader.Read(name);
    }
    return 0;
}
