#include "platform/dump_file.hpp"

#include <cstdio>
#include <memory>

namespace quirelle {

void WriteDump(const std::filesystem::path& file, std::string_view text, DumpMode mode) {
    const char* openMode = mode == DumpMode::Append ? "ab" : "wb";
    std::unique_ptr<std::FILE, decltype(&std::fclose)> stream(std::fopen(file.c_str(), openMode),
                                                              &std::fclose);
    if (!stream) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream.get());
}

}  // namespace quirelle
