#include "package/archive.hpp"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "package/archive_reader.hpp"
#include "package/package_names.hpp"
#include "package/zip_handles.hpp"
#include "platform/dump_file.hpp"
#include "platform/file_access.hpp"
#include "platform/paths.hpp"
#include "platform/xml_parser.hpp"

namespace quirelle {

namespace {

ZipArchive OpenArchive(const std::string& bookPath) {
    int error = 0;
    return ZipArchive(zip_open(bookPath.c_str(), ZIP_RDONLY, &error));
}

bool IsFullNameMatch(std::string_view entryName, std::string_view name) {
    if (entryName == name) {
        return true;
    }
    return entryName.size() > name.size() && entryName.ends_with(name) &&
           entryName[entryName.size() - name.size() - 1] == '/';
}

// The first entry, in archive order, whose name is the requested name (whole, or as the last
// steps of its path); failing that, the first whose name merely contains it.
std::optional<zip_uint64_t> FindMemberByName(zip_t* archive, std::string_view name) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    std::optional<zip_uint64_t> firstContaining;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* rawName = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
        if (rawName == nullptr) {
            continue;
        }
        const std::string_view entryName(rawName);
        if (entryName.find(name) == std::string_view::npos) {
            continue;
        }
        // An empty name is contained in every entry; it keeps the plain "first entry" rule.
        if (!name.empty() && IsFullNameMatch(entryName, name)) {
            return static_cast<zip_uint64_t>(i);
        }
        if (!firstContaining) {
            firstContaining = static_cast<zip_uint64_t>(i);
        }
    }
    return firstContaining;
}

std::optional<zip_uint64_t> FindMember(zip_t* archive, std::string_view name) {
    if (auto index = FindMemberByName(archive, name)) {
        return index;
    }
    const std::string decoded = PercentDecoded(name);
    if (decoded != name) {
        return FindMemberByName(archive, decoded);
    }
    return std::nullopt;
}

// The size the member declares, when it is one we are willing to unpack.
std::optional<std::uint64_t> DeclaredSize(zip_t* archive, zip_uint64_t index) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        return std::nullopt;
    }
    if (stat.size > kMaxMemberSize) {
        return std::nullopt;
    }
    return stat.size;
}

