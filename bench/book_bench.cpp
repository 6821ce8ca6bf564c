// The whole program against MuPDF, as a reader meets it: four generated books (600 pictures,
// 400 chapters, 2,000 short documents, one 3.5 MB chapter), each opened to its first page and
// exported whole as a PDF by `quirelle` and by `mutool`. Every run is a process of its own,
// timed by the wall clock, its peak memory taken from wait4. Goals: the first page at least five
// times as fast as MuPDF's; the export faster than MuPDF's and in less memory.
//
// book-bench [--keep DIR]   --keep writes the books into DIR and leaves them there, so that a
//                           failing command it prints can be run again by hand.
#include <fcntl.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/book_fixture.hpp"
#include "support/program_run.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quirelle::testing::Member;

// Generation

const char* const kWords[] = {
    "the",     "lighthouse", "keeper",  "climbed", "slowly",  "to",      "gallery", "while",
    "waves",   "broke",      "against", "granite", "and",     "lamp",    "turned",  "its",
    "long",    "beam",       "over",    "dark",    "water",   "patient", "harbour", "she",
    "had",     "never",      "seen",    "a",       "storm",   "like",    "this",    "one",
    "of",      "in",         "night",   "boats",   "came",    "home",    "late",    "with",
    "nets",    "heavy",      "silver",  "fish",    "under",   "grey",    "sky",     "letters",
    "arrived", "from",       "city",    "every",   "spring",  "mother",  "wrote",   "about",
    "gardens", "quiet",      "streets", "bells",   "morning", "bread",   "salt",    "wind",
    "island",  "above",      "cliffs",  "gulls",   "circled", "by",      "old",     "stone",
};

std::string Sentence(std::mt19937& random) {
    const int length = 6 + static_cast<int>(random() % 14);
    std::string sentence;
    for (int i = 0; i < length; ++i) {
        std::string word = kWords[random() % std::size(kWords)];
        if (i == 0) {
            word[0] = static_cast<char>(word[0] - 'a' + 'A');
        } else {
            sentence += ' ';
            if (i + 1 < length && random() % 11 == 0) {
                sentence += word + ",";
                continue;
            }
        }
        sentence += word;
    }
    return sentence + (random() % 9 == 0 ? "?" : ".");
}

std::string Paragraph(std::mt19937& random) {
    std::string paragraph = "<p>";
    const int sentences = 2 + static_cast<int>(random() % 6);
    for (int i = 0; i < sentences; ++i) {
        paragraph += (i ? " " : "") + Sentence(random);
    }
    return paragraph + "</p>\n";
}

// Paragraphs until the text holds at least `size` bytes.
std::string Paragraphs(std::mt19937& random, std::size_t size) {
    std::string text;
    while (text.size() < size) {
        text += Paragraph(random);
    }
    return text;
}

std::string Numbered(int number, int digits) {
    std::string text = std::to_string(number);
    return std::string(std::max(0, digits - static_cast<int>(text.size())), '0') + text;
}

struct Pixel {
    double r, g, b;
};

Pixel RandomColour(std::mt19937& random) {
    return {static_cast<double>(random() % 256), static_cast<double>(random() % 256),
            static_cast<double>(random() % 256)};
}

