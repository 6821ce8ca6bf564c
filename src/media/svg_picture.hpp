#pragma once

#include <librsvg/rsvg.h>

#include <memory>
#include <optional>
#include <string_view>

#include "media/picture_size.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// True when the data is an SVG document rather than a raster picture: "svg" within its first
// 400 bytes.
bool LooksLikeSvg(std::string_view data);

// An SVG document parsed once and drawn as often as needed, in the steps every SVG goes through:
// parse the buffer, ask its size, render onto a cairo context.
class SvgPicture {
  public:
    // Nothing when the data is not an SVG librsvg can read. The document is read without a base
    // location, so it can never fetch a file or a URL it names.
    static std::optional<SvgPicture> Parse(std::string_view data);

    // The size the document gives itself: its width and height in pixels, else its viewBox.
    PictureSize Size() const { return size_; }

    // Draws the whole document stretched into the rectangle, as vectors on whatever surface the
    // context targets. False when librsvg gave up on it (a reference cycle, say).
    bool Render(cairo_t* cr, double x, double y, double width, double height) const;

    // The document drawn into pixels of the given size; null when no such surface can be made.
    CairoSurface Rasterize(PictureSize size) const;

  private:
    struct HandleRelease {
        void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
    };

    SvgPicture(RsvgHandle* handle, PictureSize size) : handle_(handle), size_(size) {}

    std::unique_ptr<RsvgHandle, HandleRelease> handle_;
    PictureSize size_;
};

// An SVG document drawn into pixels at its own size, or smaller to stay within `maxPixels`;
// a null surface when it cannot be read.
CairoSurface RasterizeSvg(std::string_view data, long long maxPixels = kMaxPicturePixels);

}  // namespace quirelle
