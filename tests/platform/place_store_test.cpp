// The file of reading places: what it keeps, and what a damaged one still gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/place_store.hpp"
#include "support/epub_fixture.hpp"

namespace quirelle {
namespace {

TEST(PlaceStoreTest, PlacesSurviveASaveAndTheLastBookComesFirst) {
    testing::TempDir dir;
    const auto file = dir / "state" / "quirelle" / "places";
    PlaceStore store = PlaceStore::Load(file);
    EXPECT_EQ(store.LastBook(), "") << "a missing file is an empty store";
    store.Remember("id:one", "/books/one.epub", {3, 1200});
    store.Remember("id:two", "/books/two\twith tab.epub", {0, 5});
    store.Remember("id:one", "/books/one.epub", {4, 7});  // read again: its place moves on
    ASSERT_TRUE(store.Save());

    const PlaceStore read = PlaceStore::Load(file);
    EXPECT_EQ(read.LastBook(), "/books/one.epub");
    EXPECT_EQ(read.Find("id:one"), (ReadingPlace{4, 7}));
    EXPECT_EQ(read.Find("id:two"), (ReadingPlace{0, 5}));
    EXPECT_EQ(read.Find("id:three"), std::nullopt);
}

TEST(PlaceStoreTest, ADamagedFileLosesOnlyItsBadRecords) {
    testing::TempDir dir;
    const auto file = dir / "places";
    testing::WriteFile(file,
                       "place\tid:good\t2\t40\t/books/good.epub\n"
                       "place\tid:short\t2\n"                             // cut short
                       "place\tid:letters\tx\t40\t/books/x.epub\n"        // no number
                       "place\tid:negative\t-1\t40\t/books/n.epub\n"      // no such document
                       "place\tid:huge\t1\t99999999999\t/books/h.epub\n"  // past any offset
                       "\x01\xff garbage\n"
                       "place\t\t1\t1\t/books/nokey.epub\n"
                       "place\tid:also-good\t0\t0\t/books/also.epub");  // no final line end
    const PlaceStore store = PlaceStore::Load(file);
    EXPECT_EQ(store.Find("id:good"), (ReadingPlace{2, 40}));
    EXPECT_EQ(store.Find("id:also-good"), (ReadingPlace{0, 0}));
    for (const char* bad : {"id:short", "id:letters", "id:negative", "id:huge"}) {
        EXPECT_EQ(store.Find(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(store.LastBook(), "/books/good.epub");
}

TEST(PlaceStoreTest, ABookIsKnownByItsIdentifierElseByItsBytes) {
    testing::TempDir dir;
    testing::WriteFile(dir / "a.epub", "same bytes");
    testing::WriteFile(dir / "b.epub", "same bytes");
    testing::WriteFile(dir / "c.epub", "other bytes");
    EXPECT_EQ(BookKey("urn:uuid:1234", dir / "a.epub"), "id:urn:uuid:1234");
    EXPECT_EQ(BookKey("  ", dir / "a.epub"), BookKey("", dir / "b.epub"))
        << "a copy of a book without identifier is the same book";
    EXPECT_NE(BookKey("", dir / "a.epub"), BookKey("", dir / "c.epub"));
}

}  // namespace
}  // namespace quirelle