std::uint8_t Clamped(double value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// A picture that a compressor cannot shrink to nothing: a photograph-like one for JPEG (a
// gradient between four corner colours, slow waves and grain everywhere), an illustration-like
// one for PNG (a top-to-bottom gradient with flat shapes on it and a grainy patch). Picture `index`
// is 300 + (index * 557) % 1101 pixels wide: 557 and 1101 share no factor, so no two of the 600
// pictures have the same width.
std::string EncodePicture(int index, bool jpeg) {
    std::mt19937 random(static_cast<std::uint32_t>(1000 + index));
    const int width = 300 + (index * 557) % 1101;
    const int height = width * (45 + static_cast<int>(random() % 40)) / 100;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    if (pixbuf == nullptr) {
        throw std::runtime_error("no memory for picture " + std::to_string(index));
    }
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const Pixel corners[4] = {RandomColour(random), RandomColour(random), RandomColour(random),
                              RandomColour(random)};
    // The waves are separable, so that each costs one sine per row and per column.
    std::vector<double> waveX(width), waveY(height);
    const double periodX = 40.0 + random() % 200, periodY = 30.0 + random() % 150;
    for (int x = 0; x < width; ++x) {
        waveX[x] = 18.0 * std::sin(x / periodX * 6.2832);
    }
    for (int y = 0; y < height; ++y) {
        waveY[y] = 14.0 * std::sin(y / periodY * 6.2832 + 1.0);
    }
    struct Shape {
        int left, top, right, bottom;
        bool round;
        Pixel colour;
    };
    std::vector<Shape> shapes;
    if (!jpeg) {
        for (int i = 0, count = 3 + static_cast<int>(random() % 6); i < count; ++i) {
            const int left = static_cast<int>(random() % width);
            const int top = static_cast<int>(random() % height);
            shapes.push_back({left, top, left + width / 8 + static_cast<int>(random() % width) / 3,
                              top + height / 8 + static_cast<int>(random() % height) / 3,
                              random() % 2 == 0, RandomColour(random)});
        }
    }
    const int grainLeft = static_cast<int>(random() % (width / 2));
    const int grainTop = static_cast<int>(random() % (height / 2));
    const int grainRight = grainLeft + width / 4, grainBottom = grainTop + height / 4;

    std::mt19937 grain(static_cast<std::uint32_t>(index));
    for (int y = 0; y < height; ++y) {
        const double v = static_cast<double>(y) / height;
        guchar* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const auto blend = [&](double Pixel::*channel) {
                return (1 - u) * (1 - v) * corners[0].*channel + u * (1 - v) * corners[1].*channel +
                       (1 - u) * v * corners[2].*channel + u * v * corners[3].*channel;
            };
            Pixel colour{blend(&Pixel::r), blend(&Pixel::g), blend(&Pixel::b)};
            double noise[3] = {0, 0, 0};
            if (jpeg) {
                const double wave = waveX[x] + waveY[y];
                colour = {colour.r + wave, colour.g + wave * 0.7, colour.b - wave * 0.5};
                const std::uint32_t bits = grain();
                for (int c = 0; c < 3; ++c) {
                    noise[c] = static_cast<double>((bits >> (8 * c)) % 13) - 6.0;
                }
            } else {
                // A drawing program's gradient fill runs one way only.
                colour = {(1 - v) * corners[0].r + v * corners[3].r,
                          (1 - v) * corners[0].g + v * corners[3].g,
                          (1 - v) * corners[0].b + v * corners[3].b};
                for (const Shape& shape : shapes) {
                    if (x < shape.left || x >= shape.right || y < shape.top || y >= shape.bottom) {
                        continue;
                    }
                    if (shape.round) {
                        const double dx = (x - (shape.left + shape.right) / 2.0) /
                                          ((shape.right - shape.left) / 2.0);
                        const double dy = (y - (shape.top + shape.bottom) / 2.0) /
                                          ((shape.bottom - shape.top) / 2.0);
                        if (dx * dx + dy * dy > 1) {
                            continue;
                        }
                    }
                    colour = shape.colour;
                }
                if (x >= grainLeft && x < grainRight && y >= grainTop && y < grainBottom) {
                    const std::uint32_t bits = grain();
                    for (int c = 0; c < 3; ++c) {
                        noise[c] = static_cast<double>((bits >> (8 * c)) % 5) - 2.0;
                    }
                }
            }
            row[3 * x] = Clamped(colour.r + noise[0]);
            row[3 * x + 1] = Clamped(colour.g + noise[1]);
            row[3 * x + 2] = Clamped(colour.b + noise[2]);
        }
    }

    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    const gboolean saved =
        jpeg ? gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", &error, "quality", "85",
                                         nullptr)
             : gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", &error, nullptr);
    g_object_unref(pixbuf);
    if (!saved) {
        const std::string why = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot encode picture " + std::to_string(index) + ": " + why);
    }
    std::string bytes(buffer, size);
    g_free(buffer);
    return bytes;
}

