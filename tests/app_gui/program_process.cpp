#include "program_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace quirelle::testing {

ProgramProcess::ProgramProcess(const std::vector<std::string>& arguments, const TempDir& dir,
                               ProgramEnvironment environment)
    : output_(dir / "stdout.txt"), errors_(dir / "stderr.txt") {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        const bool display = text.starts_with("DISPLAY=") || text.starts_with("WAYLAND_DISPLAY=");
        if (!text.starts_with("XDG_CONFIG_HOME=") && !text.starts_with("XDG_RUNTIME_DIR=") &&
            !text.starts_with("XDG_STATE_HOME=") && !text.starts_with("GDK_BACKEND=") &&
            !text.starts_with("HOME=") && (environment.withDisplay || !display)) {
            variables.push_back(text);
        }
    }
    // Settings, and anything written to the home folder, stay in the test's own folders.
    variables.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
    variables.push_back("XDG_RUNTIME_DIR=" + (dir / "runtime").string());
    variables.push_back("XDG_STATE_HOME=" + (dir / "state").string());
    variables.push_back("HOME=" + dir.path().string());
    variables.push_back("GDK_BACKEND=x11");
    // Another build of the program (the sanitizers') may be put through the same tests.
    const char* other = std::getenv("QUIRELLE_PROGRAM_UNDER_TEST");
    std::vector<std::string> argv = {other && *other ? other : QUIRELLE_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const std::string folder = dir.path().string();

    pid_ = fork();
    if (pid_ == 0) {
        const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        std::vector<char*> args, env;
        for (auto& a : argv)
            args.push_back(a.data());
        for (auto& v : variables)
            env.push_back(v.data());
        args.push_back(nullptr);
        env.push_back(nullptr);
        execve(args[0], args.data(), env.data());
        _exit(127);
    }
}

ProgramProcess::~ProgramProcess() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ProgramProcess::Running() {
    if (!exited_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
        exited_ = true;
    }
    return !exited_;
}

int ProgramProcess::Wait() {
    const auto deadline = std::chrono::steady_clock::now() + kProgramPatience;
    while (Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!exited_) {
        return -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string ProgramProcess::Output() const {
    return ReadFile(output_);
}

std::string ProgramProcess::Errors() const {
    return ReadFile(errors_);
}

}  // namespace quirelle::testing
