// Books made to hurt the reader: broken archives, hostile XML, CSS and pictures, huge spines.
// Each is opened in the three command-line modes and on the window's path (the view as the
// window drives it), each run in a process of its own, which must end by itself within a time
// and a memory limit. In the sanitizer build every run is also checked by the sanitizers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/epub_fixture.hpp"
#include "support/picture_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle::testing {
namespace {

using Clock = std::chrono::steady_clock;

// What a run may take. The sanitizers slow the program down several times and keep freed
// memory aside for a while, so their build gets more of both.
constexpr auto kTimeLimit = std::chrono::seconds(HOSTILE_SECONDS_LIMIT);
constexpr long kMemoryLimitKb = HOSTILE_MEMORY_LIMIT_MB * 1024L;

// Text that a file outside the book holds: a book that references the file must never show it.
constexpr const char* kSecret = "SECRET-OUTSIDE-THE-BOOK";

std::string Repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) {
        text.append(piece);
    }
    return text;
}

std::string Manifest(const std::string& id, const std::string& href,
                     const std::string& type = "application/xhtml+xml",
                     const std::string& properties = "") {
    return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"" + type + "\"" +
           (properties.empty() ? "" : " properties=\"" + properties + "\"") + "/>";
}

// A book whose reading order is the given chapters (member name under OEBPS/, its text).
std::vector<Member> ChapterBook(const std::vector<std::pair<std::string, std::string>>& chapters,
                                std::vector<Member> extra = {}, const std::string& manifest = "",
                                const std::string& metadata = "<dc:title>Hostile</dc:title>") {
    std::string items = manifest, spine;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const std::string id = "c" + std::to_string(i);
        items += Manifest(id, chapters[i].first);
        spine += "<itemref idref=\"" + id + "\"/>";
        extra.push_back({"OEBPS/" + chapters[i].first, chapters[i].second});
    }
    return BookMembers(PackageDocument(items, spine, metadata), std::move(extra));
}

std::vector<Member> OneChapter(const std::string& xhtml, std::vector<Member> extra = {},
                               const std::string& manifest = "") {
    return ChapterBook({{"chapter.xhtml", xhtml}}, std::move(extra), manifest);
}

// Rewrites the end-of-central-directory record: the number of members and where the directory
// starts, as a lying archive gives them.
void LieInDirectoryEnd(const std::filesystem::path& file, std::uint16_t members,
                       std::uint32_t offset) {
    std::string bytes = ReadFile(file);
    const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
    ASSERT_NE(end, std::string::npos);
    for (const std::size_t at : {end + 8, end + 10}) {
        bytes[at] = static_cast<char>(members & 0xff);
        bytes[at + 1] = static_cast<char>(members >> 8);
    }
    for (int i = 0; i < 4; ++i) {
        bytes[end + 16 + i] = static_cast<char>((offset >> (8 * i)) & 0xff);
    }
    WriteFile(file, bytes);
}

// Puts a NUL where each "\x7f" stands in the member names: the archive library cannot be
// asked to write one.
void PutNulsInNames(const std::filesystem::path& file) {
    std::string bytes = ReadFile(file);
    for (std::size_t at = bytes.find("nul\x7fname"); at != std::string::npos;
         at = bytes.find("nul\x7fname", at)) {
        bytes[at + 3] = '\0';
    }
    WriteFile(file, bytes);
}

// A document whose DOCTYPE makes a billion of "lol"s out of a few hundred bytes.
std::string EntityBomb(const std::string& root, const std::string& body) {
    std::string doctype = "<!DOCTYPE " + root + " [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        doctype += "<!ENTITY lol" + std::to_string(i) + " \"" +
                   Repeated("&lol" + std::to_string(i - 1) + ";", 10) + "\">\n";
    }
    return "<?xml version=\"1.0\"?>\n" + doctype + "]>\n" + body;
}

struct HostileBook {
    const char* name;
    // Writes the book at `file`; `dir` is the test's folder, for files outside the book.
    std::function<void(const std::filesystem::path& file, const std::filesystem::path& dir)> write;
};