std::string XhtmlItem(const std::string& id, const std::string& href) {
    return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"application/xhtml+xml\"/>\n";
}

std::string Itemref(const std::string& id) {
    return "<itemref idref=\"" + id + "\"/>\n";
}

const char* const kNcxItem =
    "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n";

void WriteBook(const fs::path& file, const std::string& title, const std::string& manifest,
               const std::string& spine, std::vector<Member> members, bool withNcx) {
    const std::string package = quirelle::testing::PackageDocument(
        manifest, spine, "<dc:title>" + title + "</dc:title>", withNcx ? " toc=\"ncx\"" : "");
    quirelle::testing::WriteArchive(file,
                                    quirelle::testing::BookMembers(package, std::move(members)));
}

// 25 documents of 24 pictures each, JPEG and PNG in turn, with text between them.
void WritePicturesBook(const fs::path& file) {
    constexpr int kDocuments = 25, kPicturesPerDocument = 24;
    std::mt19937 random(11);
    std::string manifest, spine;
    std::vector<Member> members;
    for (int d = 0; d < kDocuments; ++d) {
        std::string body = "<h1>Plates, part " + std::to_string(d + 1) + "</h1>\n";
        for (int k = 0; k < kPicturesPerDocument; ++k) {
            const int index = d * kPicturesPerDocument + k;
            const bool jpeg = index % 2 == 0;
            const std::string name = "images/p" + Numbered(index, 3) + (jpeg ? ".jpg" : ".png");
            body += Paragraph(random);
            if (random() % 2 == 0) {
                body += Paragraph(random);
            }
            const std::string width =
                index % 4 == 1 ? " width=\"" + std::to_string(200 + random() % 400) + "\"" : "";
            body += "<p><img src=\"" + name + "\" alt=\"\"" + width + "/></p>\n";
            manifest += "<item id=\"p" + Numbered(index, 3) + "\" href=\"" + name +
                        "\" media-type=\"" + (jpeg ? "image/jpeg" : "image/png") + "\"/>\n";
            // Pictures are stored, as publishing tools store them: deflating JPEG gains nothing.
            members.push_back({"OEBPS/" + name, EncodePicture(index, jpeg),
                               quirelle::testing::Compression::Store});
        }
        body += Paragraph(random);
        const std::string id = "d" + Numbered(d, 2);
        manifest += XhtmlItem(id, id + ".xhtml");
        spine += Itemref(id);
        members.push_back({"OEBPS/" + id + ".xhtml", quirelle::testing::XhtmlPage(body)});
    }
    WriteBook(file, "Pictures", manifest, spine, std::move(members), false);
}

// `count` documents with an NCX entry each; `body` makes the markup of document i.
void WriteChapteredBook(const fs::path& file, const std::string& title, int count,
                        const std::function<std::string(int)>& body) {
    std::string manifest = kNcxItem, spine, navPoints;
    std::vector<Member> members;
    for (int i = 0; i < count; ++i) {
        const std::string id = "c" + Numbered(i, 4);
        manifest += XhtmlItem(id, id + ".xhtml");
        spine += Itemref(id);
        navPoints += quirelle::testing::NavPoint("Chapter " + std::to_string(i + 1), id + ".xhtml");
        members.push_back({"OEBPS/" + id + ".xhtml", quirelle::testing::XhtmlPage(body(i))});
    }
    members.push_back({"OEBPS/toc.ncx", quirelle::testing::NcxDocument(navPoints)});
    WriteBook(file, title, manifest, spine, std::move(members), true);
}

