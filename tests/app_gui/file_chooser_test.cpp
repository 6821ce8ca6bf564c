// How the core's requester patterns and drawers become the GTK file chooser's filter and folder.
#include "app/file_chooser.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/paths.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle::testing {
namespace {

TEST(FileChooserTest, PatternsBecomeSuffixes) {
    struct Case {
        const char* pattern;
        std::vector<std::string> suffixes;
    };
    const Case cases[] = {
        {"#?.(EPU|EPUB)", {"epu", "epub"}},
        {"#?.(PDF)", {"pdf"}},
        {"#?.txt", {"txt"}},
        // Nothing a suffix can say: every file is offered.
        {"#?", {}},
        {"#?.(EP#?)", {}},
        {"#?.(EPUB|)", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(PatternSuffixes(c.pattern), c.suffixes);
    }
}

TEST(FileChooserTest, DrawersBecomeFolders) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Epub");
    const auto startFolder = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("QUIRELLE_RAM_DIR", dir.path().c_str(), 1);
    struct Case {
        const char* drawer;
        std::filesystem::path folder;
    };
    const Case cases[] = {
        {"Ram:", dir.path()},
        {"RAM:", dir.path()},
        {"Epub", dir / "Epub"},
        // No such folder, or a volume this system does not have: GTK chooses.
        {"Books", {}},
        {"Work:docs", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawer);
        EXPECT_EQ(DrawerFolder(c.drawer), c.folder);
    }
    unsetenv("QUIRELLE_RAM_DIR");
    std::filesystem::current_path(startFolder);
}

}  // namespace
}  // namespace quirelle::testing
