#include "app/headless_commands.hpp"

#include <cstdio>
#include <fstream>
#include <memory>

#include "export/pdf_export.hpp"
#include "package/archive.hpp"
#include "platform/file_access.hpp"
#include "platform/headless_frontend.hpp"
#include "platform/png_file.hpp"
#include "platform/settings_store.hpp"
#include "search/book_search.hpp"
#include "search/hit_json.hpp"
#include "view/book_info.hpp"
#include "view/document_view.hpp"
#include "view/page_snapshot.hpp"

namespace quirelle {

namespace {

// The headless front end of a command run: progress in the status line goes to stderr.
class ConsoleFrontend : public HeadlessFrontend {
  public:
    using HeadlessFrontend::HeadlessFrontend;
    bool echoStatus = false;

    void SetStatus(std::string_view text) override {
        HeadlessFrontend::SetStatus(text);
        if (echoStatus && !text.empty()) {
            std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
        }
    }
};

// A book opened for a command: the view, its front end and what the probe said.
struct OpenedBook {
    std::unique_ptr<ConsoleFrontend> frontend;
    std::unique_ptr<DocumentView> view;
    ProbeResult probe = ProbeResult::Unreadable;
};

// Opens the command's book; on failure tells why on stderr and gives the exit status.
int Open(const CommandLine& command, OpenedBook& book) {
    const std::optional<Settings> settings = SettingsForRun(command);
    if (!settings) {
        return 1;
    }
    book.frontend = std::make_unique<ConsoleFrontend>(*settings);
    book.view = DocumentView::Create(*book.frontend);
    if (!book.view) {
        std::fprintf(stderr, "quirelle: not enough memory for the view\n");
        return 1;
    }
    // The "CSS" switch, as the window hands it to its view: without it the book's sheets would
    // style the page whatever the setting says.
    book.view->SetCssEnabled(settings->css);
    book.view->Data().screenTheme = ColorTheme(settings->theme);
    // The diagnostic dumps serve a book that displays badly in these modes as in the window.
    book.view->ReadToolTypes();
    // The first document is measured for the area it is shown in, once.
    if (command.mode == CommandLine::Mode::RenderPng) {
        book.view->Data().areaWidth = command.width;
        book.view->Data().areaHeight = command.height;
    }
    book.probe = ProbeArchive(command.file);
    switch (book.probe) {
        case ProbeResult::Protected:
            std::fprintf(stderr, "%.*s\n", static_cast<int>(kDrmMessage.size()),
                         kDrmMessage.data());
            return 2;
        case ProbeResult::Damaged:
            std::fprintf(stderr, "quirelle: %s\n", DamagedBookMessage(command.file).c_str());
            return 1;
        case ProbeResult::Unreadable:
            if (const auto reason = FileUnreadableReason(command.file)) {
                std::fprintf(stderr, "quirelle: could not open %s: %s\n", command.file.c_str(),
                             reason->c_str());
            } else {
                std::fprintf(stderr, "quirelle: %s is not a readable EPUB book\n",
                             command.file.c_str());
            }
            return 1;
        case ProbeResult::Readable:
            break;
    }
    // Probed already: the book is read without a second probe. The view says on stderr why a
    // book it cannot read was not opened.
    return book.view->LoadBook(command.file) ? 0 : 1;
}

// The --dump-layout file, opened before anything is laid out so that a name that cannot be
// written is told before the work; none when it was not asked for.
struct LayoutDumpFile {
    std::ofstream stream;
    bool asked = false;

    std::ostream* dump() { return asked ? &stream : nullptr; }

    bool Open(const CommandLine& command) {
        if (command.layoutDump.empty()) {
            return true;
        }
        stream.open(command.layoutDump, std::ios::binary | std::ios::trunc);
        if (!stream) {
            std::fprintf(stderr, "quirelle: cannot write %s\n", command.layoutDump.c_str());
            return false;
        }
        asked = true;
        return true;
    }

