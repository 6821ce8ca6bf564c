// A book's own description: the container, the package document, the NCX and a first document,
// given as one input whose parts are parted by a line "--8<--". They are packed into a real
// archive and the book is opened as the window opens it, its table of contents read and its
// first and last pages drawn on a small page.
#include <cairo.h>
#include <zip.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "scratch_file.hpp"
#include "view/document_view.hpp"

namespace {

constexpr std::string_view kSeparator = "\n--8<--\n";

std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    while (parts.size() < 3) {
        const std::size_t at = input.find(kSeparator);
        if (at == std::string_view::npos) {
            break;
        }
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + kSeparator.size());
    }
    parts.push_back(input);
    return parts;
}

// Packs the members, uncompressed, into `path`; false when the archive library refuses.
bool WriteBook(const std::string& path, const std::vector<std::string_view>& parts) {
    static const char* const kNames[] = {"META-INF/container.xml", "OEBPS/content.opf",
                                         "OEBPS/toc.ncx", "OEBPS/chapter.xhtml"};
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    const auto add = [archive](const char* name, std::string_view bytes) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (source == nullptr) {
            return;
        }
        const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            return;
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    };
    add("mimetype", "application/epub+zip");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        add(kNames[i], parts[i]);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return false;
    }
    return true;
}

void DrawPage(quirelle::DocumentView& view) {
    quirelle::CairoSurface page(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 120));
    quirelle::CairoContext cr(cairo_create(page.get()));
    view.Draw(cr.get(), 160, 120);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const quirelle::fuzzing::ScratchFile book("book.epub");
    const std::vector<std::string_view> parts =
        Parts(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!WriteBook(book.Path(), parts)) {
        return 0;
    }
    quirelle::HeadlessFrontend frontend;
    // The NCX's points become the reading order, so that it is read in full.
    frontend.MutableSettings().ignoreToc = false;
    quirelle::DocumentView view(frontend);
    view.Data().areaWidth = 160;
    view.Data().areaHeight = 120;
    if (!view.OpenBook(book.Path())) {
        return 0;
    }
    view.ReadToc();
    DrawPage(view);
    const int last = view.Data().book.documentCount - 1;
    if (last > 0) {
        view.LoadPage(last);
        DrawPage(view);
    }
    return 0;
}
