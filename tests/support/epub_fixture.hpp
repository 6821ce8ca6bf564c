#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle::testing {

enum class Compression { Deflate, Store };

// One member of a fixture archive, written in the order given.
struct Member {
    std::string name;
    std::string data;
    Compression compression = Compression::Deflate;
};

// A folder of its own for one test, removed with everything in it when the test ends.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Writes a ZIP archive holding exactly these members. Throws when the archive cannot be written.
void WriteArchive(const std::filesystem::path& file, const std::vector<Member>& members);

// META-INF/container.xml naming OEBPS/content.opf as the package.
extern const char* const kContainerXml;

// The members of a minimal valid EPUB 3 book: mimetype, container, package with one chapter.
// Tests add to or replace them to build the case they need.
std::vector<Member> MinimalBookMembers();

// Damage done to one member after its archive was written, by rewriting its headers in place.
enum class Damage {
    WrongCrc,           // the stored CRC no longer matches the data
    DeclaredTooSmall,   // the data unpacks to more bytes than declared
    DeclaredTooLarge,   // the data ends before the declared size (truncated)
    UnsupportedMethod,  // a compression method no reader knows
};
void DamageMember(const std::filesystem::path& file, std::string_view memberName, Damage damage);

// Rewrites the uncompressed size a member declares, leaving its data alone.
void DeclareSize(const std::filesystem::path& file, std::string_view memberName,
                 std::uint32_t size);

std::string ReadFile(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, std::string_view text);

}  // namespace quirelle::testing
