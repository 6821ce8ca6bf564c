#include "media/svg_picture.hpp"

#include <algorithm>
#include <cmath>

#include "media/svg_library.hpp"

namespace quirelle {

namespace {

constexpr std::size_t kSvgSniffLength = 400;

// Sizes beyond any page: a document claiming more is drawn at no size at all.
constexpr double kLargestSide = 1'000'000.0;

int PixelSide(double length) {
    if (!std::isfinite(length) || length < 1.0 || length > kLargestSide) {
        return 0;
    }
    return static_cast<int>(std::lround(length));
}

PictureSize IntrinsicSize(const SvgLibrary& rsvg, RsvgHandle* handle) {
    double width = 0, height = 0;
    if (rsvg.intrinsicSizeInPixels(handle, &width, &height)) {
        const PictureSize size{PixelSide(width), PixelSide(height)};
        if (size.width > 0 && size.height > 0) {
            return size;
        }
    }
    // Width and height in percent (the usual cover page) say nothing alone: the viewBox does.
    gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
    RsvgLength lengthWidth, lengthHeight;
    RsvgRectangle viewBox;
    rsvg.intrinsicDimensions(handle, &hasWidth, &lengthWidth, &hasHeight, &lengthHeight,
                             &hasViewBox, &viewBox);
    if (hasViewBox) {
        return PictureSize{PixelSide(viewBox.width), PixelSide(viewBox.height)};
    }
    return {};
}

}  // namespace

bool LooksLikeSvg(std::string_view data) {
    return data.substr(0, kSvgSniffLength).find("svg") != std::string_view::npos;
}

std::optional<SvgPicture> SvgPicture::Parse(std::string_view data) {
    const SvgLibrary* rsvg = SvgLibrary::Get();
    if (rsvg == nullptr) {
        return std::nullopt;
    }
    GError* error = nullptr;
    RsvgHandle* handle =
        rsvg->newFromData(reinterpret_cast<const guint8*>(data.data()), data.size(), &error);
    if (handle == nullptr) {
        g_clear_error(&error);
        return std::nullopt;
    }
    // Lengths in physical units (mm, in, pt) come out as at 96 dots per inch, as in browsers.
    rsvg->setDpi(handle, 96.0);
    const PictureSize size = IntrinsicSize(*rsvg, handle);
    if (size.width <= 0 || size.height <= 0) {
        g_object_unref(handle);
        return std::nullopt;
    }
    return SvgPicture(handle, size);
}

bool SvgPicture::Render(cairo_t* cr, double x, double y, double width, double height) const {
    if (width <= 0 || height <= 0) {
        return true;
    }
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    // Stretched, not letter-boxed: the drawn rectangle may have another shape than the document.
    cairo_scale(cr, width / size_.width, height / size_.height);
    const RsvgRectangle viewport{0, 0, static_cast<double>(size_.width),
                                 static_cast<double>(size_.height)};
    GError* error = nullptr;
    // A picture exists only once the library was opened.
    const bool rendered = SvgLibrary::Get()->renderDocument(handle_.get(), cr, &viewport, &error);
    g_clear_error(&error);
    cairo_restore(cr);
    return rendered;
}

CairoSurface SvgPicture::Rasterize(PictureSize size) const {
    CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    CairoContext cr(cairo_create(surface.get()));
    Render(cr.get(), 0, 0, size.width, size.height);
    cr.reset();
    cairo_surface_flush(surface.get());
    return surface;
}

CairoSurface RasterizeSvg(std::string_view data, long long maxPixels) {
    const auto svg = SvgPicture::Parse(data);
    if (!svg) {
        return nullptr;
    }
    PictureSize size = svg->Size();
    if (size.Pixels() > maxPixels) {
        const double shrink = std::sqrt(static_cast<double>(maxPixels) / size.Pixels());
        size = {std::max(1, static_cast<int>(size.width * shrink)),
                std::max(1, static_cast<int>(size.height * shrink))};
    }
    return svg->Rasterize(size);
}

}  // namespace quirelle
