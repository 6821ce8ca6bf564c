#pragma once

#include "platform/settings.hpp"

// The window is a module of its own, loaded only when the program opens one: the command-line
// modes never load GTK and its eighty libraries, which cost more start-up time than their work.
extern "C" {

// The name the program looks the entry up by.
inline constexpr const char kRunWindowEntry[] = "quirelle_run_window";

// Runs the program with its window on `file` (empty: none), with the settings of this run;
// returns the exit status.
using RunWindowFunction = int (*)(const quirelle::Settings& settings, const char* file);
}
