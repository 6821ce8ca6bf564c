// Whole-book search on generated books of the sizes of a long novel (400 documents, 3.5 MB of
// text) and of a book of 2,000 documents, against a bare pass that only inflates and parses
// every document once, and against MuPDF's way to the same answer (its text of the whole book,
// then a count of the term). Each search checks its count against one made here from the text
// the generator put in, folded by ICU over whole paragraphs.
#include <benchmark/benchmark.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "package/archive_reader.hpp"
#include "package/book.hpp"
#include "platform/xml_parser.hpp"
#include "search/book_search.hpp"
#include "support/book_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using quirelle::testing::Member;

constexpr const char* kTerm = "Whale";

// Folded as the search folds: full case folding, then the canonical decomposition without its
// nonspacing marks.
std::u16string Folded(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString folded = icu::UnicodeString::fromUTF8(text).foldCase();
    folded = nfd->normalize(folded, status);
    std::u16string out;
    for (int32_t i = 0; i < folded.length();) {
        const UChar32 c = folded.char32At(i);
        i += U16_LENGTH(c);
        if (u_charType(c) == U_NON_SPACING_MARK ||
            u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) {
            continue;
        }
        icu::UnicodeString one(c);
        out.append(one.getBuffer(), static_cast<std::size_t>(one.length()));
    }
    return out;
}

std::size_t Count(const std::u16string& text, const std::u16string& term) {
    std::size_t count = 0;
    for (std::size_t at = text.find(term); at != std::u16string::npos;
         at = text.find(term, at + term.size())) {
        ++count;
    }
    return count;
}

struct GeneratedBook {
    fs::path file;
    std::vector<quirelle::DocumentEntry> documents;
    std::size_t textBytes = 0;
    std::size_t expectedHits = 0;
};

// Prose with the term in every form the search folds: any case, split by markup, inside longer
// words; accented and non-Latin words to keep the folding honest; and in every document a note
// the book's sheet hides, which must not count.
GeneratedBook Generate(const fs::path& folder, int count, std::size_t documentBytes,
                       unsigned seed) {
    static const char* const kWords[] = {
        "the",     "sea",     "was",     "calm",   "and",
        "grey,",   "Ishmael", "walked",  "along",  "harbour",
        "être",    "café",    "Straße",  "naïve",  "mast",
        "rope",    "sailed",  "north.",  "of",     "a",
        "lantern", "北京",    "whaling", "keeper", "\u0643\u064E\u062A\u064E\u0628\u064E"};
    // About one word in a hundred and fifty is the term in one of its forms, as often as "whale"
    // comes in Moby-Dick.
    static const char* const kTermForms[] = {"Whale", "WHALE", "whales,", "<i>wh</i>ale", "whale."};
    std::mt19937 random(seed);
    GeneratedBook book;
    book.file = folder / ("search-" + std::to_string(count) + ".epub");
    std::vector<Member> members = {{"OEBPS/Styles/book.css", ".note { display: none }"}};
    std::string manifest = R"(<item id="css" href="Styles/book.css" media-type="text/css"/>)";
    std::string spine;
    const std::u16string term = Folded(kTerm);
    for (int i = 0; i < count; ++i) {
        const std::string id = "c" + std::to_string(i);
        std::string body = "<h2>Chapter " + std::to_string(i + 1) + "</h2>\n";
        body += "<p class=\"note\">a whale of a note</p>\n";
        std::size_t shownBytes = 0;
        while (shownBytes < documentBytes) {
            std::string markup = "<p>";
            std::string shown;
            for (int w = 0; w < 90; ++w) {
                const std::string word = random() % 150 == 0
                                             ? kTermForms[random() % std::size(kTermForms)]
                                             : kWords[random() % std::size(kWords)];
                markup += (w ? " " : "") + word;
                shown += (w ? " " : "") + (word == "<i>wh</i>ale" ? std::string("whale") : word);
            }
            markup += "</p>\n";
            body += markup;
            shownBytes += shown.size();
            book.expectedHits += Count(Folded(shown), term);
        }
        book.textBytes += shownBytes;
        const std::string href = "Text/" + id + ".xhtml";
        members.push_back(
            {"OEBPS/" + href, quirelle::testing::XhtmlPage(
                                  body, quirelle::testing::SheetLink("../Styles/book.css"))});
        manifest += "<item id=\"" + id + "\" href=\"" + href +
                    "\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>";
        book.documents.push_back({id, "OEBPS/" + href, "application/xhtml+xml"});
    }
    quirelle::testing::WriteArchive(
        book.file, quirelle::testing::BookMembers(
                       quirelle::testing::PackageDocument(manifest, spine), std::move(members)));
    return book;
}

