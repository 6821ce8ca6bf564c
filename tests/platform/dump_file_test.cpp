#include "platform/dump_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

TEST(DumpFileTest, AppendedBlocksGrowAndAnOverwriteStartsAfresh) {
    testing::TempDir dir;
    const auto dump = dir / "dump.txt";
    WriteDump(dump, "one\n", DumpMode::Append);
    WriteDump(dump, "two\n", DumpMode::Append);
    EXPECT_EQ(testing::ReadFile(dump), "one\ntwo\n");
    WriteDump(dump, "three\n", DumpMode::Overwrite);
    EXPECT_EQ(testing::ReadFile(dump), "three\n");
    struct stat status {};
    ASSERT_EQ(stat(dump.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << "a dump is its user's alone";

    WriteDump(dir / "no such folder" / "dump.txt", "lost\n", DumpMode::Append);
    EXPECT_FALSE(std::filesystem::exists(dir / "no such folder"));
}

// Dumps have fixed names in a folder that may be shared (/tmp): whoever puts a link there must
// not have the user's dump overwrite, or add to, the file it points at.
TEST(DumpFileTest, ALinkInTheDumpsPlaceIsNotFollowed) {
    testing::TempDir dir;
    const auto target = dir / "precious.txt";
    const auto dump = dir / "debug_html.html";
    for (const DumpMode mode : {DumpMode::Append, DumpMode::Overwrite}) {
        testing::WriteFile(target, "keep me\n");
        std::filesystem::remove(dump);
        std::filesystem::create_symlink(target, dump);
        WriteDump(dump, "dumped\n", mode);
        EXPECT_EQ(testing::ReadFile(target), "keep me\n");
        EXPECT_TRUE(std::filesystem::is_symlink(dump));
    }
}

}  // namespace
}  // namespace quirelle
