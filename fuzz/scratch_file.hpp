#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quirelle::fuzzing {

// Writes `size` bytes to `path`; a target that cannot write its input has nothing to test.
inline void WriteBytes(const std::filesystem::path& path, const std::uint8_t* data,
                       std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) {
        std::perror("quirelle fuzz: writing the input");
        std::abort();
    }
    std::fclose(file);
}

// A file of the target's own, in a folder made once per process and removed at its end: the
// readers under test take paths, not bytes.
class ScratchFile {
  public:
    explicit ScratchFile(const char* name) {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/quirelle-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("quirelle fuzz: mkdtemp");
            std::abort();
        }
        folder_ = pattern;
        path_ = (folder_ / name).string();
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    std::filesystem::path folder_;
    std::string path_;
};

}  // namespace quirelle::fuzzing
