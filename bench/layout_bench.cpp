// The hot path: every scroll step lays the whole document out again. One redraw of a 200 KB
// chapter at 1000 x 800 is timed against one bare expat pass over the same text (the cost of
// reading the document at all); the goal is a ratio of at most 10. The plain per-glyph drawing
// is timed too, for comparison.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>

#include "export/pdf_export.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/layout_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "view/document_view.hpp"

namespace {

// About 200 KB of prose in paragraphs, with the inline elements real books use; styled, most
// paragraphs and inline elements carry a class, as in books made by publishing tools.
std::string MakeChapter(bool styled) {
    {
        const char* words[] = {"the",
                               "keeper",
                               "climbed",
                               "slowly",
                               "to",
                               "gallery",
                               "while",
                               "waves",
                               "broke",
                               "against",
                               "granite",
                               "and",
                               "lamp",
                               "turned",
                               "its",
                               "long",
                               "beam",
                               "over",
                               "dark",
                               "water,",
                               "patient.",
                               "caf\xC3\xA9",
                               "\xE2\x80\x9Chello\xE2\x80\x9D"};
        std::mt19937 random(7);
        std::string body = "<h1>Chapter Seven</h1>\n";
        auto classOf = [&](const char* prefix) {
            return styled && random() % 8 != 0
                       ? std::string(" class=\"") + prefix + std::to_string(random() % 300) + "\""
                       : std::string();
        };
        while (body.size() < 200'000) {
            body += "<p" + classOf("para") + ">";
            const int length = 40 + static_cast<int>(random() % 120);
            for (int i = 0; i < length; ++i) {
                const char* word = words[random() % std::size(words)];
                switch (random() % 40) {
                    case 0:
                        body += "<em" + classOf("emph") + ">" + word + "</em>";
                        break;
                    case 1:
                        body += "<strong" + classOf("emph") + ">" + word + "</strong>";
                        break;
                    case 2:
                        body += std::string("<a href=\"c8.xhtml\">") + word + "</a>";
                        break;
                    default:
                        body += word;
                }
                body += i + 1 < length ? " " : ".";
            }
            body += "</p>\n";
        }
        return quirelle::testing::Page(body);
    }
}

const std::string& Chapter(bool styled = false) {
    static const std::string plain = MakeChapter(false);
    static const std::string classes = MakeChapter(true);
    return styled ? classes : plain;
}

// A sheet of a real book's size: 600 rules for elements, classes and element.class pairs.
const std::string& Sheet() {
    static const std::string sheet = [] {
        const char* colours[] = {"#1e1e1e", "navy", "rgb(40, 70, 110)", "darkslategray"};
        std::string text = "@charset \"UTF-8\";\n/* generated */\n";
        for (int i = 0; i < 300; ++i) {
            text += "p.para" + std::to_string(i) + " { font-family: \"Times New Roman\", serif; " +
                    "font-size: 1." + std::to_string(i % 10) + "em; color: " + colours[i % 4] +
                    "; text-align: " + (i % 3 ? "justify" : "center") + " }\n";
            text += ".emph" + std::to_string(i) +
                    " { font-style: italic; font-weight: " + (i % 2 ? "bold" : "normal") + " }\n";
        }
        text += "p { font-size: 1.05em } h1 { text-align: center; color: chocolate }\n";
        return text;
    }();
    return sheet;
}

class Redraw {
  public:
    explicit Redraw(bool reference, bool styled = false) {
        quirelle::DocumentViewData& data = view_.Data();
        data.book.archivePath = "(in memory)";
        data.layout.referenceRendering = reference;
        if (styled) {
            data.layout.styleSheet.ParseStyleSheet(Sheet(), false);
        }
        const std::string& text = Chapter(styled);
        std::memcpy(data.documentText.data.get(), text.c_str(), text.size() + 1);
        data.documentText.size = static_cast<std::uint32_t>(text.size());
        data.layout.scrollY = 4000;  // somewhere in the middle, as while reading
    }
    // One draw onto the window's surface, which lives on from draw to draw.
    void Run() {
        quirelle::CairoContext cr(cairo_create(window_.get()));
        view_.Draw(cr.get(), 1000, 800);
    }
    // The pass alone, as when a page is measured: every position, no glyph drawn.
    void Measure() {
        quirelle::CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
        quirelle::CairoContext cr(cairo_create(surface.get()));
        quirelle::DocumentViewData& data = view_.Data();
        data.layout.areaWidth = 1000;
        data.layout.areaHeight = 800;
        data.layout.state.ShowNothing();
        view_.RenderPage(cr.get(), data.documentText.Text());
    }
    double ContentHeight() const { return view_.Data().layout.state.contentHeight; }

  private:
    quirelle::HeadlessFrontend frontend_;
    quirelle::DocumentView view_{frontend_};
    quirelle::CairoSurface window_{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 800)};
};

void BM_Redraw(benchmark::State& state) {
    Redraw redraw(false);
    for (auto _ : state) {
        redraw.Run();
    }
    state.counters["height"] = redraw.ContentHeight();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Chapter().size()));
}
BENCHMARK(BM_Redraw)->Unit(benchmark::kMillisecond);