void WriteNovel400(const fs::path& file) {
    std::mt19937 random(400);
    WriteChapteredBook(file, "Novel", 400, [&](int i) {
        return "<h2>Chapter " + std::to_string(i + 1) + "</h2>\n" + Paragraphs(random, 8 * 1024);
    });
}

void WriteShort2000(const fs::path& file) {
    std::mt19937 random(2000);
    WriteChapteredBook(file, "Short pieces", 2000, [&](int i) {
        return "<h2>Piece " + std::to_string(i + 1) + "</h2>\n" + Paragraph(random);
    });
}

void WriteOneChapter(const fs::path& file) {
    std::mt19937 random(35);
    // A place 90 % of the way in, where a reader reopens the book.
    const std::size_t whole = 3 * 1024 * 1024 + 512 * 1024;
    std::string body = "<h1>The Whole Story</h1>\n" + Paragraphs(random, whole / 10 * 9);
    body += "<h2 id=\"far\">Far In</h2>\n" + Paragraphs(random, whole / 10);
    WriteBook(file, "One chapter", XhtmlItem("all", "all.xhtml"), Itemref("all"),
              {{"OEBPS/all.xhtml", quirelle::testing::XhtmlPage(body)}}, false);
}

struct GeneratedBook {
    const char* name;
    const char* contents;
    void (*write)(const fs::path&);
};

const GeneratedBook kBooks[] = {
    {"pictures", "25 documents, 600 pictures", WritePicturesBook},
    {"novel400", "400 documents of 8 KB, NCX", WriteNovel400},
    {"short2000", "2000 short documents, NCX", WriteShort2000},
    {"onechapter", "one document of 3.5 MB", WriteOneChapter},
};

// The bytes of the book's JPEG and PNG members, as they are stored.
std::uint64_t PictureBytes(const fs::path& file) {
    zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, nullptr);
    if (archive == nullptr) {
        return 0;
    }
    std::uint64_t total = 0;
    for (zip_int64_t i = 0, count = zip_get_num_entries(archive, 0); i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
            (stat.valid & ZIP_STAT_NAME) && (stat.valid & ZIP_STAT_SIZE)) {
            const std::string_view name = stat.name;
            if (name.ends_with(".jpg") || name.ends_with(".png")) {
                total += stat.size;
            }
        }
    }
    zip_close(archive);
    return total;
}

// Runs

// The peak memory that wait4 reports for a spawned program is never below the peak of the
// process that spawned it (Linux carries the old address space's high-water mark over at exec),
// so the books are generated in a child of their own and the measuring process stays small.
bool GenerateBooks(const fs::path& folder) {
    const pid_t pid = fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        try {
            for (const GeneratedBook& book : kBooks) {
                book.write(folder / (std::string(book.name) + ".epub"));
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "book-bench: %s\n", error.what());
            std::fflush(stderr);
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    return done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A slow run beyond this is killed and counted as failed, so that a hang cannot stall the bench.
constexpr std::chrono::seconds kRunLimit{150};

struct RunResult {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
    std::string failure;  // why the run does not count, when !ok
};

std::string ShellLine(const std::vector<std::string>& environment,
                      const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& setting : environment) {
        const auto equals = setting.find('=');
        line += setting.substr(0, equals + 1) +
                quirelle::testing::Quoted(setting.substr(equals + 1)) + " ";
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        line += (i ? " " : "") + quirelle::testing::Quoted(arguments[i]);
    }
    return line;
}

// The last `count` lines of `text`, each on a line of its own after `indent`.
std::string LastLines(const std::string& text, int count, const std::string& indent) {
    std::size_t at = text.size();
    while (at > 0 && text[at - 1] == '\n') {
        --at;
    }
    const std::size_t end = at;
    for (int lines = 0; at > 0; --at) {
        if (text[at - 1] == '\n' && ++lines == count) {
            break;
        }
    }
    std::string lines = indent;
    for (std::size_t i = at; i < end; ++i) {
        lines += text[i] == '\n' ? "\n" + indent : std::string(1, text[i]);
    }
    return lines;
}

// Only the start of an output and the end of an error log are read: MuPDF's PDF of the pictures
// book is half a gigabyte, and holding it would raise the peak that every later run reports.
std::string ReadHead(const fs::path& file, std::size_t size) {
    std::ifstream stream(file, std::ios::binary);
    std::string head(size, '\0');
    stream.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<std::size_t>(stream.gcount()));
    return head;
}