const std::vector<HostileBook>& HostileBooks() {
    static const std::vector<HostileBook> books = {
        // The archive.
        {"truncated_archive",
         [](const auto& file, const auto&) {
             WriteArchive(file, OneChapter(XhtmlPage(Repeated("<p>Some text here.</p>", 2000))));
             std::string bytes = ReadFile(file);
             WriteFile(file, bytes.substr(0, bytes.size() * 6 / 10));
         }},
        {"directory_claims_more_members",
         [](const auto& file, const auto&) {
             WriteArchive(file, OneChapter(XhtmlPage("<p>A</p>")));
             LieInDirectoryEnd(file, 60000, 0);
         }},
        {"directory_lies_where_it_starts",
         [](const auto& file, const auto&) {
             WriteArchive(file, OneChapter(XhtmlPage("<p>A</p>")));
             std::string bytes = ReadFile(file);
             const std::size_t end = bytes.rfind(std::string("PK\x05\x06", 4));
             const std::uint16_t members =
                 static_cast<unsigned char>(bytes[end + 10]) |
                 static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[end + 11]) << 8);
             LieInDirectoryEnd(file, members, 0xfffffff0u);
         }},
        {"members_whose_headers_lie",
         [](const auto& file, const auto&) {
             WriteArchive(file,
                          ChapterBook({{"a.xhtml", XhtmlPage(Repeated("<p>Alpha beta.</p>", 500))},
                                       {"b.xhtml", XhtmlPage(Repeated("<p>Gamma.</p>", 500))},
                                       {"c.xhtml", XhtmlPage("<p><img src='p.png'/></p>")},
                                       {"d.xhtml", XhtmlPage("<p>Delta</p>")}},
                                      {{"OEBPS/p.png", PngOfColor(300, 200, {255, 0, 0})},
                                       {"OEBPS/s.css", Repeated("p { color: blue }\n", 200)}},
                                      Manifest("p", "p.png", "image/png") +
                                          Manifest("s", "s.css", "text/css")));
             DamageMember(file, "OEBPS/a.xhtml", Damage::DeclaredTooSmall);
             DamageMember(file, "OEBPS/b.xhtml", Damage::DeclaredTooLarge);
             DamageMember(file, "OEBPS/p.png", Damage::WrongCrc);
             DamageMember(file, "OEBPS/s.css", Damage::UnsupportedMethod);
             DamageMember(file, "OEBPS/content.opf", Damage::WrongCrc);
         }},
        {"members_that_inflate_past_256_mib",
         [](const auto& file, const auto&) {
             const std::string huge(300u << 20, 'a');
             WriteArchive(file, ChapterBook({{"honest.xhtml", huge},
                                             {"lying.xhtml", huge},
                                             {"p.xhtml", XhtmlPage("<img src='big.png'/>")}},
                                            {{"OEBPS/big.png", huge}},
                                            Manifest("big", "big.png", "image/png")));
             // One says its size, the other claims a few kilobytes.
             DeclareSize(file, "OEBPS/lying.xhtml", 4096);
             DeclareSize(file, "OEBPS/big.png", 4096);
         }},
        {"protected_book",
         [](const auto& file, const auto&) {
             std::vector<Member> members = OneChapter(XhtmlPage("<p>Locked</p>"));
             members.push_back({"META-INF/rights.xml", "<rights/>"});
             WriteArchive(file, members);
         }},
        {"names_that_leave_the_book",
         [](const auto& file, const auto&) {
             WriteArchive(
                 file, ChapterBook({{"../../escape.xhtml", XhtmlPage("<p>Up</p>")},
                                    {"/absolute.xhtml", XhtmlPage("<p>Root</p>")},
                                    {"nul\x7fname.xhtml", XhtmlPage("<p>Nul</p>")},
                                    {"links.xhtml", XhtmlPage("<p><a href='../../../etc/passwd'>"
                                                              "x</a><img src='/etc/passwd'/>"
                                                              "<img src='../../../x.png'/></p>")}},
                                   {{"../../escape-too.png", PngOfColor(10, 10, {})}},
                                   Manifest("f", "file:///etc/passwd")));
             PutNulsInNames(file);
         }},
        // XML.
        {"xml_not_well_formed",
         [](const auto& file, const auto&) {
             std::vector<Member> members =
                 ChapterBook({{"a.xhtml", "<html><body><p>open <b>never closed</p></body"},
                              {"b.xhtml",
                               "<?xml version=\"1.0\"?><html><body>&undefined; <p a='1' "
                               "a='2'>dup</p><\x01/>"},
                              {"c.xhtml", std::string("<html>\0<body>nul</body></html>", 30)}});
             members.push_back({"OEBPS/toc.ncx", "<ncx><navMap><navPoint><navLabel><text>x"});
             WriteArchive(file, members);
         }},
        {"package_not_well_formed",
         [](const auto& file, const auto&) {
             WriteArchive(file, BookMembers("<?xml version=\"1.0\"?><package><manifest><item id="
                                            "'a' href='a.xhtml' media-type='application/xhtml",
                                            {{"OEBPS/a.xhtml", XhtmlPage("<p>A</p>")}}));
         }},
        {"nested_100000_elements",
         [](const auto& file, const auto&) {
             WriteArchive(file, OneChapter(XhtmlPage(Repeated("<div><span>", 50000) + "deep" +
                                                     Repeated("</span></div>", 50000) +
                                                     Repeated("<blockquote>", 100000) + "deeper")));
         }},
        {"attribute_of_10_mb",
         [](const auto& file, const auto&) {
             const std::string huge(10u << 20, 'x');
             WriteArchive(file, ChapterBook({{"a.xhtml", XhtmlPage("<p title='" + huge + "' id='" +
                                                                   huge + "'>text</p>")}},
                                            {}, "", "<dc:title id='" + huge + "'>T</dc:title>"));
         }},
        {"text_runs_without_a_break",
         [](const auto& file, const auto&) {
             WriteArchive(
                 file,
                 ChapterBook(
                     {{"fits.xhtml", XhtmlPage("<p>" + std::string(7u << 20, 'w') + "</p>")},
                      {"run50mb.xhtml", XhtmlPage("<p>" + std::string(50u << 20, 'w') + "</p>")},
                      {"cjk.xhtml", XhtmlPage("<p>" + Repeated("中", 1u << 20) + "</p>")}}));
         }},
        {"entity_expansion",
         [](const auto& file, const auto&) {
             WriteArchive(
                 file,
                 BookMembers(EntityBomb("package",
                                        "<package xmlns=\"http://www.idpf.org/2007/opf\" "
                                        "version=\"3.0\"><metadata><dc:title xmlns:dc=\"http://"
                                        "purl.org/dc/elements/1.1/\">&lol9;</dc:title></metadata>"
                                        "<manifest>" +
                                            Manifest("a", "a.xhtml") +
                                            "</manifest><spine><itemref idref=\"a\"/></spine>"
                                            "</package>"),
                             {{"OEBPS/a.xhtml",
                               EntityBomb("html", "<html><body><p>&lol9;</p></body></html>")}}));
         }},
        {"external_entities",
         [](const auto& file, const auto& dir) {
             const std::string secret = "file://" + (dir / "secret.txt").string();
             WriteFile(dir / "secret.txt", kSecret);
             const std::string doctype =
                 "<!DOCTYPE html [<!ENTITY secret SYSTEM \"" + secret +
                 "\"><!ENTITY web SYSTEM \"http://192.0.2.1/x\">"
                 "<!ENTITY % remote SYSTEM \"http://192.0.2.1/y\"> %remote;]>";
             WriteArchive(file,
                          ChapterBook({{"a.xhtml", "<?xml version=\"1.0\"?>" + doctype +
                                                       "<html><body><p>&secret;</p><p>&web;</p>"
                                                       "</body></html>"}},
                                      {}, "", "<dc:title>&amp;secret; T</dc:title>"));
         }},
        // CSS.
        {"css_that_never_closes",
         [](const auto& file, const auto&) {
             WriteArchive(file, OneChapter(XhtmlPage("<p class='a'>A</p><div>B</div>"),
                                           {{"OEBPS/s.css",
                                             "p { color: red; { { } div { "
                                             "font-size: 20px; } } } @media { p {"
                                             " color: \"unclosed; } /* never ends"}},
                                           Manifest("s", "s.css", "text/css")));
         }},
        {"css_of_100000_rules",
         [](const auto& file, const auto&) {
             std::string css;
             for (int i = 0; i < 100000; ++i) {
                 css += ".c" + std::to_string(i) + " { color: #" + std::to_string(100000 + i) +
                        "; margin-left: " + std::to_string(i % 50) + "px }\n";
             }
             WriteArchive(file,
                          OneChapter(XhtmlPage(Repeated("<p class='c99999'>Styled</p>", 50)),
                                     {{"OEBPS/s.css", css}}, Manifest("s", "s.css", "text/css")));
         }},
        {"css_selector_list_of_10000",
         [](const auto& file, const auto&) {
             std::string css;
             for (int i = 0; i < 10000; ++i) {
                 css += (i ? ", " : "") + std::string("div.k") + std::to_string(i) + " > p";
             }
             css += " { color: green }\n";
             WriteArchive(file,
                          OneChapter(XhtmlPage("<div class='k9999'><p>A</p></div>"),
                                     {{"OEBPS/s.css", css}}, Manifest("s", "s.css", "text/css")));
         }},
        {"css_values_of_1_mb",
         [](const auto& file, const auto&) {
             const std::string huge(1u << 20, '9');
             const std::string css = "p { color: #" + huge + "; font-size: " + huge +
                                     "px; font-family: " + std::string(1u << 20, 'f') +
                                     "; margin-left: -" + huge + "px; background-image: url(" +
                                     std::string(1u << 20, 'u') + ") }";
             WriteArchive(
                 file, OneChapter(XhtmlPage("<p>A</p><p style='color: " + huge + "'>B</p><style>" +
                                            css + "</style>"),
                                  {{"OEBPS/s.css", css}}, Manifest("s", "s.css", "text/css")));
         }},
        // Pictures.
        {"bad_pictures",
         [](const auto& file, const auto& dir) {
             WriteFile(dir / "outside.png", PngOfColor(40, 40, {0, 0, 255}));
             const std::string png = PngOfColor(400, 300, {0, 255, 0});
             const std::string jpeg = JpegOfColor(400, 300, {200, 0, 0});
             const std::string outside = "file://" + (dir / "outside.png").string();
             std::string svgBomb = EntityBomb(
                 "svg",
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\">"
                 "<text y=\"20\">&lol9;</text></svg>");
             const std::string selfUse =
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/"
                 "xlink\" width=\"100\" height=\"100\"><g id=\"g\"><use xlink:href=\"#g\"/>"
                 "<use xlink:href=\"#u\"/></g><use id=\"u\" xlink:href=\"#g\"/></svg>";
             const std::string external =
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/"
                 "xlink\" width=\"100\" height=\"100\"><image width=\"50\" height=\"50\" "
                 "xlink:href=\"" +
                 outside +
                 "\"/><image x=\"50\" width=\"50\" height=\"50\" xlink:href=\"http://192.0.2.1/"
                 "p.png\"/><use xlink:href=\"" +
                 outside + "#x\"/><use xlink:href=\"../../outside.svg#a\"/></svg>";
             const char* names[] = {"truncated.png", "truncated.jpg", "claims.png",
                                    "bomb.png",      "svgbomb.svg",   "selfuse.svg",
                                    "external.svg",  "corrupt.gif"};
             std::vector<Member> pictures = {
                 {"OEBPS/truncated.png", png.substr(0, png.size() / 2)},
                 {"OEBPS/truncated.jpg", jpeg.substr(0, jpeg.size() / 3)},
                 {"OEBPS/claims.png", PngClaimingSize(100000, 100000)},
                 {"OEBPS/svgbomb.svg", svgBomb},
                 {"OEBPS/selfuse.svg", selfUse},
                 {"OEBPS/corrupt.gif", "GIF89a" + std::string(200, '\xff')},
             };
             // What lies outside the book first, so that it would be in view.
             std::string body =
                 "<p><img src='missing.png'/><img src='" + outside +
                 "'/></p><svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3."
                 "org/1999/xlink' width='50' height='50'><image width='50' height='50' "
                 "xlink:href='" +
                 outside + "'/></svg><p><img src='external.svg'/></p>";
             for (const char* name : names) {
                 body += std::string("<p><img src='") + name + "'/></p>";
             }
             std::string manifest;
             manifest += Manifest("cover", "claims.png", "image/png", "cover-image");
             std::vector<Member> members =
                 ChapterBook({{"a.xhtml", XhtmlPage(body)},
                              {"external.svg", external},
                              {"bomb.png", PngOfColor(4900, 4900, {9, 9, 9})}},
                             pictures, manifest);
             WriteArchive(file, members);
         }},
        {"spine_of_10000_documents",
         [](const auto& file, const auto&) {
             std::vector<std::pair<std::string, std::string>> chapters;
             for (int i = 0; i < 10000; ++i) {
                 chapters.emplace_back("d" + std::to_string(i) + ".xhtml",
                                       XhtmlPage("<p>Document " + std::to_string(i) + "</p>"));
             }
             WriteArchive(file, ChapterBook(chapters));
         }},
    };
    return books;
}

