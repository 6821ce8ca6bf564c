// What the user waits for on the view's own path. Opening a page lays it out for the view's area
// and draws its top: for a 200 KB chapter at 1000 x 800 that is timed against one bare expat
// pass over the same text (the cost of reading the document at all); the goal is a ratio of at
// most 10. Chapters of as many bytes in Chinese and in Arabic, whose text needs font fallback,
// shaping and (for Arabic) right-to-left reordering, have a goal of at most 20. A scroll step
// only paints the layout the view keeps, and is timed near the end of a short and of a very long
// chapter.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <algorithm>
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

// The chapters the openings are timed on; the number is also the bare expat pass's argument.
enum Prose : int { kLatin, kLatinStyled, kChinese, kArabic };

// A class attribute for most elements of a styled chapter, none for a plain one.
std::string ClassOf(std::mt19937& random, bool styled, const char* prefix) {
    return styled && random() % 8 != 0
               ? std::string(" class=\"") + prefix + std::to_string(random() % 300) + "\""
               : std::string();
}

// Now and then the text in one of the inline elements real books use.
std::string Inline(std::mt19937& random, bool styled, const std::string& text) {
    switch (random() % 40) {
        case 0:
            return "<em" + ClassOf(random, styled, "emph") + ">" + text + "</em>";
        case 1:
            return "<strong" + ClassOf(random, styled, "emph") + ">" + text + "</strong>";
        case 2:
            return "<a href=\"c8.xhtml\">" + text + "</a>";
        default:
            return text;
    }
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

// About 200 KB (or `bytes`) of prose in paragraphs, with the inline elements real books use;
// styled, most paragraphs and inline elements carry a class, as in books made by publishing
// tools, and the page's style element holds the sheet above.
std::string MakeChapter(bool styled, std::size_t bytes = 200'000) {
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
        while (body.size() < bytes) {
            body += "<p" + ClassOf(random, styled, "para") + ">";
            const int length = 40 + static_cast<int>(random() % 120);
            for (int i = 0; i < length; ++i) {
                const char* word = words[random() % std::size(words)];
                body += Inline(random, styled, word);
                body += i + 1 < length ? " " : ".";
            }
            body += "</p>\n";
        }
        return quirelle::testing::Page(body, styled ? "<style>" + Sheet() + "</style>" : "");
    }
}

// About 200 KB of prose in a script of its own: paragraphs of a few of its sentences, drawn at
// random, joined by `gap` (nothing where the script puts no spaces between words).
std::string MakeProse(const char* heading, const std::vector<const char*>& sentences,
                      const char* gap, const std::string& htmlAttributes) {
    std::mt19937 random(7);
    std::string body = std::string("<h1>") + heading + "</h1>\n";
    while (body.size() < 200'000) {
        body += "<p>";
        const int length = 2 + static_cast<int>(random() % 6);
        for (int i = 0; i < length; ++i) {
            const char* sentence = sentences[random() % sentences.size()];
            body += Inline(random, false, sentence);
            body += i + 1 < length ? gap : "";
        }
        body += "</p>\n";
    }
    return quirelle::testing::Page(body, "", htmlAttributes);
}

std::string MakeChineseChapter() {
    return MakeProse(
        "第七章　小镇",
        {"清晨，薄雾笼罩着整个小镇，河面上漂着几只早起的渔船。",
         "老人沿着石板路慢慢走向码头，手里提着一只装满鱼饵的竹篮。",
         "“今天的风不大，应该能打到不少鱼。”他一边走一边自言自语。",
         "街角的早点铺已经开门了，蒸笼里冒出阵阵白气，空气中弥漫着包子和豆浆的香味。",
         "孩子们背着书包跑过桥头，笑声在安静的街道上显得格外清脆。",
         "镇上的图书馆建于1928年，是一座两层的木结构建筑，至今仍有许多人每天来这里读书。",
         "管理员王阿姨在这里工作了三十多年，她几乎认识每一位常来的读者。",
         "有人问她为什么不退休，她笑着说：“书比人还需要照顾。”",
         "午后，太阳躲进了云层，天色渐渐暗了下来，一场大雨似乎就要来临。",
         "商贩们急忙收起摊位上的水果、蔬菜和布匹，行人也加快了脚步。",
         "雨停以后，空气变得格外清新，远处的山峦在夕阳下泛着金色的光。",
         "晚饭时，一家人围坐在桌旁，谈论着这一天发生的大小事情；窗外，蟋蟀开始了它们的歌唱。",
         "你还记得我们第一次来这里的时候吗？那时候桥还是木头做的！",
         "他在日记里写道：“生活虽然平凡，却处处都有值得珍惜的东西。”",
         "《小镇往事》是她最喜欢的一本书，她已经读了不下十遍。"},
        "", R"(xml:lang="zh-Hans" lang="zh-Hans")");
}

