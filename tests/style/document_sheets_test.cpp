#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "document/document_tree.hpp"
#include "style/style_resolver.hpp"

namespace quirelle {
namespace {

// A book of sheets, counting how often each member is read.
struct Members {
    std::map<std::string, std::string> files;
    std::map<std::string, int> reads;
    MemberReader Reader() {
        return [this](std::string_view path) -> std::optional<std::string> {
            ++reads[std::string(path)];
            const auto found = files.find(std::string(path));
            return found == files.end() ? std::nullopt : std::optional(found->second);
        };
    }
};

// The selectors of every rule of the sheets, in cascade order.
std::string Selectors(const std::vector<std::shared_ptr<const CssSheet>>& sheets) {
    std::string out;
    for (const auto& sheet : sheets) {
        for (const CssStyleRule& rule : sheet->rules) {
            out += (out.empty() ? "" : " ") + rule.selectorText;
        }
    }
    return out;
}

DocumentTree Chapter(const std::string& head) {
    return DocumentTree::Parse("<html xmlns='http://www.w3.org/1999/xhtml'><head>" + head +
                               "</head><body/></html>");
}

TEST(DocumentSheetsTest, ImportsLinksAndStyleElementsInCascadeOrder) {
    Members book;
    book.files = {{"OEBPS/css/a.css", "@import 'b.css'; a {x:1}"},
                  {"OEBPS/css/b.css", "@import 'a.css'; b {x:1}"},
                  {"OEBPS/css/c.css", "c {x:1}"}};
    const DocumentTree tree = Chapter(
        "<link rel='stylesheet' href='../css/a.css'/><style>s {x:1}</style>"
        "<link rel='alternate stylesheet' href='../css/c.css'/>"
        "<link rel='stylesheet' media='print' href='../css/c.css'/>"
        "<link rel='stylesheet' href='../css/missing.css'/>");
    // b imports a again: the cycle is read once.
    EXPECT_EQ(Selectors(DocumentSheets(tree, "OEBPS/text/ch1.xhtml", book.Reader())), "b a s");
}

TEST(DocumentSheetsTest, ABooksSheetsAreReadOnceForAllItsChapters) {
    Members book;
    book.files = {{"OEBPS/main.css", "@import 'base.css'; p {x:1}"},
                  {"OEBPS/base.css", "body {x:1}"}};
    const DocumentTree tree = Chapter("<link rel='stylesheet' href='main.css'/>");
    SheetCache cache;
    for (const char* chapter : {"OEBPS/ch1.xhtml", "OEBPS/ch2.xhtml", "OEBPS/ch3.xhtml"}) {
        SCOPED_TRACE(chapter);
        EXPECT_EQ(Selectors(DocumentSheets(tree, chapter, book.Reader(), &cache)), "body p");
    }
    EXPECT_EQ(book.reads["OEBPS/main.css"], 1);
    EXPECT_EQ(book.reads["OEBPS/base.css"], 1);
}

}  // namespace
}  // namespace quirelle