const GeneratedBook& Book(int which) {
    static quirelle::testing::TempDir folder;
    static const GeneratedBook novel = Generate(folder.path(), 400, 8960, 400);
    static const GeneratedBook pieces = Generate(folder.path(), 2000, 1800, 2000);
    return which == 0 ? novel : pieces;
}

void Describe(benchmark::State& state, const GeneratedBook& book) {
    state.counters["MB_text"] = static_cast<double>(book.textBytes) / 1e6;
    state.SetLabel(std::to_string(book.documents.size()) + " documents");
}

// Only what any search must do: every document inflated and parsed by expat, once.
class CharacterCount : public quirelle::XmlParser {
  public:
    std::size_t bytes = 0;

  protected:
    void CharacterData(std::string_view text) override { bytes += text.size(); }
};

void BM_BarePass(benchmark::State& state) {
    const GeneratedBook& book = Book(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        quirelle::ArchiveReader archive(book.file.string());
        std::size_t bytes = 0;
        for (const quirelle::DocumentEntry& entry : book.documents) {
            CharacterCount parser;
            if (const std::optional<std::string> text = archive.Read(entry.href)) {
                parser.Parse(*text);
            }
            bytes += parser.bytes;
        }
        benchmark::DoNotOptimize(bytes);
    }
    Describe(state, book);
}

void Search(benchmark::State& state, unsigned threads) {
    const GeneratedBook& book = Book(static_cast<int>(state.range(0)));
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        quirelle::BookSearch search(
            book.file.string(), book.documents, kTerm, {},
            [&hits](quirelle::DocumentHits&& result) { hits += result.hits.size(); }, {}, threads);
        search.Wait();
    }
    Describe(state, book);
    state.counters["hits"] = static_cast<double>(hits);
    if (hits != book.expectedHits) {
        state.SkipWithError(("found " + std::to_string(hits) + " hits, the reference counts " +
                             std::to_string(book.expectedHits))
                                .c_str());
    }
}

void BM_SearchEveryCore(benchmark::State& state) {
    Search(state, 0);
}

void BM_SearchOneCore(benchmark::State& state) {
    Search(state, 1);
}

// MuPDF lays the whole book out to give its text; the count of the term in that text, folded
// the same way, is the answer a search gives.
void BM_MutoolTextAndCount(benchmark::State& state) {
    const GeneratedBook& book = Book(static_cast<int>(state.range(0)));
    if (std::system("command -v mutool > /dev/null 2>&1") != 0) {
        state.SkipWithError("mutool is not installed");
        return;
    }
    const fs::path out = book.file.string() + ".txt";
    std::size_t hits = 0;
    for (auto _ : state) {
        const std::string command = "mutool draw -q -F txt -o '" + out.string() + "' '" +
                                    book.file.string() + "' > /dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("mutool failed");
            return;
        }
        std::FILE* file = std::fopen(out.c_str(), "rb");
        std::string text;
        char buffer[65536];
        for (std::size_t n; file && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            text.append(buffer, n);
        }
        if (file) {
            std::fclose(file);
        }
        hits = Count(Folded(text), Folded(kTerm));
    }
    Describe(state, book);
    state.counters["hits"] = static_cast<double>(hits);
}

BENCHMARK(BM_BarePass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
// The search works on threads of its own: its CPU time is the process's.
BENCHMARK(BM_SearchEveryCore)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_SearchOneCore)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_MutoolTextAndCount)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