std::string MakeArabicChapter() {
    return MakeProse(
        "الفصل السابع",
        {"استيقظ سامي في الساعة 6:30 صباحا، وشرب فنجانا من القهوة قبل أن يخرج إلى العمل.",
         "كان الطريق إلى المدينة مزدحما بالسيارات والحافلات، فوصل متأخرا بعشر دقائق.",
         "في المكتب فتح حاسوبه وقرأ رسالة من مديره تطلب تقريرا عن مبيعات عام 2023.",
         "قال له زميله: هل جربت برنامج Excel الجديد؟ إنه أسرع بكثير من النسخة القديمة.",
         "بلغ عدد العملاء في الربع الأول 1250 عميلا، أي بزيادة قدرها 15 في المئة.",
         "بعد الظهر اجتمع الفريق لمناقشة خطة المشروع الجديد الذي يحمل اسم Horizon.",
         "اقترحت ليلى أن يبدأ العمل في شهر مارس، وأن ينتهي قبل نهاية الصيف.",
         "تقع المدينة القديمة على ضفة النهر، وتشتهر بأسواقها الضيقة ومساجدها الجميلة.",
         "يزورها كل عام أكثر من 200000 سائح من مختلف أنحاء العالم.",
         "في المساء جلس سامي في المقهى يقرأ رواية لنجيب محفوظ، ويستمع إلى صوت المطر.",
         "أرسل إلى أخيه رسالة عبر WhatsApp يخبره فيها بأنه سيزور العائلة في عطلة نهاية الأسبوع.",
         "قالت أمه في الهاتف: «لا تنس أن تحضر معك الكتب التي وعدت بها الأطفال».",
         "كانت الرحلة بالقطار تستغرق ساعتين و45 دقيقة، لكنها مرت بسرعة بين الحديث والنوافذ "
         "المفتوحة.",
         "هل تعلم أن أول مكتبة عامة في المدينة افتتحت سنة 1890؟"},
        " ", R"(xml:lang="ar" lang="ar" dir="rtl")");
}

const std::string& Chapter(Prose prose = kLatin) {
    static const std::string chapters[] = {MakeChapter(false), MakeChapter(true),
                                           MakeChineseChapter(), MakeArabicChapter()};
    return chapters[prose];
}

// A view showing one chapter of a book in memory, as the window shows it.
class Reader {
  public:
    explicit Reader(const std::string& text) {
        quirelle::DocumentViewData& data = view_.Data();
        data.book.archivePath = "(in memory)";
        std::memcpy(data.documentText.data.get(), text.c_str(), text.size() + 1);
        data.documentText.size = static_cast<std::uint32_t>(text.size());
        data.areaWidth = 1000;
        data.areaHeight = 800;
    }
    // The page laid out afresh for the view's area, as loading it does, without drawing it.
    void LayOut() { view_.LayOutShown(true); }
    // One draw onto the window's surface, which lives on from draw to draw, at `scrollY`.
    void Draw(double scrollY) {
        view_.Data().scrollY = scrollY;
        quirelle::CairoContext cr(cairo_create(window_.get()));
        view_.Draw(cr.get(), 1000, 800);
    }
    // Opening the page: laid out, then its top drawn.
    void Open() {
        LayOut();
        Draw(0.0);
    }
    double PageHeight() const {
        const auto& shown = view_.Data().shown;
        return shown ? shown->page.height : 0.0;
    }

  private:
    quirelle::HeadlessFrontend frontend_;
    quirelle::DocumentView view_{frontend_};
    quirelle::CairoSurface window_{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 800)};
};

void OpenChapter(benchmark::State& state, Prose prose) {
    Reader reader(Chapter(prose));
    for (auto _ : state) {
        reader.Open();
    }
    state.counters["height"] = reader.PageHeight();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Chapter(prose).size()));
}

void BM_OpenPage(benchmark::State& state) {
    OpenChapter(state, kLatin);
}
BENCHMARK(BM_OpenPage)->Unit(benchmark::kMillisecond);

// The same for a chapter whose elements carry classes, with a sheet of 600 rules.
void BM_OpenPageStyled(benchmark::State& state) {
    OpenChapter(state, kLatinStyled);
}
BENCHMARK(BM_OpenPageStyled)->Unit(benchmark::kMillisecond);

void BM_OpenPageChinese(benchmark::State& state) {
    OpenChapter(state, kChinese);
}
BENCHMARK(BM_OpenPageChinese)->Unit(benchmark::kMillisecond);

void BM_OpenPageArabic(benchmark::State& state) {
    OpenChapter(state, kArabic);
}
BENCHMARK(BM_OpenPageArabic)->Unit(benchmark::kMillisecond);

