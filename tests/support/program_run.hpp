#pragma once

#include <string>

#include "support/epub_fixture.hpp"

namespace quirelle::testing {

// What a run of a program printed and how it ended.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs `program` with the shell-quoted `arguments`, its settings kept in `dir` so that the
// developer's own never count.
ProgramRun RunProgram(const std::string& program, const std::string& arguments, const TempDir& dir);

// A path quoted for the shell.
std::string Quoted(const std::string& path);

}  // namespace quirelle::testing
