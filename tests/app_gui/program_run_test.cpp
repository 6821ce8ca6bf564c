// The real program, started as a user starts it: its window on the display, its end on SIGINT
// and SIGTERM, and its message where no window can be made.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "program_process.hpp"
#include "support/book_fixture.hpp"
#include "support/epub_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "x11_windows.hpp"

namespace quirelle::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Program = ProgramProcess;
constexpr auto kPatience = kProgramPatience;

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
    WriteArchive(dir_ / "locked.epub",
                 BookMembers(PackageDocument("", ""), {{"META-INF/rights.xml", "<rights/>"}}));
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
        // The message box for a protected book waits for "Ok"; Ctrl-C must not wait for it.
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