void PrintTo(const HostileBook& book, std::ostream* out) {
    *out << book.name;
}

// How one run ended.
struct RunEnd {
    bool finished = false;  // by itself, within the time limit
    int status = -1;        // its exit status; -1 for a signal
    long peakKb = 0;
    double seconds = 0;
    std::string out;
    std::string err;
};

// Waits for `pid` to end by itself within the limit; kills it otherwise.
RunEnd Await(pid_t pid, const std::filesystem::path& outFile,
             const std::filesystem::path& errFile) {
    RunEnd end;
    const auto start = Clock::now();
    int status = 0;
    rusage usage{};
    while (true) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            end.finished = true;
            break;
        }
        if (Clock::now() - start > kTimeLimit) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    end.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    end.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    end.peakKb = usage.ru_maxrss;
    end.out = ReadFile(outFile);
    end.err = ReadFile(errFile);
    return end;
}

// Sends the child's output to files, and its settings to the test's folder.
void PrepareChild(const std::filesystem::path& dir, const std::filesystem::path& outFile,
                  const std::filesystem::path& errFile) {
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
}

RunEnd RunProgram(const std::vector<std::string>& arguments, const std::filesystem::path& dir) {
    const auto outFile = dir / "out.txt", errFile = dir / "err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        PrepareChild(dir, outFile, errFile);
        std::vector<char*> argv;
        std::string program = QUIRELLE_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return Await(pid, outFile, errFile);
}

