#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.hpp"
#include "app/headless_commands.hpp"
#include "app/window_module.hpp"
#include "platform/charset.hpp"
#include "platform/memory_reuse.hpp"
#include "platform/paths.hpp"

using quirelle::CommandLine;

namespace {

// Loads the window module from beside the program and runs the window.
int RunWindow(const quirelle::Settings& settings, const std::string& file) {
    const std::string module = (quirelle::ProgramDirectory() / "quirelle-window.so").string();
    void* window = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (window == nullptr) {
        std::fprintf(stderr, "quirelle: cannot open a window: %s\n", dlerror());
        return 1;
    }
    const auto run = reinterpret_cast<RunWindowFunction>(dlsym(window, kRunWindowEntry));
    if (run == nullptr) {
        std::fprintf(stderr, "quirelle: %s has no window in it\n", module.c_str());
        return 1;
    }
    // The module stays loaded to the end: GTK leaves handlers behind that must not vanish.
    return run(settings, file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // libzip turns the date of every member into local time when it opens an archive, and with
    // TZ unset the C library looks at /etc/localtime again for each one: a book of 2000 members
    // paid for 2000 file checks. Naming the same zone explicitly is read once.
    setenv("TZ", ":/etc/localtime", 0);
    quirelle::KeepFreedMemoryForReuse();
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
            return quirelle::RunInfoCommand(*command);
        case CommandLine::Mode::RenderPng:
            return quirelle::RunRenderPngCommand(*command);
        case CommandLine::Mode::ExportPdf:
            return quirelle::RunExportPdfCommand(*command);
        case CommandLine::Mode::Search:
            return quirelle::RunSearchCommand(*command);
        case CommandLine::Mode::Window: {
            const auto settings = quirelle::SettingsForRun(*command);
            if (!settings) {
                return 1;
            }
            return RunWindow(*settings, command->file);
        }
    }
    return 0;
}