// Unpacks exactly `size` bytes into `destination`. A member that is shorter or longer than it
// declared, fails its CRC, or uses a method we cannot unpack is a failure, never partial success.
bool UnpackMember(zip_t* archive, zip_uint64_t index, char* destination, std::uint64_t size) {
    ZipFile file(zip_fopen_index(archive, index, 0));
    if (!file) {
        return false;
    }
    std::uint64_t done = 0;
    while (done < size) {
        const zip_int64_t got = zip_fread(file.get(), destination + done, size - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::uint64_t>(got);
    }
    // Reading on to the end makes libzip verify the CRC, and shows data beyond the declared size.
    char extra = 0;
    if (zip_fread(file.get(), &extra, 1) != 0) {
        return false;
    }
    return zip_fclose(file.release()) == 0;
}

bool ReadWholeMember(zip_t* archive, zip_uint64_t index, std::string& text) {
    const auto size = DeclaredSize(archive, index);
    if (!size) {
        return false;
    }
    text.assign(*size, '\0');
    return UnpackMember(archive, index, text.data(), *size);
}

bool HasMember(zip_t* archive, const char* exactName) {
    return zip_name_locate(archive, exactName, 0) >= 0;
}

std::string_view LocalName(std::string_view qualifiedName) {
    const auto colon = qualifiedName.rfind(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

// encryption.xml may only list fonts obfuscated by the IDPF or Adobe algorithms; those books are
// readable. Any other encryption, or one that names no method, means the content is locked.
class EncryptionScan : public XmlParser {
  public:
    bool protectedContent = false;

  protected:
    void StartElement(std::string_view name, const Attributes& attributes) override {
        const std::string_view local = LocalName(name);
        if (local == "EncryptedData") {
            inEncryptedData_ = true;
            methodSeen_ = false;
        } else if (local == "EncryptionMethod" && inEncryptedData_) {
            methodSeen_ = true;
            const std::string_view algorithm = attributes.Get("Algorithm");
            if (algorithm != "http://www.idpf.org/2008/embedding" &&
                algorithm != "http://ns.adobe.com/pdf/enc#RC") {
                protectedContent = true;
            }
        }
    }
    void EndElement(std::string_view name) override {
        if (LocalName(name) == "EncryptedData") {
            if (!methodSeen_) {
                protectedContent = true;
            }
            inEncryptedData_ = false;
        }
    }

  private:
    bool inEncryptedData_ = false;
    bool methodSeen_ = false;
};

bool IsDrmProtected(zip_t* archive) {
    if (HasMember(archive, "META-INF/rights.xml")) {
        return true;
    }
    const zip_int64_t index = zip_name_locate(archive, "META-INF/encryption.xml", 0);
    if (index < 0) {
        return false;
    }
    std::string text;
    if (!ReadWholeMember(archive, static_cast<zip_uint64_t>(index), text)) {
        return true;  // present but unreadable: we cannot tell what it locks
    }
    EncryptionScan scan;
    scan.Parse(text);
    return scan.protectedContent;
}

}  // namespace

std::string DamagedBookMessage(std::string_view path) {
    return std::string(path) + " is not an EPUB book or is damaged";
}

ProbeResult ProbeArchive(const std::string& bookPath) {
    // A path that names no file we may read is no book of any kind: the caller tells why.
    if (FileUnreadableReason(bookPath)) {
        return ProbeResult::Unreadable;
    }
    // A file cut short has lost the archive's directory at its end, so it fails here too. An
    // empty file opens as an archive without members, which no book is.
    ZipArchive archive = OpenArchive(bookPath);
    if (!archive || zip_get_num_entries(archive.get(), 0) <= 0) {
        return ProbeResult::Damaged;
    }
    return IsDrmProtected(archive.get()) ? ProbeResult::Protected : ProbeResult::Readable;
}

bool ExtractEntry(const std::string& bookPath, std::string_view name, ArchiveBuffer& out) {
    return ArchiveReader(bookPath).Extract(name, out);
}

bool ExtractEntryInto(const std::string& bookPath, std::string_view name, ArchiveBuffer& buffer) {
    return ArchiveReader(bookPath).ExtractInto(name, buffer);
}

bool LoadDocument(int index, const BookState& book, ArchiveBuffer& documentText,
                  const DebugSwitches& debug) {
    if (index < 0 || index >= book.documentCount) {
        return false;
    }
    const std::string& href = book.documents[static_cast<std::size_t>(index)].href;
    if (!(book.archive ? book.archive->ExtractInto(href, documentText)
                       : ExtractEntryInto(book.archivePath, href, documentText))) {
        return false;
    }
    // A member that holds a NUL byte is cut there: the parsers read it as a string.
    documentText.size = static_cast<std::uint32_t>(std::strlen(documentText.data.get()));
    if (debug.debugHtml) {
        WriteDump(RamPath("debug_html.html"), documentText.Text(), DumpMode::Overwrite);
    }
    return true;
}

std::uint32_t WrapImagePage(ArchiveBuffer& page, std::string_view pictureName) {
    static constexpr std::string_view kHead =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" "
        "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\">"
        "<head xmlns=\"http://www.w3.org/1999/xhtml\"></head>"
        "<body><div><img alt=\"\" src=\"";
    static constexpr std::string_view kTail = "\" /></div>\n</body>\n</html>";

    std::string text(kHead);
    // The name goes into an attribute value: escape what would end or break it.
    for (const char c : pictureName) {
        switch (c) {
            case '&':
                text += "&amp;";
                break;
            case '<':
                text += "&lt;";
                break;
            case '"':
                text += "&quot;";
                break;
            default:
                text += c;
        }
    }
    text += kTail;
    if (!page.data || text.size() + 1 > page.capacity) {
        return 0;
    }
    std::memcpy(page.data.get(), text.c_str(), text.size() + 1);
    page.size = static_cast<std::uint32_t>(text.size());
    return page.size;
}

bool LoadReadingOrderItem(int index, const BookState& book, ArchiveBuffer& documentText,
                          const DebugSwitches& debug) {
    if (index < 0 || index >= book.documentCount) {
        return false;
    }
    const DocumentEntry& entry = book.documents[static_cast<std::size_t>(index)];
    if (ContentKindOf(entry.mediaType, entry.href) == ContentKind::Document) {
        return LoadDocument(index, book, documentText, debug);
    }
    return WrapImagePage(documentText, FilePart(entry.href)) > 0;
}

std::vector<std::string> ListEntries(const std::string& bookPath) {
    std::vector<std::string> names;
    ZipArchive archive = OpenArchive(bookPath);
    if (!archive) {
        return names;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0)) {
            names.emplace_back(name);
        }
    }
    return names;
}