// The window's path without the toolkit: the view opens the book as the window does, draws
// the page, and is stepped, scrolled and paged through as keys and the wheel would.
RunEnd RunWindowPath(const std::filesystem::path& book, const std::filesystem::path& dir) {
    const auto outFile = dir / "out.txt", errFile = dir / "err.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        PrepareChild(dir, outFile, errFile);
        {
            HeadlessFrontend frontend;
            DocumentView view(frontend);
            view.OpenBook(book.string());
            CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 480));
            const auto draw = [&] {
                CairoContext cr(cairo_create(page.get()));
                view.Draw(cr.get(), 640, 480);
            };
            draw();
            using Key = DocumentView::Key;
            for (const Key key : {Key::Down, Key::PageDown, Key::WheelDown, Key::PageDown, Key::Up,
                                  Key::Right, Key::Right, Key::Left}) {
                view.HandleKey(key, false);
                draw();
            }
            view.HandleKey(Key::PageDown, true);
            draw();
            view.PointerMoved(100, 100);
            view.PointerReleased(100, 100);
            draw();
        }
        // exit, not _exit: the leak checker runs at exit.
        std::exit(0);
    }
    return Await(pid, outFile, errFile);
}

class HostileBookTest : public ::testing::TestWithParam<HostileBook> {
  protected:
    void ExpectEndedCleanly(const std::string& mode, const RunEnd& end) {
        SCOPED_TRACE(mode);
        std::printf("%-34s %-12s %6.2f s %8ld KB  exit %d\n", GetParam().name, mode.c_str(),
                    end.seconds, end.peakKb, end.status);
        EXPECT_TRUE(end.finished) << "still running after the time limit";
        // 0, or 1 for a book the program refuses and says why, 2 for a protected one.
        EXPECT_TRUE(end.status >= 0 && end.status <= 2) << "exit " << end.status << "\n" << end.err;
        EXPECT_LT(end.peakKb, kMemoryLimitKb);
        for (const char* report : {"runtime error", "AddressSanitizer", "LeakSanitizer"}) {
            EXPECT_EQ(end.err.find(report), std::string::npos) << end.err;
        }
        EXPECT_EQ(end.out.find(kSecret), std::string::npos) << "a file outside the book was read";
    }

