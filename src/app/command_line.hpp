#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/paper_size.hpp"

namespace quirelle {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode { Window, Help, Version, Info, RenderPng, ExportPdf, Search };
    Mode mode = Mode::Window;
    std::string file;    // the book; empty starts the window without one
    std::string output;  // the PNG or PDF file to write
    // --dump-layout: where the line boxes of the documents drawn go, as JSON Lines; empty: none.
    std::string layoutDump;
    std::vector<std::pair<std::string, std::string>> settingOverrides;
    // --render-png: the document, the view's size and the scroll offset.
    int page = 0;
    int width = 800;
    int height = 600;
    double scroll = 0.0;
    // --goto: a reference as a link of document `page` would name it ("notes.xhtml#n2"); the
    // view is drawn after that jump, and `scroll` moves on from there.
    std::string gotoTarget;
    // --export-pdf: the range of documents; all of them by default.
    std::optional<int> from;
    std::optional<int> to;
    // --search: the term, and whether case must match and hits be whole words.
    std::string searchTerm;
    bool matchCase = false;
    bool wholeWords = false;
    // --page-size and --page-numbers: the sheets of the PDF, and numbers at their foot.
    PaperSize paper;
    std::optional<bool> pageNumbers;
};

// Parses the arguments after the program name. On a mistake, returns nothing and sets `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            std::string& error);

extern const char* const kUsage;

}  // namespace quirelle
