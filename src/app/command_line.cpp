#include "app/command_line.hpp"

namespace quirelle {

const char* const kUsage =
    "Usage: quirelle [FILE]\n"
    "       quirelle --info [--setting NAME=VALUE]... FILE\n"
    "Reads the EPUB book FILE.\n"
    "\n"
    "  --info                 print what the book holds as one JSON object\n"
    "  --setting NAME=VALUE   use VALUE for the setting NAME in this run only\n"
    "  --help                 show this text\n"
    "  --version              show the program's version\n";

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine command;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            command.mode = CommandLine::Mode::Help;
            return command;
        }
        if (argument == "--version") {
            command.mode = CommandLine::Mode::Version;
            return command;
        }
        if (argument == "--info") {
            command.mode = CommandLine::Mode::Info;
        } else if (argument == "--setting") {
            if (i + 1 >= arguments.size()) {
                error = "--setting needs NAME=VALUE";
                return std::nullopt;
            }
            const std::string& assignment = arguments[++i];
            const auto equals = assignment.find('=');
            if (equals == std::string::npos || equals == 0) {
                error = "--setting needs NAME=VALUE, not \"" + assignment + "\"";
                return std::nullopt;
            }
            command.settingOverrides.emplace_back(assignment.substr(0, equals),
                                                  assignment.substr(equals + 1));
        } else if (argument.starts_with("--") && argument.size() > 2) {
            error = "unknown option " + argument;
            return std::nullopt;
        } else if (command.file.empty()) {
            command.file = argument;
        } else {
            error = "only one book can be opened: " + argument;
            return std::nullopt;
        }
    }
    if (command.mode == CommandLine::Mode::Info && command.file.empty()) {
        error = "--info needs a FILE";
        return std::nullopt;
    }
    return command;
}

}  // namespace quirelle
