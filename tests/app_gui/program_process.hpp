#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/epub_fixture.hpp"

namespace quirelle::testing {

// Only a guard against a hung test: the program normally ends in a fraction of it.
inline constexpr auto kProgramPatience = std::chrono::seconds(30);

struct ProgramEnvironment {
    bool withDisplay = true;
};

// The real program running in the background, started as a user starts it: its settings, its
// home and its working folder are the test's, its standard output and error go to files there.
class ProgramProcess {
  public:
    ProgramProcess(const std::vector<std::string>& arguments, const TempDir& dir,
                   ProgramEnvironment environment);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool Running();
    // The exit status, or -1 when the program did not exit normally (or not within the
    // patience).
    int Wait();

    std::string Output() const;
    std::string Errors() const;

  private:
    std::filesystem::path output_;
    std::filesystem::path errors_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool exited_ = false;
};

}  // namespace quirelle::testing
