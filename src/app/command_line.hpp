#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quirelle {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode { Window, Help, Version, Info };
    Mode mode = Mode::Window;
    std::string file;  // the book; empty starts the window without one
    std::vector<std::pair<std::string, std::string>> settingOverrides;
};

// Parses the arguments after the program name. On a mistake, returns nothing and sets `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

extern const char* const kUsage;

}  // namespace quirelle
