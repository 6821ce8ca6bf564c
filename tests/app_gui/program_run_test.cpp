// The real program, started as a user starts it: its window on the display, its end on SIGINT
// and SIGTERM, and its message where no window can be made.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/epub_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "x11_windows.hpp"

namespace quirelle::testing {
namespace {

using Clock = std::chrono::steady_clock;
// Only a guard against a hung test: the program normally takes a fraction of it.
constexpr auto kPatience = std::chrono::seconds(30);

struct Environment {
    bool withDisplay = true;
};

// The program running in the background, with its standard output going to a file.
class Program {
  public:
    Program(const std::vector<std::string>& arguments, const TempDir& dir, Environment environment)
        : output_(dir / "stdout.txt") {
        std::vector<std::string> variables;
        for (char** variable = environ; *variable; ++variable) {
            const std::string text = *variable;
            const bool display =
                text.starts_with("DISPLAY=") || text.starts_with("WAYLAND_DISPLAY=");
            if (!text.starts_with("XDG_CONFIG_HOME=") && !text.starts_with("XDG_RUNTIME_DIR=") &&
                !text.starts_with("GDK_BACKEND=") && (environment.withDisplay || !display)) {
                variables.push_back(text);
            }
        }
        // Settings come from the test's own folders, never from the developer's.
        variables.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
        variables.push_back("XDG_RUNTIME_DIR=" + (dir / "runtime").string());
        variables.push_back("GDK_BACKEND=x11");
        std::vector<std::string> argv = {QUIRELLE_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());

        pid_ = fork();
        if (pid_ == 0) {
            const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, STDOUT_FILENO);
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

    ~Program() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    bool Running() {
        if (!exited_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
            exited_ = true;
        }
        return !exited_;
    }

    // The exit status, or -1 when the program did not exit normally (or not at all).
    int Wait() {
        const auto deadline = Clock::now() + kPatience;
        while (Running() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!exited_) {
            return -1;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    }

    std::string Output() const { return ReadFile(output_); }

  private:
    std::filesystem::path output_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool exited_ = false;
};

class ProgramRunTest : public ::testing::Test {
  protected:
    TempDir dir_;
};

TEST_F(ProgramRunTest, SignalsEndTheProgramThroughItsNormalShutdown) {
    const std::string book = (dir_ / "book.epub").string();
    WriteArchive(
        book, BookMembers(PackageDocument(
                              R"(<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>)",
                              R"(<itemref idref="a"/>)"),
                          {{"OEBPS/a.xhtml", XhtmlPage("<p>A</p>")}}));
    WriteFile(dir_ / "locked.epub", "not an archive");
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        int signal;
        int windows;  // on screen before the signal is sent
    };
    const Case cases[] = {
        {"a book, Ctrl-C", {book}, SIGINT, 1},
        {"a book, terminated", {book}, SIGTERM, 1},
        {"no book", {}, SIGINT, 1},
        // The message box for an unreadable book waits for "Ok"; Ctrl-C must not wait for it.
        {"message box open", {(dir_ / "locked.epub").string()}, SIGINT, 2},
    };
    const X11Display display;
    ASSERT_TRUE(display.connected()) << "needs a display: run under xvfb-run";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program program(c.arguments, dir_, {});
        const auto deadline = Clock::now() + kPatience;
        ProcessWindows windows;
        while (program.Running() && Clock::now() < deadline) {
            windows = display.WindowsOf(program.pid(), "Quirelle");
            if (windows.titled && windows.viewable >= c.windows) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(windows.titled) << "the window \"Quirelle\" never appeared";
        EXPECT_EQ(windows.viewable, c.windows);
        kill(program.pid(), c.signal);
        EXPECT_EQ(program.Wait(), 0);
        EXPECT_EQ(program.Output(), "");
    }
}

// The tool types are read before the window opens the book named on the command line.
TEST_F(ProgramRunTest, ToolTypesSwitchTheDumpsOnForTheBookOnTheCommandLine) {
    const std::string book = (dir_ / "book.epub").string();
    WriteArchive(book, MinimalBookMembers());
    std::filesystem::create_directories(dir_ / "config" / "quirelle");
    std::filesystem::create_directories(dir_ / "runtime");
    WriteFile(dir_ / "config" / "quirelle" / "Quirelle.info", "debug_contents=yes\n");
    const ScopedVariable noRamDir("QUIRELLE_RAM_DIR", std::nullopt);
    const auto dump = dir_ / "runtime" / "debug_contents.txt";

    Program program({book}, dir_, {});
    const auto deadline = Clock::now() + kPatience;
    while (program.Running() && Clock::now() < deadline &&
           ReadFile(dump).find("Referenzen\n") == std::string::npos) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(program.pid(), SIGINT);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_NE(ReadFile(dump).find("Referenzen\n"), std::string::npos) << ReadFile(dump);
}

TEST_F(ProgramRunTest, WithoutADisplayTheProgramSaysSoAndEnds) {
    Program program({}, dir_, {.withDisplay = false});
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_EQ(program.Output(), "Die Applikation kann nicht generiert werden !\n");
}

TEST_F(ProgramRunTest, CommandLineModesNeedNoDisplay) {
    const std::string book = (dir_ / "book.epub").string();
    WriteArchive(book, MinimalBookMembers());
    struct Case {
        std::vector<std::string> arguments;
        const char* starts;
    };
    const Case cases[] = {{{"--info", book}, "{\"probe\":1"},
                          {{"--version"}, "quirelle "},
                          {{"--help"}, "Usage: quirelle [FILE]"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        Program program(c.arguments, dir_, {.withDisplay = false});
        EXPECT_EQ(program.Wait(), 0);
        EXPECT_TRUE(program.Output().starts_with(c.starts)) << program.Output();
    }
}

}  // namespace
}  // namespace quirelle::testing