    TempDir dir_;
};

TEST_P(HostileBookTest, EveryModeEndsCleanlyWithinTheLimits) {
    // The book lies two folders down, so that a name climbing out of it has somewhere to go
    // that the test can see.
    const auto folder = dir_ / "a" / "b";
    std::filesystem::create_directories(folder);
    const auto book = folder / "hostile.epub";
    const auto start = Clock::now();
    ASSERT_NO_FATAL_FAILURE(GetParam().write(book, dir_.path()));
    std::printf("%-34s written in %.2f s, %ju bytes\n", GetParam().name,
                std::chrono::duration<double>(Clock::now() - start).count(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(book)));
    const auto png = dir_ / "page.png", png1 = dir_ / "page1.png", pdf = dir_ / "book.pdf";

    ExpectEndedCleanly("--info", RunProgram({"--info", book.string()}, dir_.path()));
    ExpectEndedCleanly("--render-png",
                       RunProgram({"--render-png", png.string(), book.string()}, dir_.path()));
    ExpectEndedCleanly("--render-png 1", RunProgram({"--render-png", png1.string(), "--page", "1",
                                                     "--scroll", "5000", book.string()},
                                                    dir_.path()));
    ExpectEndedCleanly("--export-pdf",
                       RunProgram({"--export-pdf", pdf.string(), book.string()}, dir_.path()));
    ExpectEndedCleanly("--search", RunProgram({"--search", "whale", book.string()}, dir_.path()));
    ExpectEndedCleanly("window", RunWindowPath(book, dir_.path()));

    // Nothing was written beside the book or above it.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(entry.is_directory() || name == "hostile.epub" || name == "page.png" ||
                    name == "page1.png" || name == "book.pdf" || name == "out.txt" ||
                    name == "err.txt" || name == "secret.txt" || name == "outside.png")
            << entry.path();
    }
    // A picture outside the book is never shown: no pixel of its colour is on the page.
    if (std::filesystem::exists(dir_ / "outside.png") && std::filesystem::exists(png)) {
        CairoSurface page(cairo_image_surface_create_from_png(png.c_str()));
        ASSERT_EQ(cairo_surface_status(page.get()), CAIRO_STATUS_SUCCESS);
        const unsigned char* data = cairo_image_surface_get_data(page.get());
        const int stride = cairo_image_surface_get_stride(page.get());
        int outsidePixels = 0;
        for (int y = 0; y < cairo_image_surface_get_height(page.get()); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < cairo_image_surface_get_width(page.get()); ++x) {
                outsidePixels += (row[x] & 0xffffff) == 0x0000ff;
            }
        }
        EXPECT_EQ(outsidePixels, 0) << "a picture outside the book is on the page";
    }
    // Only the books that point outside themselves leave a file there to look for.
    if (std::filesystem::exists(dir_ / "secret.txt") && std::filesystem::exists(pdf) &&
        std::system("command -v pdftotext >/dev/null") == 0) {
        const auto text = dir_ / "book.txt";
        std::system(("pdftotext -q '" + pdf.string() + "' '" + text.string() + "'").c_str());
        EXPECT_EQ(ReadFile(text).find(kSecret), std::string::npos)
            << "the PDF shows a file outside the book";
        std::filesystem::remove(text);
    }
}

