#pragma once

#include <optional>

#include "app/command_line.hpp"
#include "platform/settings.hpp"

namespace quirelle {

// The stored settings with this run's --setting overrides; nothing (after saying why on stderr)
// when an override names no setting or gives it a value it cannot take.
std::optional<Settings> SettingsForRun(const CommandLine& command);

// The command-line modes. They open the book as the window would, on the headless front end
// with the stored settings and this run's overrides, and never touch the display. Exit status:
// 0 done, 1 an error (told on stderr), 2 a protected book.
int RunInfoCommand(const CommandLine& command);
int RunRenderPngCommand(const CommandLine& command);
int RunExportPdfCommand(const CommandLine& command);
// Prints every hit of the term as a line of JSON, in reading order, as the documents are
// searched; 1 when a document could not be read.
int RunSearchCommand(const CommandLine& command);

}  // namespace quirelle