// The same redraw of a chapter whose elements carry classes, with a sheet of 600 rules.
void BM_RedrawStyled(benchmark::State& state) {
    Redraw redraw(false, true);
    for (auto _ : state) {
        redraw.Run();
    }
    state.counters["height"] = redraw.ContentHeight();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Chapter(true).size()));
}
BENCHMARK(BM_RedrawStyled)->Unit(benchmark::kMillisecond);

// The redraw of the chapter read from a book, with a photograph in view at the top of the page:
// the picture is decoded once, then every redraw only copies it.
void BM_RedrawWithPicture(benchmark::State& state) {
    static quirelle::testing::TempDir dir;
    const std::string book = (dir / "picture.epub").string();
    std::string chapter = Chapter();
    chapter.insert(chapter.find("<p>"), R"(<p><img src="photo.jpg" alt=""/></p>)");
    quirelle::testing::WriteArchive(
        book, quirelle::testing::BookMembers(
                  quirelle::testing::PackageDocument(
                      R"(<item id="c" href="c.xhtml" media-type="application/xhtml+xml"/>)",
                      R"(<itemref idref="c"/>)"),
                  {{"OEBPS/c.xhtml", chapter},
                   {"OEBPS/photo.jpg", quirelle::testing::JpegOfColor(600, 400, {90, 120, 200})}}));
    quirelle::HeadlessFrontend frontend;
    quirelle::DocumentView view(frontend);
    quirelle::CairoSurface window(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 800));
    view.Data().layout.areaWidth = 1000;
    view.Data().layout.areaHeight = 800;
    if (!view.OpenBook(book) || view.Data().layout.state.pictureIndex != 1) {
        state.SkipWithError("the picture was not placed");
        return;
    }
    for (auto _ : state) {
        quirelle::CairoContext cr(cairo_create(window.get()));
        view.Draw(cr.get(), 1000, 800);
    }
}
BENCHMARK(BM_RedrawWithPicture)->Unit(benchmark::kMillisecond);

void BM_MeasurePass(benchmark::State& state) {
    Redraw redraw(false);
    for (auto _ : state) {
        redraw.Measure();
    }
    state.counters["height"] = redraw.ContentHeight();
}
BENCHMARK(BM_MeasurePass)->Unit(benchmark::kMillisecond);

void BM_RedrawPlainPerGlyph(benchmark::State& state) {
    Redraw redraw(true);
    for (auto _ : state) {
        redraw.Run();
    }
    state.counters["height"] = redraw.ContentHeight();
}
BENCHMARK(BM_RedrawPlainPerGlyph)->Unit(benchmark::kMillisecond);

void BM_BareExpatPass(benchmark::State& state) {
    const std::string& text = Chapter(state.range(0) != 0);
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(
            parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        benchmark::DoNotOptimize(XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1));
        XML_ParserFree(parser);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
// Argument 1: over the styled chapter.
BENCHMARK(BM_BareExpatPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The PDF export of a book of three such chapters: measuring, then one page per chapter.
void BM_ExportPdf(benchmark::State& state) {
    static quirelle::testing::TempDir dir;
    const std::string book = (dir / "export.epub").string();
    std::string manifest, spine;
    std::vector<quirelle::testing::Member> chapters;
    for (int i = 0; i < 3; ++i) {
        const std::string id = "c" + std::to_string(i);
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"" + id + "\"/>";
        chapters.push_back({"OEBPS/" + id + ".xhtml", Chapter()});
    }
    quirelle::testing::WriteArchive(
        book, quirelle::testing::BookMembers(quirelle::testing::PackageDocument(manifest, spine),
                                             chapters));
    quirelle::HeadlessFrontend frontend;
    quirelle::DocumentView view(frontend);
    view.OpenBook(book);
    const std::string pdf = (dir / "export.pdf").string();
    for (auto _ : state) {
        quirelle::MeasurePages(view, 0, 2);
        if (!quirelle::ExportPdfPages(view, pdf, 0, 2)) {
            state.SkipWithError("cannot write the PDF");
            return;
        }
    }
}
BENCHMARK(BM_ExportPdf)->Unit(benchmark::kMillisecond);

// Prints the results as usual, then the ratio the goal is about.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, the medians stand for the benchmarks.
            std::string name = run.benchmark_name();
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name != "median") {
                    continue;
                }
                name = run.run_name.function_name +
                       (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            }
            seconds_[name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const std::pair<const char*, const char*> ratios[] = {
            {"BM_Redraw", "BM_BareExpatPass/0"},
            {"BM_RedrawStyled", "BM_BareExpatPass/1"},
            {"BM_RedrawWithPicture", "BM_BareExpatPass/0"}};
        for (const auto& [redrawName, expatName] : ratios) {
            const auto redraw = seconds_.find(redrawName);
            const auto expat = seconds_.find(expatName);
            if (redraw != seconds_.end() && expat != seconds_.end() && expat->second > 0) {
                std::printf("%s / bare expat pass (CPU time): %.2f (goal: at most 10)\n",
                            redrawName, redraw->second / expat->second);
            }
        }
    }

  private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