zip_t* ArchiveReader::Archive() {
    if (!openTried_) {
        openTried_ = true;
        archive_ = OpenArchive(bookPath_);
    }
    return archive_.get();
}

std::optional<zip_uint64_t> ArchiveReader::Find(zip_t* archive, std::string_view name) {
    // Names this long, or this many, are not worth indexing: each adds all its last steps.
    constexpr std::size_t kLongestIndexedName = 1024;
    constexpr zip_int64_t kMostIndexedMembers = 1'000'000;
    if (!indexed_) {
        indexed_ = true;
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        bool whole = count <= kMostIndexedMembers;
        for (zip_int64_t i = 0; whole && i < count; ++i) {
            const char* rawName = zip_get_name(archive, static_cast<zip_uint64_t>(i), 0);
            if (rawName == nullptr) {
                continue;
            }
            const std::string_view entryName(rawName);
            if (entryName.size() > kLongestIndexedName) {
                whole = false;
                break;
            }
            wholeNames_.emplace(entryName, static_cast<zip_uint64_t>(i));
            for (std::size_t slash = entryName.find('/'); slash != std::string_view::npos;
                 slash = entryName.find('/', slash + 1)) {
                wholeNames_.emplace(entryName.substr(slash + 1), static_cast<zip_uint64_t>(i));
            }
        }
        if (!whole) {
            wholeNames_.clear();
        }
    }
    // The first member that is the name, whole or as its last steps, is what the walk finds
    // first; only a name no member ends with needs the walk (for a member that merely contains
    // it, or for the name with its escapes decoded).
    if (!name.empty()) {
        if (const auto found = wholeNames_.find(std::string(name)); found != wholeNames_.end()) {
            return found->second;
        }
    }
    return FindMember(archive, name);
}

std::optional<std::string> ArchiveReader::Read(std::string_view name) {
    zip_t* archive = Archive();
    if (archive == nullptr) {
        return std::nullopt;
    }
    const auto index = Find(archive, name);
    std::string bytes;
    if (!index || !ReadWholeMember(archive, *index, bytes)) {
        return std::nullopt;
    }
    return bytes;
}

bool ArchiveReader::Extract(std::string_view name, ArchiveBuffer& out) {
    zip_t* archive = Archive();
    if (archive == nullptr) {
        return false;
    }
    const auto index = Find(archive, name);
    if (!index) {
        return false;
    }
    const auto size = DeclaredSize(archive, *index);
    if (!size) {
        return false;
    }
    // Four times the size, zero-filled: callers treat the data as a string without copying.
    const std::size_t capacity = std::max<std::size_t>(4 * *size, 1);
    ZeroedBytes data = AllocateZeroed(capacity);
    if (!data || !UnpackMember(archive, *index, data.get(), *size)) {
        return false;
    }
    out.data = std::move(data);
    out.size = static_cast<std::uint32_t>(*size);
    out.capacity = capacity;
    return true;
}

bool ArchiveReader::ExtractInto(std::string_view name, ArchiveBuffer& buffer) {
    zip_t* archive = Archive();
    if (archive == nullptr || !buffer.data) {
        return false;
    }
    const auto index = Find(archive, name);
    if (!index) {
        return false;
    }
    const auto size = DeclaredSize(archive, *index);
    if (!size || *size + 1 > buffer.capacity) {
        return false;
    }
    // Unpacked aside first, so that a member failing half-way leaves the caller's text intact.
    std::unique_ptr<char[]> scratch(new char[*size]);
    if (!UnpackMember(archive, *index, scratch.get(), *size)) {
        return false;
    }
    std::memcpy(buffer.data.get(), scratch.get(), *size);
    buffer.data[*size] = '\0';
    buffer.size = static_cast<std::uint32_t>(*size);
    return true;
}

}  // namespace quirelle
