#include <gtest/gtest.h>

#include <filesystem>

#include "platform/headless_frontend.hpp"
#include "support/epub_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

TEST(ReadToolTypesTest, TheUsersToolTypesSetTheViewsSwitches) {
    testing::TempDir dir;
    const testing::ScopedVariable config("XDG_CONFIG_HOME", (dir / "config").string());
    HeadlessFrontend frontend;
    DocumentView view(frontend);
    DebugSwitches& debug = view.Data().debug;

    debug.debugCss = true;
    view.ReadToolTypes();
    EXPECT_TRUE(debug.debugCss) << "without a tool-type file the switches stay as they were";

    std::filesystem::create_directories(dir / "config" / "quirelle");
    testing::WriteFile(dir / "config" / "quirelle" / "Quirelle.info",
                       "debug_contents=yes\ndebug_hlink=yes\n");
    view.ReadToolTypes();
    EXPECT_TRUE(debug.debugContents);
    EXPECT_TRUE(debug.debugHlink);
    EXPECT_FALSE(debug.debugCss) << "a file that does not say yes switches off";
}

}  // namespace
}  // namespace quirelle
