#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quirelle {

// The program's tool types: what a user writes, one NAME=VALUE a line, into "Quirelle.info" to
// switch on what the program would otherwise leave off. The file is written by hand, so blanks
// around a name or a value do not count, nor do a line end of "\r\n", empty lines, lines that
// begin with "#" and lines without "=".
class ToolTypes {
  public:
    explicit ToolTypes(std::string_view text);

    // The value the first line naming `name` gives (names compared exactly), or `fallback` when
    // no line names it.
    std::string_view Find(std::string_view name, std::string_view fallback) const;

  private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// The tool types in "Quirelle.info" in `programDirectory`, else in `configHome`/quirelle/: the
// first of the two that can be read counts, whole. Nothing when neither can be read.
std::optional<ToolTypes> LoadToolTypes(const std::filesystem::path& programDirectory,
                                       const std::filesystem::path& configHome);

// This program's own: beside the program, else in the user's settings folder.
std::optional<ToolTypes> LoadToolTypes();

}  // namespace quirelle
