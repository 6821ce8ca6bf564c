#include <cstdio>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/command_line.hpp"
#include "package/archive.hpp"
#include "platform/charset.hpp"
#include "platform/headless_frontend.hpp"
#include "platform/settings_store.hpp"
#include "view/book_info.hpp"
#include "view/document_view.hpp"

namespace {

using quirelle::CommandLine;

constexpr const char* kDrmMessage = "Quirelle did't support EPUB's with DRM!";

// The stored settings with this run's overrides; false (with a message) for an unknown key.
bool SettingsForRun(const CommandLine& command, quirelle::Settings& settings) {
    settings = quirelle::LoadSettings();
    for (const auto& [key, value] : command.settingOverrides) {
        if (!settings.Set(key, value)) {
            std::fprintf(stderr, "quirelle: cannot set %s to \"%s\"\n", key.c_str(), value.c_str());
            return false;
        }
    }
    return true;
}

// Opens the book headless, as the window would; 0 when it was read, 1 or 2 as the probe said.
int OpenHeadless(const CommandLine& command, quirelle::HeadlessFrontend& frontend,
                 quirelle::DocumentView& view, quirelle::ProbeResult& probe) {
    probe = quirelle::ProbeArchive(command.file);
    switch (probe) {
        case quirelle::ProbeResult::Protected:
            std::fprintf(stderr, "%s\n", kDrmMessage);
            return 2;
        case quirelle::ProbeResult::Unreadable:
            std::fprintf(stderr, "quirelle: %s is not a readable EPUB book\n",
                         command.file.c_str());
            return 1;
        case quirelle::ProbeResult::Readable:
            break;
    }
    view.OpenBook(command.file);
    (void)frontend;
    return 0;
}

int RunInfo(const CommandLine& command) {
    quirelle::Settings settings;
    if (!SettingsForRun(command, settings)) {
        return 1;
    }
    quirelle::HeadlessFrontend frontend(settings);
    auto view = quirelle::DocumentView::Create(frontend);
    if (!view) {
        std::fprintf(stderr, "quirelle: out of memory\n");
        return 1;
    }
    quirelle::ProbeResult probe;
    if (const int status = OpenHeadless(command, frontend, *view, probe); status != 0) {
        return status;
    }
    std::printf("%s\n", quirelle::BookInfoJson(probe, view->Data(), frontend).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    quirelle::UseUserLocale();
    std::string error;
    const auto command =
        quirelle::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!command) {
        std::fprintf(stderr, "quirelle: %s\n%s", error.c_str(), quirelle::kUsage);
        return 1;
    }
    switch (command->mode) {
        case CommandLine::Mode::Help:
            std::printf("%s", quirelle::kUsage);
            return 0;
        case CommandLine::Mode::Version:
            std::printf("quirelle %s\n", QUIRELLE_VERSION);
            return 0;
        case CommandLine::Mode::Info:
            return RunInfo(*command);
        case CommandLine::Mode::Window: {
            quirelle::Settings settings;
            if (!SettingsForRun(*command, settings)) {
                return 1;
            }
            return quirelle::RunGraphicalProgram(settings, command->file);
        }
    }
    return 0;
}
