#include "platform/tool_types.hpp"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/paths.hpp"

namespace quirelle {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr const char* kFileName = "Quirelle.info";

std::string_view WithoutBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<std::string> ReadTextFile(const std::filesystem::path& file) {
    // A folder or a pipe of that name is no settings file; reading a pipe would wait forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

}  // namespace

ToolTypes::ToolTypes(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = WithoutBlanks(line);
        const std::size_t equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) {
            continue;
        }
        entries_.emplace_back(WithoutBlanks(line.substr(0, equals)),
                              WithoutBlanks(line.substr(equals + 1)));
    }
}

std::string_view ToolTypes::Find(std::string_view name, std::string_view fallback) const {
    for (const auto& [entryName, value] : entries_) {
        if (entryName == name) {
            return value;
        }
    }
    return fallback;
}

std::optional<ToolTypes> LoadToolTypes(const std::filesystem::path& programDirectory,
                                       const std::filesystem::path& configHome) {
    for (const std::filesystem::path& file :
         {programDirectory / kFileName, configHome / "quirelle" / kFileName}) {
        if (const std::optional<std::string> text = ReadTextFile(file)) {
            return ToolTypes(*text);
        }
    }
    return std::nullopt;
}

std::optional<ToolTypes> LoadToolTypes() {
    return LoadToolTypes(ProgramDirectory(), ConfigHome());
}

}  // namespace quirelle
