// Every member of a large book, extracted one by one as the reader does: each extraction opens
// the archive and walks its directory afresh.
#include <benchmark/benchmark.h>

#include <random>

#include "package/archive.hpp"
#include "support/epub_fixture.hpp"

namespace {

using quirelle::testing::Member;

// A book of 1,000 chapters of about 20 KB of prose-like text and 200 incompressible pictures.
const std::string& LargeBook() {
    static quirelle::testing::TempDir dir;
    static const std::string path = [] {
        std::vector<Member> members = quirelle::testing::MinimalBookMembers();
        std::mt19937 random(42);
        const char* words[] = {"the ",   "lighthouse ", "keeper ", "wrote ", "a ",     "letter ",
                               "every ", "evening, ",   "while ",  "waves ", "broke. "};
        for (int i = 0; i < 1000; ++i) {
            std::string text = "<html><body><p>";
            while (text.size() < 20000) {
                text += words[random() % std::size(words)];
            }
            text += "</p></body></html>";
            members.push_back({"OEBPS/Text/chapter" + std::to_string(i) + ".xhtml", text});
        }
        for (int i = 0; i < 200; ++i) {
            std::string bytes(30000, '\0');
            for (char& c : bytes) {
                c = static_cast<char>(random());
            }
            members.push_back({"OEBPS/Images/picture" + std::to_string(i) + ".jpg", bytes,
                               quirelle::testing::Compression::Store});
        }
        const std::string file = (dir / "large.epub").string();
        quirelle::testing::WriteArchive(file, members);
        return file;
    }();
    return path;
}

void BM_ExtractEveryMember(benchmark::State& state) {
    const std::string& book = LargeBook();
    const std::vector<std::string> names = quirelle::ListEntries(book);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& name : names) {
            quirelle::ArchiveBuffer buffer;
            if (!quirelle::ExtractEntry(book, name, buffer)) {
                state.SkipWithError(("cannot extract " + name).c_str());
                return;
            }
            bytes += buffer.size;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["members"] = static_cast<double>(names.size());
}
BENCHMARK(BM_ExtractEveryMember)->Unit(benchmark::kMillisecond);

void BM_LoadDocumentFromLargeBook(benchmark::State& state) {
    quirelle::BookState book;
    book.archivePath = LargeBook();
    book.documents.resize(1);
    book.documents[0].href = "chapter999.xhtml";
    book.documentCount = 1;
    quirelle::ArchiveBuffer text =
        quirelle::ArchiveBuffer::WithCapacity(quirelle::kDocumentTextCapacity);
    for (auto _ : state) {
        if (!quirelle::LoadDocument(0, book, text, {})) {
            state.SkipWithError("cannot load");
            return;
        }
        benchmark::DoNotOptimize(text.data.get());
    }
}
BENCHMARK(BM_LoadDocumentFromLargeBook)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
