// Text offsets: the place of a character in a document's text, as the reading position, the
// history and the search name it, and the same place as the layout knows it.
#include <gtest/gtest.h>

#include <string>

#include "document/text_offset.hpp"

namespace quirelle {
namespace {

// Text nodes: "\n  Hello,\n  " "wh" "ale  " "\u00C7a va" (the white space between the
// paragraphs is a node of its own).
constexpr const char* kDocument =
    "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>\n  Hello,\n  <i>wh</i>ale  </p>"
    "\n<p>\xC3\x87"
    "a va</p></body></html>";

TEST(TextOffsetTest, AnOffsetAndItsLayoutPlaceNameTheSameCharacter) {
    const DocumentTree tree = DocumentTree::Parse(kDocument);
    ASSERT_TRUE(tree.wellFormed());
    const struct {
        TextOffset offset;
        const char* character;
        TextOffset startsAt;  // where the place the layout keeps for it starts
    } cases[] = {
        {3, "H", 3},          {4, "e", 4},   {9, "\n", 12},  // white space: the word after it
        {12, "w", 12},        {13, "h", 13}, {14, "a", 14},  // "ale", in the node after the element
        {19, "\n", 20},        // the white space between the paragraphs
        {20, "\xC3\x87", 20},  // counted in characters, not bytes
        {22, " ", 23},        {24, "a", 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.character);
        const std::optional<InkPlace> place = InkPlaceOf(tree, c.offset);
        ASSERT_TRUE(place.has_value());
        EXPECT_EQ(TextOffsetOf(tree, *place), c.startsAt);
    }
    EXPECT_EQ(InkPlaceOf(tree, 25), std::nullopt) << "past the text";
}

TEST(TextOffsetTest, ATreeWithoutTextHasNoPlaces) {
    for (const char* text : {"", "<html/>", "not xml at all"}) {
        const DocumentTree tree = DocumentTree::Parse(text);
        EXPECT_EQ(InkPlaceOf(tree, 0), std::nullopt) << text;
        EXPECT_EQ(TextOffsetOf(tree, {kNoNode, 0}), 0u) << text;
    }
}

}  // namespace
}  // namespace quirelle
