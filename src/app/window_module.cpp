#include "app/window_module.hpp"

#include "app/application.hpp"

extern "C" __attribute__((visibility("default"))) int quirelle_run_window(
    const quirelle::Settings& settings, const char* file) {
    return quirelle::RunGraphicalProgram(settings, file);
}