    // Whether everything dumped reached the file.
    bool Close(const CommandLine& command) {
        if (!asked) {
            return true;
        }
        stream.close();
        if (!stream) {
            std::fprintf(stderr, "quirelle: cannot write %s\n", command.layoutDump.c_str());
            return false;
        }
        return true;
    }
};

}  // namespace

std::optional<Settings> SettingsForRun(const CommandLine& command) {
    Settings settings = LoadSettings();
    for (const auto& [key, value] : command.settingOverrides) {
        if (!settings.Set(key, value)) {
            std::fprintf(stderr, "quirelle: cannot set %s to \"%s\"\n", key.c_str(), value.c_str());
            return std::nullopt;
        }
    }
    return settings;
}

int RunInfoCommand(const CommandLine& command) {
    OpenedBook book;
    if (const int status = Open(command, book); status != 0) {
        return status;
    }
    std::printf("%s\n", BookInfoJson(book.probe, book.view->Data(), *book.frontend).c_str());
    return 0;
}

int RunRenderPngCommand(const CommandLine& command) {
    OpenedBook book;
    if (const int status = Open(command, book); status != 0) {
        return status;
    }
    const int count = book.view->Data().book.documentCount;
    if (command.page < 0 || command.page >= count) {
        std::fprintf(stderr, "quirelle: the book has no document %d (it has %d)\n", command.page,
                     count);
        return 1;
    }
    LayoutDumpFile dumpFile;
    if (!dumpFile.Open(command)) {
        return 1;
    }
    int page = command.page;
    double scroll = command.scroll;
    if (!command.gotoTarget.empty()) {
        // The jump is made from document `page`, in a view of the snapshot's size.
        DocumentViewData& data = book.view->Data();
        data.areaWidth = command.width;
        data.areaHeight = command.height;
        if (data.currentPage != page) {
            book.view->LoadPage(page);  // the book opened at its first document
        }
        book.view->GotoTarget(command.gotoTarget);
        page = data.currentPage;
        scroll += book.view->ScrollOffsetOnScreen();
    }
    const CairoSurface image =
        SnapshotPage(*book.view, page, command.width, command.height, scroll);
    if (!image) {
        std::fprintf(stderr, "quirelle: document %d of the book could not be read\n", page);
        return 1;
    }
    if (!WriteOpaquePng(image.get(), command.output)) {
        std::fprintf(stderr, "quirelle: cannot write %s\n", command.output.c_str());
        return 1;
    }
    if (std::ostream* dump = dumpFile.dump()) {
        DumpPageLayout(*book.view, page, *dump);
    }
    return dumpFile.Close(command) ? 0 : 1;
}

int RunExportPdfCommand(const CommandLine& command) {
    OpenedBook book;
    if (const int status = Open(command, book); status != 0) {
        return status;
    }
    const int count = book.view->Data().book.documentCount;
    const int from = command.from.value_or(0);
    const int to = command.to.value_or(count - 1);
    if (from < 0 || to >= count) {
        std::fprintf(stderr,
                     "quirelle: the range %d to %d is outside the book's documents 0 to %d\n", from,
                     to, count - 1);
        return 1;
    }
    if (from > to) {
        std::fprintf(stderr, "quirelle: the range %d to %d is empty: nothing to export\n", from,
                     to);
        return 1;
    }
    LayoutDumpFile dumpFile;
    if (!dumpFile.Open(command)) {
        return 1;
    }
    book.frontend->echoStatus = true;
    MeasurePages(*book.view, from, to);
    const PdfOptions options{command.paper, command.pageNumbers};
    if (!ExportPdfPages(*book.view, command.output, from, to, dumpFile.dump(), options)) {
        std::fprintf(stderr, "quirelle: cannot write %s\n", command.output.c_str());
        return 1;
    }
    return dumpFile.Close(command) ? 0 : 1;
}

int RunSearchCommand(const CommandLine& command) {
    OpenedBook book;
    if (const int status = Open(command, book); status != 0) {
        return status;
    }
    const DocumentViewData& data = book.view->Data();
    const std::vector<DocumentEntry> documents(
        data.book.documents.begin(), data.book.documents.begin() + data.book.documentCount);
    const SearchOptions options{.matchCase = command.matchCase,
                                .wholeWords = command.wholeWords,
                                .bookSheets = data.cssEnabled};
    const std::string archivePath = data.book.archivePath;
    // The view has read the book; what it holds of the first document is not needed while the
    // workers hold theirs.
    book.view.reset();
    bool allRead = true;
    BookSearch search(
        archivePath, documents, command.searchTerm, options, [&](DocumentHits&& result) {
            for (const SearchHit& hit : result.hits) {
                std::printf("%s\n", SearchHitJson(hit).c_str());
            }
            if (!result.read) {
                allRead = false;
                std::fprintf(stderr,
                             "quirelle: document %d (%s) could not be read: its "
                             "text was not searched\n",
                             result.document, documents[result.document].href.c_str());
            }
        });
    search.Wait();
    return allRead ? 0 : 1;
}

}  // namespace quirelle
