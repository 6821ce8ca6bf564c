// Opening a large book: container, a package of 2,000 manifest items and 1,000 spine entries,
// the page list, and the first document.
#include <benchmark/benchmark.h>

#include "package/package_document.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "view/document_view.hpp"

namespace {

const std::string& LargePackageBook() {
    static quirelle::testing::TempDir dir;
    static const std::string path = [] {
        std::string manifest;
        std::string spine;
        std::vector<quirelle::testing::Member> chapters;
        for (int i = 0; i < 2000; ++i) {
            const std::string id = "item" + std::to_string(i);
            manifest += "<item id=\"" + id + "\" href=\"Text/" + id +
                        ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
            if (i < 1000) {
                spine += "<itemref idref=\"" + id + "\"/>\n";
            }
        }
        chapters.push_back(
            {"OEBPS/Text/item0.xhtml", quirelle::testing::XhtmlPage("<p>First</p>")});
        const std::string file = (dir / "large-package.epub").string();
        quirelle::testing::WriteArchive(
            file, quirelle::testing::BookMembers(
                      quirelle::testing::PackageDocument(manifest, spine), chapters));
        return file;
    }();
    return path;
}

void BM_LoadBook(benchmark::State& state) {
    const std::string& book = LargePackageBook();
    quirelle::HeadlessFrontend frontend;
    quirelle::DocumentView view(frontend);
    for (auto _ : state) {
        view.LoadBook(book);
        if (view.Data().book.documentCount != 1000) {
            state.SkipWithError("the reading order is incomplete");
            return;
        }
    }
}
BENCHMARK(BM_LoadBook)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
