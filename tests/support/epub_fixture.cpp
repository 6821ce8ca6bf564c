#include "support/epub_fixture.hpp"

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace quirelle::testing {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quirelle-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteArchive(const std::filesystem::path& file, const std::vector<Member>& members) {
    int error = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        throw std::runtime_error("cannot create " + file.string());
    }
    for (const Member& member : members) {
        // The members outlive zip_close, so the archive may read them in place.
        zip_source_t* source =
            zip_source_buffer(archive, member.data.data(), member.data.size(), 0);
        const zip_int64_t index =
            source ? zip_file_add(archive, member.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source) {
                zip_source_free(source);
            }
            zip_discard(archive);
            throw std::runtime_error("cannot add " + member.name);
        }
        zip_set_file_compression(
            archive, static_cast<zip_uint64_t>(index),
            member.compression == Compression::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write " + file.string());
    }
}

const char* const kContainerXml = R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)";

std::vector<Member> MinimalBookMembers() {
    return {
        {"mimetype", "application/epub+zip", Compression::Store},
        {"META-INF/container.xml", kContainerXml},
        {"OEBPS/content.opf",
         R"(<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:identifier id="id">urn:uuid:00000000-0000-0000-0000-000000000001</dc:identifier>
    <dc:title>Fixture</dc:title>
    <dc:language>en</dc:language>
  </metadata>
  <manifest>
    <item id="c1" href="chapter1.xhtml" media-type="application/xhtml+xml"/>
  </manifest>
  <spine><itemref idref="c1"/></spine>
</package>)"},
        {"OEBPS/chapter1.xhtml",
         R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>One</title></head>
<body><p>Chapter one.</p></body></html>)"},
    };
}

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint8_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::uint16_t Read16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

void Write32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

void Write16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xff);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

// Field offsets inside the two headers that describe a member.
struct HeaderLayout {
    std::uint32_t signature;
    std::size_t method, crc, compressedSize, size, nameLength, name;
};
constexpr HeaderLayout kLocal{kLocalHeaderSignature, 8, 14, 18, 22, 26, 30};
constexpr HeaderLayout kCentral{kCentralHeaderSignature, 10, 16, 20, 24, 28, 46};

// Calls edit(header offset, layout) for the local and the central header of the member.
template <typename Edit>
void EditHeaders(const std::filesystem::path& file, std::string_view memberName, Edit edit) {
    std::string bytes = ReadFile(file);
    int found = 0;
    for (const HeaderLayout& layout : {kLocal, kCentral}) {
        for (std::size_t at = 0; at + layout.name <= bytes.size(); ++at) {
            if (Read32(bytes, at) != layout.signature) {
                continue;
            }
            const std::size_t nameLength = Read16(bytes, at + layout.nameLength);
            if (bytes.compare(at + layout.name, nameLength, memberName) == 0 &&
                nameLength == memberName.size()) {
                edit(bytes, at, layout);
                ++found;
                break;
            }
        }
    }
    if (found != 2) {
        throw std::runtime_error("no headers for " + std::string(memberName));
    }
    WriteFile(file, bytes);
}

}  // namespace

void DamageMember(const std::filesystem::path& file, std::string_view memberName, Damage damage) {
    EditHeaders(
        file, memberName, [damage](std::string& bytes, std::size_t at, const HeaderLayout& layout) {
            switch (damage) {
                case Damage::WrongCrc:
                    Write32(bytes, at + layout.crc, Read32(bytes, at + layout.crc) ^ 0x5a5a5a5a);
                    break;
                case Damage::DeclaredTooSmall:
                    Write32(bytes, at + layout.size, Read32(bytes, at + layout.size) / 2);
                    break;
                case Damage::DeclaredTooLarge:
                    Write32(bytes, at + layout.size, Read32(bytes, at + layout.size) * 2 + 16);
                    break;
                case Damage::UnsupportedMethod:
                    Write16(bytes, at + layout.method, 77);
                    break;
            }
        });
}

void DeclareSize(const std::filesystem::path& file, std::string_view memberName,
                 std::uint32_t size) {
    EditHeaders(file, memberName,
                [size](std::string& bytes, std::size_t at, const HeaderLayout& layout) {
                    Write32(bytes, at + layout.size, size);
                });
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& file, std::string_view text) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace quirelle::testing
