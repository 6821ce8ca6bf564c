#include "package/debug_switches.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/epub_fixture.hpp"

namespace quirelle {

void PrintTo(const DebugSwitches& debug, std::ostream* out) {
    const std::pair<const char*, bool> switches[] = {
        {"contents", debug.debugContents}, {"html", debug.debugHtml},
        {"css", debug.debugCss},           {"images", debug.debugImages},
        {"text", debug.debugText},         {"element", debug.debugElement},
        {"hlink", debug.debugHlink}};
    *out << "{";
    for (const auto& [name, on] : switches) {
        if (on) {
            *out << " " << name;
        }
    }
    *out << " }";
}

namespace {

constexpr std::nullopt_t kNoFile = std::nullopt;

DebugSwitches Only(bool DebugSwitches::*member) {
    DebugSwitches debug;
    debug.*member = true;
    return debug;
}

// The switches that the tool types a user wrote beside the program and in the settings folder
// give; nothing when no file could be read (then the switches stay as they are).
std::optional<DebugSwitches> SwitchesFrom(const std::optional<std::string>& beside,
                                          const std::optional<std::string>& config,
                                          const testing::TempDir& dir) {
    const auto programFolder = dir / "program";
    const auto settingsFolder = dir / "config";
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directories(settingsFolder / "quirelle");
    if (beside) {
        testing::WriteFile(programFolder / "Quirelle.info", *beside);
    }
    if (config) {
        testing::WriteFile(settingsFolder / "quirelle" / "Quirelle.info", *config);
    }
    const std::optional<ToolTypes> toolTypes = LoadToolTypes(programFolder, settingsFolder);
    if (!toolTypes) {
        return std::nullopt;
    }
    return DebugSwitchesFrom(*toolTypes);
}

TEST(DebugSwitchesTest, OnlyAnExactYesSwitchesOn) {
    const DebugSwitches html = Only(&DebugSwitches::debugHtml);
    const DebugSwitches off;
    struct Case {
        const char* what;
        std::optional<std::string> beside;
        std::optional<std::string> config;
        std::optional<DebugSwitches> expected;
    };
    const Case cases[] = {
        {"yes", kNoFile, "debug_html=yes\n", html},
        {"upper case", kNoFile, "debug_html=YES\n", off},
        {"no", kNoFile, "debug_html=no\n", off},
        {"other words", kNoFile, "debug_html=on\ndebug_hlink=1\n", off},
        {"absent", kNoFile, "something_else=yes\n", off},
        {"empty file", kNoFile, "", off},
        {"blanks around the name and the value, a DOS line end", kNoFile,
         "  debug_html \t=  yes \r\n", html},
        {"a last line without its line end", kNoFile, "debug_css=no\ndebug_html=yes", html},
        {"blanks inside the value", kNoFile, "debug_html=y es\n", off},
        {"a comment", kNoFile, "# debug_html=yes\n", off},
        {"the first of two lines naming it", kNoFile, "debug_html=yes\ndebug_html=no\n", html},
        {"a name without a value", kNoFile, "debug_html\n", off},
        {"beside the program, nothing in the settings folder", "debug_html=yes\n", kNoFile, html},
        // The file beside the program counts whole: the settings folder adds nothing to it.
        {"beside the program and in the settings folder", "debug_html=yes\n", "debug_hlink=yes\n",
         html},
        {"no file anywhere", kNoFile, kNoFile, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempDir dir;
        EXPECT_EQ(SwitchesFrom(c.beside, c.config, dir), c.expected);
    }
}

TEST(DebugSwitchesTest, AFileThatCannotBeReadLeavesTheNextOne) {
    testing::TempDir dir;
    // A folder where the file beside the program would be.
    std::filesystem::create_directories(dir / "program" / "Quirelle.info");
    EXPECT_EQ(SwitchesFrom(kNoFile, "debug_hlink=yes\n", dir), Only(&DebugSwitches::debugHlink));
}

TEST(DebugSwitchesTest, EachToolTypeHasItsOwnSwitch) {
    const std::pair<const char*, bool DebugSwitches::*> names[] = {
        {"debug_contents", &DebugSwitches::debugContents},
        {"debug_html", &DebugSwitches::debugHtml},
        {"debug_css", &DebugSwitches::debugCss},
        {"debug_images", &DebugSwitches::debugImages},
        {"debug_text", &DebugSwitches::debugText},
        {"debug_element", &DebugSwitches::debugElement},
        {"debug_hlink", &DebugSwitches::debugHlink}};
    for (const auto& [name, member] : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DebugSwitchesFrom(ToolTypes(std::string(name) + "=yes\n")), Only(member));
    }
}

}  // namespace
}  // namespace quirelle
