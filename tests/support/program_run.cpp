#include "support/program_run.hpp"

#include <sys/wait.h>

#include <cstdio>

namespace quirelle::testing {

std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (const char c : path) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                      const TempDir& dir) {
    const auto errFile = dir / "stderr.txt";
    const std::string command = "XDG_CONFIG_HOME=" + Quoted((dir / "config").string()) +
                                " XDG_RUNTIME_DIR=" + Quoted((dir / "runtime").string()) + " " +
                                Quoted(program) + " " + arguments + " 2>" +
                                Quoted(errFile.string());
    ProgramRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char chunk[4096];
    std::size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        run.out.append(chunk, got);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFile(errFile);
    return run;
}

}  // namespace quirelle::testing