std::string ReadTail(const fs::path& file, std::size_t size) {
    std::ifstream stream(file, std::ios::binary | std::ios::ate);
    const std::streamoff length = stream ? static_cast<std::streamoff>(stream.tellg()) : 0;
    stream.seekg(std::max<std::streamoff>(0, length - static_cast<std::streamoff>(size)));
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// Runs the program with `environment` added to ours, stdout discarded and stderr kept in
// `errFile`; the run counts only if it ends with status 0 and, unless `output` is empty, leaves
// `output` starting with `magic`.
RunResult RunOnce(const std::vector<std::string>& arguments,
                  const std::vector<std::string>& environment, const fs::path& errFile,
                  const fs::path& output, const std::string& magic) {
    RunResult result;
    std::error_code ignored;
    if (!output.empty()) {
        fs::remove(output, ignored);
    }

    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string setting = *entry;
        const auto equals = setting.find('=');
        if (equals != std::string::npos) {
            variables[setting.substr(0, equals)] = setting.substr(equals + 1);
        }
    }
    for (const std::string& setting : environment) {
        const auto equals = setting.find('=');
        variables[setting.substr(0, equals)] = setting.substr(equals + 1);
    }
    std::vector<std::string> settings;
    for (const auto& [name, value] : variables) {
        settings.push_back(name + "=" + value);
    }
    std::vector<char*> envp, argv;
    for (std::string& setting : settings) {
        envp.push_back(setting.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argumentCopies = arguments;
    for (std::string& argument : argumentCopies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        result.failure = "cannot start: " + std::string(std::strerror(spawned));
        return result;
    }

    // SIGCHLD is blocked in this process, so waiting for it with a deadline is race-free.
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    const auto deadline = start + kRunLimit;
    int status = 0;
    rusage usage{};
    bool timedOut = false;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) {
            break;
        }
        if (done < 0 && errno != EINTR) {
            result.failure = "lost the process: " + std::string(std::strerror(errno));
            return result;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero()) {
            kill(pid, SIGKILL);
            while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
            }
            timedOut = true;
            break;
        }
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left);
        const timespec wait{static_cast<time_t>(nanoseconds.count() / 1'000'000'000),
                            static_cast<long>(nanoseconds.count() % 1'000'000'000)};
        sigtimedwait(&childSignal, nullptr, &wait);
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakKb = usage.ru_maxrss;

    const std::string err = ReadTail(errFile, 4096);
    if (timedOut) {
        result.failure = "killed after " + std::to_string(kRunLimit.count()) + " s";
    } else if (WIFSIGNALED(status)) {
        result.failure = "killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
                         strsignal(WTERMSIG(status)) + ")";
    } else if (WEXITSTATUS(status) != 0) {
        result.failure = "exit status " + std::to_string(WEXITSTATUS(status));
    } else if (!output.empty()) {
        const std::string head = ReadHead(output, magic.size());
        if (head != magic) {
            result.failure = head.empty() ? "status 0 but no " + output.filename().string()
                                          : "status 0 but " + output.filename().string() +
                                                " is not the expected kind of file";
        }
    }
    if (!result.failure.empty()) {
        result.failure += "\n    command: " + ShellLine(environment, arguments);
        if (!err.empty()) {
            result.failure += "\n    the end of its stderr:\n" + LastLines(err, 6, "      ");
        }
    } else {
        result.ok = true;
    }
    return result;
}

struct Measurement {
    bool measured = false;  // false when the program is not there to run
    int runs = 0;
    double seconds = 0;  // the median of the runs
    long peakKb = 0;     // the largest of the runs
    std::string failure;
};

// Runs up to three times; a first run slower than this is not repeated, to keep the bench quick.
constexpr double kRepeatBelowSeconds = 12.0;

Measurement Measure(const std::function<RunResult()>& run) {
    Measurement measurement;
    measurement.measured = true;
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        const RunResult result = run();
        if (!result.ok) {
            measurement.failure = result.failure;
            return measurement;
        }
        times.push_back(result.seconds);
        measurement.peakKb = std::max(measurement.peakKb, result.peakKb);
        if (result.seconds > kRepeatBelowSeconds) {
            break;
        }
    }
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    measurement.runs = static_cast<int>(n);
    measurement.seconds = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return measurement;
}

// MuPDF keeps a book's pagination in an accelerator file, in its cache folder or beside the book;
// one left from an earlier run would spare the next run the layout that is being measured.
void RemoveAccelerators(const fs::path& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".accel") {
            fs::remove(entry.path(), error);
        }
    }
}