// The chapter opened from a book, with a photograph in view at the top of the page: the picture
// is decoded once, then every opening only lays it out and copies it.
void BM_OpenPageWithPicture(benchmark::State& state) {
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
    quirelle::DocumentViewData& data = view.Data();
    quirelle::CairoSurface window(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 800));
    data.areaWidth = 1000;
    data.areaHeight = 800;
    if (!view.OpenBook(book) || !data.shown || data.shown->page.pictures.size() != 1) {
        state.SkipWithError("the picture was not placed");
        return;
    }
    for (auto _ : state) {
        view.LayOutShown(true);
        quirelle::CairoContext cr(cairo_create(window.get()));
        view.Draw(cr.get(), 1000, 800);
    }
}
BENCHMARK(BM_OpenPageWithPicture)->Unit(benchmark::kMillisecond);

// The layout alone, as when a page is measured: every position, nothing drawn.
void BM_LayOutPage(benchmark::State& state) {
    Reader reader(Chapter());
    for (auto _ : state) {
        reader.LayOut();
    }
    state.counters["height"] = reader.PageHeight();
}
BENCHMARK(BM_LayOutPage)->Unit(benchmark::kMillisecond);

void BM_BareExpatPass(benchmark::State& state) {
    const std::string& text = Chapter(static_cast<Prose>(state.range(0)));
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
// The argument is the chapter's Prose: 1 the styled one, 2 the Chinese, 3 the Arabic.
BENCHMARK(BM_BareExpatPass)
    ->Arg(kLatin)
    ->Arg(kLatinStyled)
    ->Arg(kChinese)
    ->Arg(kArabic)
    ->Unit(benchmark::kMillisecond);

// The PDF export of a book of three such chapters: measuring, then one page per chapter. The
// argument is the chapters' Prose; the Arabic one mixes fonts in every line, and each piece of
// text cairo is given costs the PDF's page analysis more.
void BM_ExportPdf(benchmark::State& state) {
    static quirelle::testing::TempDir dir;
    const auto prose = static_cast<Prose>(state.range(0));
    const std::string book = (dir / ("export" + std::to_string(prose) + ".epub")).string();
    std::string manifest, spine;
    std::vector<quirelle::testing::Member> chapters;
    for (int i = 0; i < 3; ++i) {
        const std::string id = "c" + std::to_string(i);
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"" + id + "\"/>";
        chapters.push_back({"OEBPS/" + id + ".xhtml", Chapter(prose)});
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
BENCHMARK(BM_ExportPdf)->Arg(kLatin)->Arg(kArabic)->Unit(benchmark::kMillisecond);

// A wheel step of 40 pixels near the end of a chapter, drawn as the window draws it, after the
// chapter was laid out as opening it lays it out. The argument is the chapter's size: 8 KB, and
// a novel published as one 3.5 MB chapter. The goal: the long chapter's step takes at most
// twice the short one's, and under 10 ms.
void BM_ScrollStep(benchmark::State& state) {
    Reader reader(MakeChapter(false, static_cast<std::size_t>(state.range(0))));
    reader.LayOut();
    const double last = std::max(0.0, reader.PageHeight() - 800.0 - 400.0);
    double y = last;
    for (auto _ : state) {
        y = y + 40.0 > last + 400.0 ? last : y + 40.0;
        reader.Draw(y);
    }
    state.counters["offset"] = last;
}
BENCHMARK(BM_ScrollStep)->Arg(8'000)->Arg(3'500'000)->Unit(benchmark::kMillisecond);

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
        const struct {
            const char* open;
            const char* expat;
            int goal;
        } ratios[] = {{"BM_OpenPage", "BM_BareExpatPass/0", 10},
                      {"BM_OpenPageStyled", "BM_BareExpatPass/1", 10},
                      {"BM_OpenPageWithPicture", "BM_BareExpatPass/0", 10},
                      {"BM_OpenPageChinese", "BM_BareExpatPass/2", 20},
                      {"BM_OpenPageArabic", "BM_BareExpatPass/3", 20}};
        const auto shortStep = seconds_.find("BM_ScrollStep/8000");
        const auto longStep = seconds_.find("BM_ScrollStep/3500000");
        if (shortStep != seconds_.end() && longStep != seconds_.end() && shortStep->second > 0) {
            std::printf(
                "BM_ScrollStep at the end of 3.5 MB / of 8 KB (CPU time): %.2f, %.2f ms "
                "(goal: at most 2, under 10 ms)\n",
                longStep->second / shortStep->second, longStep->second);
        }
        for (const auto& [openName, expatName, goal] : ratios) {
            const auto open = seconds_.find(openName);
            const auto expat = seconds_.find(expatName);
            if (open != seconds_.end() && expat != seconds_.end() && expat->second > 0) {
                std::printf("%s / bare expat pass (CPU time): %.2f (goal: at most %d)\n", openName,
                            open->second / expat->second, goal);
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