INSTANTIATE_TEST_SUITE_P(Books, HostileBookTest, ::testing::ValuesIn(HostileBooks()),
                         [](const auto& info) { return std::string(info.param.name); });

// A settings file of random bytes: the run goes on with the defaults and says so.
TEST(HostileSettingsTest, RandomBytesGiveTheDefaultsAndAMessage) {
    TempDir dir;
    std::string bytes;
    std::uint32_t seed = 2026;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1664525 + 1013904223;
        bytes.push_back(static_cast<char>(seed >> 24));
    }
    for (const char* folder : {"config/quirelle", "runtime/quirelle"}) {
        std::filesystem::create_directories(dir / folder);
        WriteFile(dir / folder / "quirelle.ini", bytes);
    }
    const auto book = dir / "book.epub";
    WriteArchive(book, OneChapter(XhtmlPage("<p>A</p>")));
    const RunEnd end = RunProgram({"--info", book.string()}, dir.path());
    ASSERT_TRUE(end.finished);
    EXPECT_EQ(end.status, 0) << end.err;
    EXPECT_NE(end.err.find("is damaged"), std::string::npos) << end.err;
    EXPECT_NE(end.out.find("\"title\""), std::string::npos) << end.out;
}

}  // namespace
}  // namespace quirelle::testing