std::optional<fs::path> FindInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

fs::path MakeFolder(const fs::path& folder) {
    fs::create_directories(folder);
    // XDG_RUNTIME_DIR must be private to its user; the others may as well be.
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    return folder;
}

std::string Format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

struct Row {
    std::string book, mode;
    Measurement ours, mupdf;
};

}  // namespace

int main(int argc, char** argv) {
    std::optional<fs::path> keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            keep = fs::absolute(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: book-bench [--keep DIR]\n");
            return 2;
        }
    }
    const fs::path quirelle =
        fs::canonical("/proc/self/exe").parent_path().parent_path() / "quirelle";
    if (access(quirelle.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "book-bench: %s is missing: build the program first\n",
                     quirelle.c_str());
        return 1;
    }
    const std::optional<fs::path> mutool = FindInPath("mutool");

    // Blocked before any child starts, so that RunOnce can wait for SIGCHLD with a deadline.
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &childSignal, nullptr);

    quirelle::testing::TempDir temp;
    const fs::path books = keep ? MakeFolder(*keep) : MakeFolder(temp / "books");
    const fs::path out = MakeFolder(temp / "out");
    const fs::path mupdfCache = MakeFolder(temp / "mupdf-cache");
    const std::vector<std::string> ourEnvironment = {
        "XDG_CONFIG_HOME=" + MakeFolder(temp / "config").string(),
        "XDG_RUNTIME_DIR=" + MakeFolder(temp / "runtime").string()};
    const std::vector<std::string> mupdfEnvironment = {"XDG_CACHE_HOME=" + mupdfCache.string()};

    std::printf("Generating the books in %s ...\n", books.c_str());
    std::fflush(stdout);
    const auto generation = std::chrono::steady_clock::now();
    if (!GenerateBooks(books)) {
        std::fprintf(stderr, "book-bench: the books could not be generated\n");
        return 1;
    }
    std::printf(
        "Generated in %.1f s:\n",
        std::chrono::duration<double>(std::chrono::steady_clock::now() - generation).count());
    for (const GeneratedBook& book : kBooks) {
        const fs::path file = books / (std::string(book.name) + ".epub");
        const std::uint64_t pictures = PictureBytes(file);
        std::printf("  %-11s %7.2f MB  %s%s\n", book.name, fs::file_size(file) / 1048576.0,
                    book.contents,
                    pictures ? Format(" (%.1f MB of pictures)", pictures / 1048576.0).c_str() : "");
    }

    // The floor of the peak column: even a program that does nothing shows this much.
    const RunResult floor = RunOnce({"/bin/true"}, {}, out / "true.err", {}, "");
    std::printf("\nquirelle: %s\nmutool:   %s\n", quirelle.c_str(),
                mutool ? mutool->c_str()
                       : "not found: our figures alone (scripts/install-deps --bench installs it)");
    std::printf(
        "Each time is the median of up to 3 runs (runs: ours/MuPDF; 1 when a run takes over "
        "%.0f s);\neach peak is the largest ru_maxrss of those runs (even /bin/true shows "
        "%.1f MB).\n\n",
        kRepeatBelowSeconds, floor.peakKb / 1024.0);
    std::fflush(stdout);

    std::vector<Row> rows;
    for (const GeneratedBook& generated : kBooks) {
        const std::string name = generated.name;
        const fs::path book = books / (name + ".epub");
        const fs::path png = out / (name + ".png"), pdf = out / (name + ".pdf");
        const fs::path err = out / (name + ".err");
        const auto mupdfRun = [&](std::vector<std::string> arguments, const fs::path& output,
                                  const std::string& magic) {
            return [=, &mupdfCache, &mupdfEnvironment] {
                RemoveAccelerators(mupdfCache / "mupdf");
                RemoveAccelerators(book.parent_path());
                return RunOnce(arguments, mupdfEnvironment, err, output, magic);
            };
        };
        // As the book, and on A5 paper: MuPDF lays the book out at the same page size.
        for (const int mode : {0, 1, 2, 3}) {
            // The first screen at a place 90 % into the one long chapter, as a reopened book or
            // a contents entry shows it, against the same at its start.
            const bool farPlace = mode == 3;
            if (farPlace && name != "onechapter") {
                continue;
            }
            const bool firstPage = mode == 0 || farPlace;
            const bool a5 = mode == 2;
            Row row{name,
                    farPlace    ? "place 90%"
                    : firstPage ? "first page"
                    : a5        ? "export A5"
                                : "export",
                    {},
                    {}};
            std::printf("  %s, %s ...\n", name.c_str(), row.mode.c_str());
            std::fflush(stdout);
            if (firstPage) {
                std::vector<std::string> arguments{quirelle.string(), "--render-png", png.string(),
                                                   "--page", "0"};
                if (farPlace) {
                    arguments.insert(arguments.end(), {"--goto", "all.xhtml#far"});
                }
                arguments.push_back(book.string());
                row.ours = Measure(
                    [&] { return RunOnce(arguments, ourEnvironment, err, png, "\x89PNG"); });
            } else {
                std::vector<std::string> arguments{quirelle.string(), "--export-pdf", pdf.string()};
                if (a5) {
                    arguments.insert(arguments.end(), {"--page-size", "a5"});
                }
                arguments.push_back(book.string());
                row.ours =
                    Measure([&] { return RunOnce(arguments, ourEnvironment, err, pdf, "%PDF"); });
            }
            if (mutool) {
                row.mupdf = Measure(firstPage ? mupdfRun({mutool->string(), "draw", "-o",
                                                          png.string(), book.string(), "1"},
                                                         png, "\x89PNG")
                                    : a5 ? mupdfRun({mutool->string(), "convert", "-W", "420", "-H",
                                                     "595", "-o", pdf.string(), book.string()},
                                                    pdf, "%PDF")
                                         : mupdfRun({mutool->string(), "convert", "-o",
                                                     pdf.string(), book.string()},
                                                    pdf, "%PDF"));
            }
            rows.push_back(row);
        }
    }

    std::printf("\n%-10s %-10s %4s %9s %9s %7s %8s %8s %6s  %-24s %s\n", "book", "mode", "runs",
                "ours s", "MuPDF s", "speed", "ours MB", "MuPDF MB", "memory", "goal", "met");
    bool ourFailure = false;
    std::vector<std::string> failures;
    for (const Row& row : rows) {
        const bool oursOk = row.ours.failure.empty();
        const bool mupdfOk = row.mupdf.measured && row.mupdf.failure.empty();
        const bool farPlace = row.mode == "place 90%";
        const bool firstPage = row.mode == "first page" || farPlace;
        std::string runs = std::to_string(row.ours.runs);
        if (row.mupdf.measured) {
            runs += "/" + std::to_string(row.mupdf.runs);
        }
        const std::string oursTime = oursOk ? Format("%.3f", row.ours.seconds) : "FAILED";
        const std::string mupdfTime = !row.mupdf.measured ? "-"
                                      : mupdfOk           ? Format("%.3f", row.mupdf.seconds)
                                                          : "failed";
        const std::string oursPeak = oursOk ? Format("%.1f", row.ours.peakKb / 1024.0) : "-";
        const std::string mupdfPeak = mupdfOk ? Format("%.1f", row.mupdf.peakKb / 1024.0) : "-";
        const bool both = oursOk && mupdfOk;
        const double speed = both ? row.mupdf.seconds / row.ours.seconds : 0;
        const double memory =
            both ? static_cast<double>(row.mupdf.peakKb) / static_cast<double>(row.ours.peakKb) : 0;
        // The same book's first page, which the far place is to match.
        double startSeconds = 0;
        for (const Row& start : rows) {
            if (start.book == row.book && start.mode == "first page" &&
                start.ours.failure.empty()) {
                startSeconds = start.ours.seconds;
            }
        }
        const char* goal = farPlace    ? "<= 1.2x its start"
                           : firstPage ? ">= 5x faster"
                                       : "faster and less memory";
        std::string met;
        if (!oursOk) {
            met = "no (ours failed)";
        } else if (farPlace) {
            met = startSeconds > 0 && row.ours.seconds <= 1.2 * startSeconds
                      ? Format("yes (%.2fx)", row.ours.seconds / startSeconds)
                      : Format("no (%.2fx)", row.ours.seconds / startSeconds);
        } else if (!both) {
            met = "unknown";
        } else if (firstPage) {
            met = speed >= 5 ? "yes" : "no";
        } else {
            met = speed > 1 && memory > 1 ? "yes" : "no";
        }
        std::printf("%-10s %-10s %4s %9s %9s %7s %8s %8s %6s  %-24s %s\n", row.book.c_str(),
                    row.mode.c_str(), runs.c_str(), oursTime.c_str(), mupdfTime.c_str(),
                    both ? Format("%.2fx", speed).c_str() : "-", oursPeak.c_str(),
                    mupdfPeak.c_str(), both ? Format("%.2fx", memory).c_str() : "-", goal,
                    met.c_str());
        if (!oursOk) {
            ourFailure = true;
            failures.push_back("quirelle, " + row.book + ", " + row.mode + ": " + row.ours.failure);
        }
        if (row.mupdf.measured && !mupdfOk) {
            failures.push_back("mutool, " + row.book + ", " + row.mode + ": " + row.mupdf.failure);
        }
    }
    std::printf(
        "\nspeed and memory are MuPDF's figure divided by ours: above 1 we are faster or "
        "smaller.%s\n",
        mutool ? "" : " mutool was not found, so there is nothing to compare with.");
    if (!failures.empty()) {
        std::printf("\nFailed runs%s:\n", keep ? "" : " (run with --keep DIR to keep the books)");
        for (const std::string& failure : failures) {
            std::printf("  %s\n", failure.c_str());
        }
    }
    // Had this process grown while measuring, every later peak would have been raised with it.
    const RunResult lastFloor = RunOnce({"/bin/true"}, {}, out / "true.err", {}, "");
    if (lastFloor.peakKb > floor.peakKb + 1024) {
        std::printf("\nWarning: /bin/true now shows %.1f MB: the later peaks are too high.\n",
                    lastFloor.peakKb / 1024.0);
    }
    return ourFailure ? 1 : 0;
}
