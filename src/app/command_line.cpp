#include "app/command_line.hpp"

#include <charconv>

namespace quirelle {

const char* const kUsage =
    "Usage: quirelle [FILE]\n"
    "       quirelle --info [--setting NAME=VALUE]... FILE\n"
    "       quirelle --render-png OUT.png [--page N] [--goto HREF#ID] [--width W] [--height H]\n"
    "                [--scroll Y] [--dump-layout OUT.jsonl] FILE\n"
    "       quirelle --export-pdf OUT.pdf [--from N] [--to M] [--page-size SIZE]\n"
    "                [--page-numbers on|off] [--dump-layout OUT.jsonl] FILE\n"
    "       quirelle --search TERM [--case] [--words] FILE\n"
    "Reads the EPUB book FILE.\n"
    "\n"
    "  --info                 print what the book holds as one JSON object\n"
    "  --render-png OUT.png   write what the reader shows for document N (default 0) at\n"
    "                         W x H pixels (default 800 x 600), scrolled down by Y pixels\n"
    "  --goto HREF#ID         with --render-png: draw the view after following a link to\n"
    "                         HREF#ID from document N (a path relative to it, or a file name)\n"
    "  --export-pdf OUT.pdf   write documents N to M (default: all) as a PDF, each on its\n"
    "                         own pages, as tall as the document up to 200 inches\n"
    "  --page-size SIZE       with --export-pdf: book (the default), a4, letter, a5, or\n"
    "                         WxH in points or millimetres (420x595, 148mmx210mm)\n"
    "  --page-numbers on|off  with --export-pdf: numbers at the pages' foot (default: on\n"
    "                         for a paper size, off as the book)\n"
    "  --search TERM          print every place of the book's text that TERM matches, one\n"
    "                         JSON object a line, in reading order; case and accents are\n"
    "                         ignored unless --case asks for the case to match, and\n"
    "                         --words finds only whole words\n"
    "  --dump-layout FILE     with --render-png or --export-pdf: write every line laid out,\n"
    "                         with its words, to FILE as JSON Lines (the whole document,\n"
    "                         unscrolled; each exported document with its index)\n"
    "  --setting NAME=VALUE   use VALUE for the setting NAME in this run only\n"
    "  --help                 show this text\n"
    "  --version              show the program's version\n";

namespace {

// The largest view a snapshot may ask for: beyond it the image alone would take gigabytes.
constexpr int kMaximumSide = 16384;

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error) {
    CommandLine command;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) {
                error = argument + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        auto integer = [&](int& out, int minimum, int maximum) {
            std::string text;
            if (!value(text)) {
                return false;
            }
            if (!ParseNumber(text, out) || out < minimum || out > maximum) {
                error = argument + " needs a whole number from " + std::to_string(minimum) +
                        " to " + std::to_string(maximum) + ", not \"" + text + "\"";
                return false;
            }
            return true;
        };
        if (argument == "--help" || argument == "-h") {
            command.mode = CommandLine::Mode::Help;
            return command;
        }
        if (argument == "--version") {
            command.mode = CommandLine::Mode::Version;
            return command;
        }
        bool understood = true;
        if (argument == "--info") {
            command.mode = CommandLine::Mode::Info;
        } else if (argument == "--render-png" || argument == "--export-pdf") {
            command.mode = argument == "--render-png" ? CommandLine::Mode::RenderPng
                                                      : CommandLine::Mode::ExportPdf;
            understood = value(command.output);
        } else if (argument == "--search") {
            command.mode = CommandLine::Mode::Search;
            understood = value(command.searchTerm);
        } else if (argument == "--case") {
            command.matchCase = true;
        } else if (argument == "--words") {
            command.wholeWords = true;
        } else if (argument == "--dump-layout") {
            understood = value(command.layoutDump);
            if (understood && command.layoutDump.empty()) {
                error = "--dump-layout needs a file name";
                understood = false;
            }
        } else if (argument == "--page") {
            understood = integer(command.page, 0, 1'000'000);
        } else if (argument == "--width") {
            understood = integer(command.width, 1, kMaximumSide);
        } else if (argument == "--height") {
            understood = integer(command.height, 1, kMaximumSide);
        } else if (argument == "--goto") {
            understood = value(command.gotoTarget);
        } else if (argument == "--scroll") {
            std::string text;
            understood = value(text);
            if (understood && !ParseNumber(text, command.scroll)) {
                error = "--scroll needs a number, not \"" + text + "\"";
                understood = false;
            }
        } else if (argument == "--from" || argument == "--to") {
            int number = 0;
            understood = integer(number, 0, 1'000'000);
            (argument == "--from" ? command.from : command.to) = number;
        } else if (argument == "--page-size") {
            std::string text;
            understood = value(text);
            const std::optional<PaperSize> paper = ParsePaperSize(text);
            if (understood && !paper) {
                error =
                    "--page-size needs book, a4, letter, a5 or WxH (in pt, or with mm), not \"" +
                    text + "\"";
                understood = false;
            }
            command.paper = paper.value_or(PaperSize{});
        } else if (argument == "--page-numbers") {
            std::string text;
            understood = value(text);
            if (understood && text != "on" && text != "off") {
                error = "--page-numbers needs on or off, not \"" + text + "\"";
                understood = false;
            }
            command.pageNumbers = text == "on";
        } else if (argument == "--setting") {
            std::string assignment;
            understood = value(assignment);
            const auto equals = assignment.find('=');
            if (understood && (equals == std::string::npos || equals == 0)) {
                error = "--setting needs NAME=VALUE, not \"" + assignment + "\"";
                understood = false;
            }
            if (understood) {
                command.settingOverrides.emplace_back(assignment.substr(0, equals),
                                                      assignment.substr(equals + 1));
            }
        } else if (argument.starts_with("--") && argument.size() > 2) {
            error = "unknown option " + argument;
            understood = false;
        } else if (command.file.empty()) {
            command.file = argument;
        } else {
            error = "only one book can be opened: " + argument;
            understood = false;
        }
        if (!understood) {
            return std::nullopt;
        }
    }
    const bool needsFile =
        command.mode == CommandLine::Mode::Info || command.mode == CommandLine::Mode::RenderPng ||
        command.mode == CommandLine::Mode::ExportPdf || command.mode == CommandLine::Mode::Search;
    if (needsFile && command.file.empty()) {
        error = "no book named: the last argument is the EPUB FILE";
        return std::nullopt;
    }
    if (!command.gotoTarget.empty() && command.mode != CommandLine::Mode::RenderPng) {
        error = "--goto goes with --render-png";
        return std::nullopt;
    }
    // Nothing else lays a document out to dump: the option would be silently lost.
    if (!command.layoutDump.empty() && command.mode != CommandLine::Mode::RenderPng &&
        command.mode != CommandLine::Mode::ExportPdf) {
        error = "--dump-layout goes with --render-png or --export-pdf";
        return std::nullopt;
    }
    if ((command.matchCase || command.wholeWords) && command.mode != CommandLine::Mode::Search) {
        error = "--case and --words go with --search";
        return std::nullopt;
    }
    return command;
}

}  // namespace quirelle
