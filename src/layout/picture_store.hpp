#pragma once

#include <cairo.h>

#include <cstddef>
#include <future>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "media/picture_size.hpp"
#include "package/archive_reader.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// Where a picture's data comes from: a member of the book, or the markup of an inline svg element.
struct PictureSource {
    std::string_view name;     // file part of the source; "SVG" for inline markup
    std::string_view svgText;  // the markup, for "SVG"
};

// The pictures of the open book as the layout passes need them. A picture's natural size is
// learned once per book; on screen a picture is drawn from a copy decoded at the size it is drawn,
// kept while the memory budget allows, so that a scroll step decodes nothing. On a PDF page each
// picture goes in as its own image (JPEG data as it is, SVG as vectors), embedded once per file.
class PictureStore {
  public:
    // The decoded copies kept for the screen, at most this many bytes of pixels.
    static constexpr std::size_t kBudgetBytes = 128u << 20;
    // The pictures decoded ahead for the next PDF page, at most this many pixels (256 MB).
    static constexpr long long kAheadPixels = 64'000'000;
    // Copies for the screen decoded ahead at once, each on a thread of its own; a view with more
    // pictures decodes the others as it draws them.
    static constexpr std::size_t kScreenDecoders = 4;

    // Forgets everything learned of the previous book; the pictures of this one are read from
    // its archive.
    void OpenBook(std::shared_ptr<ArchiveReader> archive);

    // The natural size of the picture; nothing when its data cannot be had or decoded.
    std::optional<PictureSize> NaturalSize(const PictureSource& source);

    // Draws the picture stretched into the rectangle. A picture that cannot be had draws nothing.
    void Draw(cairo_t* cr, const PictureSource& source, double x, double y, double width,
              double height);

    // Starts decoding, on another thread, the copy of a picture the screen is about to draw at
    // this size: a pass that measures a page finds the pictures of its first view before the
    // pass that draws them, and this thread lays out and draws the text meanwhile. SVG, and a
    // copy that is kept or on its way, are left to the drawing.
    void DecodeAheadForScreen(const PictureSource& source, double width, double height);

    // Starts decoding, on another thread, the pictures a PDF page about to be written will draw
    // (their names), while this thread writes the page before it; the pictures decoded for the
    // previous call are the ones drawn next. An empty list ends the decoding ahead.
    void DecodeAheadForPdf(const std::vector<std::string>& names);

    // The background picture of a page: stretched over the area for "no-repeat", tiled at its
    // natural size from the corner for every other repeat mode. The picture's natural size, or
    // nothing when it cannot be drawn.
    std::optional<PictureSize> DrawBackground(cairo_t* cr, std::string_view name,
                                              std::string_view repeat, int areaWidth,
                                              int areaHeight);

    PictureStore() = default;
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;
    ~PictureStore();

  private:
    using PdfImages = std::unordered_map<std::string, CairoSurface>;

    struct Cached {
        CairoSurface surface;
        std::size_t bytes = 0;
        std::list<std::string>::iterator age;
    };

    std::optional<std::string> Data(const PictureSource& source);
    // The size a picture drawn into a width x height rectangle is decoded at, and the key of
    // that copy; nothing for a rectangle of no size.
    struct CopyKind {
        std::string key;
        PictureSize drawn;
        bool atNaturalSize = false;
    };
    static std::optional<CopyKind> CopyKindOf(const std::string& key, double width, double height);
    // The copy under `key`, made by `make` when there is none; null when it cannot be made.
    template <typename Make>
    cairo_surface_t* Copy(const std::string& key, Make make);

    std::shared_ptr<ArchiveReader> archive_;
    std::unordered_map<std::string, std::optional<PictureSize>> naturalSizes_;
    std::unordered_map<std::string, Cached> copies_;
    std::list<std::string> ages_;  // keys of the copies, the one used last in front
    std::size_t copyBytes_ = 0;
    // Copies on their way from DecodeAheadForScreen, by key.
    std::unordered_map<std::string, std::future<CairoSurface>> copiesAhead_;

    // The images decoded ahead for the PDF page being written, and those on their way for the
    // next one.
    PdfImages pdfImages_;
    std::vector<std::future<PdfImages>> pdfImagesAhead_;
};

}  // namespace quirelle
