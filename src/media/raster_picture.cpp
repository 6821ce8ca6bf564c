#include "media/raster_picture.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "media/picture_shrinking.hpp"
#include "media/png_decoding.hpp"

namespace quirelle {

namespace {

struct ObjectRelease {
    void operator()(void* object) const { g_object_unref(object); }
};
using LoaderHandle = std::unique_ptr<GdkPixbufLoader, ObjectRelease>;

// Data goes to a loader step by step, so that a loader can be left as soon as its header has
// said enough: a hostile header must not make it unpack a gigapixel first. Measuring takes small
// steps, because a loader decodes whatever pixels a step brings along with the header.
constexpr std::size_t kMeasureStep = 512;
constexpr std::size_t kDecodeStep = 64 * 1024;

// What a loader has told so far.
struct LoaderWatch {
    std::optional<PictureSize> natural;
    long long maxPixels = 0;
    bool refused = false;
    // How far down the picture rows have been decoded: a file cut short ends above the bottom.
    int rowsDone = 0;
    // The size to decode at, when the loader may scale while it decodes.
    std::optional<PictureSize> scaleTo;
};

void OnSizePrepared(GdkPixbufLoader* loader, int width, int height, gpointer data) {
    auto* watch = static_cast<LoaderWatch*>(data);
    watch->natural = PictureSize{width, height};
    if (width <= 0 || height <= 0 || watch->natural->Pixels() > watch->maxPixels) {
        watch->refused = true;
        // The loader goes on until the data stops; the least it can make is one pixel.
        gdk_pixbuf_loader_set_size(loader, 1, 1);
    } else if (watch->scaleTo) {
        gdk_pixbuf_loader_set_size(loader, watch->scaleTo->width, watch->scaleTo->height);
    }
}

// The loader's pixels come from an allocation it never clears: rows that a broken file never
// reaches would show whatever memory held before.
void OnAreaPrepared(GdkPixbufLoader* loader, gpointer) {
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf != nullptr) {
        std::memset(gdk_pixbuf_get_pixels(pixbuf), 0, gdk_pixbuf_get_byte_length(pixbuf));
    }
}

void OnAreaUpdated(GdkPixbufLoader*, int, int y, int, int height, gpointer data) {
    auto* watch = static_cast<LoaderWatch*>(data);
    watch->rowsDone = std::max(watch->rowsDone, y + height);
}

// Feeds `data` to a fresh loader step by step while `more` says so, then closes it; the loader
// is returned only when every byte went in and it closed without an error.
template <typename More>
LoaderHandle Feed(std::string_view data, std::size_t step, LoaderWatch& watch, More more) {
    LoaderHandle loader(gdk_pixbuf_loader_new());
    g_signal_connect(loader.get(), "size-prepared", G_CALLBACK(&OnSizePrepared), &watch);
    g_signal_connect(loader.get(), "area-prepared", G_CALLBACK(&OnAreaPrepared), nullptr);
    g_signal_connect(loader.get(), "area-updated", G_CALLBACK(&OnAreaUpdated), &watch);
    bool complete = true;
    for (std::size_t offset = 0; offset < data.size(); offset += step) {
        if (!more()) {
            complete = false;
            break;
        }
        const std::size_t length = std::min(step, data.size() - offset);
        GError* error = nullptr;
        if (!gdk_pixbuf_loader_write(loader.get(),
                                     reinterpret_cast<const guchar*>(data.data()) + offset, length,
                                     &error)) {
            g_clear_error(&error);
            complete = false;
            break;
        }
    }
    GError* error = nullptr;
    const bool closed = gdk_pixbuf_loader_close(loader.get(), &error);
    g_clear_error(&error);
    if (!complete || !closed) {
        return nullptr;
    }
    return loader;
}

unsigned Byte(std::string_view data, std::size_t at) {
    return static_cast<unsigned char>(data[at]);
}
unsigned BigEndian16(std::string_view data, std::size_t at) {
    return Byte(data, at) << 8 | Byte(data, at + 1);
}

// The size as the three formats books nearly always use state it in their headers. Reading it
// there spares a loader, which would allocate and clear the whole picture just to say its size.
// Other formats, and headers these readings do not understand, go to a loader.
std::optional<PictureSize> SizeFromHeader(std::string_view data) {
    if (data.size() >= 24 && IsPngData(data) && data.substr(12, 4) == "IHDR") {
        const auto word = [&](std::size_t at) {
            return BigEndian16(data, at) << 16 | BigEndian16(data, at + 2);
        };
        if (word(16) > 0x7FFFFFFF || word(20) > 0x7FFFFFFF) {
            return PictureSize{};
        }
        return PictureSize{static_cast<int>(word(16)), static_cast<int>(word(20))};
    }
    if (data.size() >= 10 && (data.starts_with("GIF87a") || data.starts_with("GIF89a"))) {
        return PictureSize{static_cast<int>(Byte(data, 6) | Byte(data, 7) << 8),
                           static_cast<int>(Byte(data, 8) | Byte(data, 9) << 8)};
    }
    if (IsJpegData(data)) {
        // Marker segments follow the start of image; the first start of frame holds the size.
        std::size_t at = 2;
        while (at + 4 <= data.size()) {
            if (Byte(data, at) != 0xFF) {
                return std::nullopt;
            }
            const unsigned marker = Byte(data, at + 1);
            if (marker == 0xFF) {
                ++at;  // fill byte
                continue;
            }
            const std::size_t length = BigEndian16(data, at + 2);
            const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                                      marker != 0xC8 && marker != 0xCC;
            if (startOfFrame) {
                if (at + 9 > data.size()) {
                    return std::nullopt;
                }
                return PictureSize{static_cast<int>(BigEndian16(data, at + 7)),
                                   static_cast<int>(BigEndian16(data, at + 5))};
            }
            if (marker == 0xD9 || marker == 0xDA || length < 2) {
                return std::nullopt;  // the image data began, or the file ended, without a frame
            }
            at += 2 + length;
        }
    }
    return std::nullopt;
}

// A new surface of the picture's pixels: with alpha when it has any, else opaque (then a PDF
// needs no mask for it, and nobody has to look at every pixel to find that out).
CairoSurface NewPictureSurface(int width, int height, bool alpha) {
    CairoSurface surface(cairo_image_surface_create(
        alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    return surface;
}

// Decoded through gdk-pixbuf's loaders. A loader reports every row it fills, unless it was asked
// to scale: so pictures are decoded at their own size, and a picture cut short, whose missing
// rows would be garbage, is refused. JPEG alone is decoded scaled (`scaleTo`), for libjpeg then
// unpacks only what that size needs, and it fills the rows of a file cut short with grey.
CairoSurface DecodeWithLoader(std::string_view data, long long maxPixels,
                              std::optional<PictureSize> scaleTo = std::nullopt) {
    LoaderWatch watch;
    watch.maxPixels = maxPixels;
    watch.scaleTo = scaleTo;
    LoaderHandle loader = Feed(data, kDecodeStep, watch, [&] { return !watch.refused; });
    if (!loader || watch.refused || !watch.natural ||
        (!scaleTo && watch.rowsDone < watch.natural->height)) {
        return nullptr;
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
    if (pixbuf == nullptr || gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
        gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB) {
        return nullptr;
    }
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    if (gdk_pixbuf_get_n_channels(pixbuf) != (alpha ? 4 : 3)) {
        return nullptr;
    }
    CairoSurface surface = NewPictureSurface(width, height, alpha);
    if (!surface) {
        return nullptr;
    }
    const guchar* source = gdk_pixbuf_read_pixels(pixbuf);
    const int sourceStride = gdk_pixbuf_get_rowstride(pixbuf);
    unsigned char* target = cairo_image_surface_get_data(surface.get());
    const int targetStride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const guchar* in = source + static_cast<std::ptrdiff_t>(y) * sourceStride;
        auto* out = reinterpret_cast<std::uint32_t*>(target +
                                                     static_cast<std::ptrdiff_t>(y) * targetStride);
        if (alpha) {
            for (int x = 0; x < width; ++x, in += 4) {
                out[x] = PremultipliedPixel(in[0], in[1], in[2], in[3]);
            }
        } else {
            // Opaque pixels only change their order: this loop runs over every pixel of every
            // picture decoded, so it stays free of multiplications.
            for (int x = 0; x < width; ++x, in += 3) {
                out[x] = 0xFF000000u | static_cast<std::uint32_t>(in[0]) << 16 |
                         static_cast<std::uint32_t>(in[1]) << 8 | in[2];
            }
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// The picture resampled to another size, in its own format. Made smaller, its pixels are averaged
// over the area each covers; made larger, cairo interpolates between them.
CairoSurface Scaled(cairo_surface_t* natural, PictureSize size) {
    if (size.width <= cairo_image_surface_get_width(natural) &&
        size.height <= cairo_image_surface_get_height(natural)) {
        return ShrinkPicture(natural, size);
    }
    CairoSurface drawn(cairo_image_surface_create(cairo_image_surface_get_format(natural),
                                                  size.width, size.height));
    CairoContext cr(cairo_create(drawn.get()));
    cairo_scale(cr.get(), static_cast<double>(size.width) / cairo_image_surface_get_width(natural),
                static_cast<double>(size.height) / cairo_image_surface_get_height(natural));
    cairo_set_source_surface(cr.get(), natural, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cr.reset();
    cairo_surface_flush(drawn.get());
    return cairo_surface_status(drawn.get()) == CAIRO_STATUS_SUCCESS ? std::move(drawn) : nullptr;
}

}  // namespace

std::uint32_t PremultipliedPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                 std::uint8_t alpha) {
    // c * a / 255, rounded, without a division.
    const auto multiply = [alpha](std::uint32_t component) {
        const std::uint32_t t = component * alpha + 0x80;
        return ((t >> 8) + t) >> 8;
    };
    return static_cast<std::uint32_t>(alpha) << 24 | multiply(red) << 16 | multiply(green) << 8 |
           multiply(blue);
}

bool IsJpegData(std::string_view data) {
    return data.size() > 3 && static_cast<unsigned char>(data[0]) == 0xFF &&
           static_cast<unsigned char>(data[1]) == 0xD8 &&
           static_cast<unsigned char>(data[2]) == 0xFF;
}

std::optional<PictureSize> MeasureRasterPicture(std::string_view data, long long maxPixels) {
    if (const auto size = SizeFromHeader(data)) {
        if (size->width <= 0 || size->height <= 0 || size->Pixels() > maxPixels) {
            return std::nullopt;
        }
        return size;
    }
    LoaderWatch watch;
    watch.maxPixels = maxPixels;
    // Only the header is wanted: the loader is left as soon as it has told the size.
    Feed(data, kMeasureStep, watch, [&] { return !watch.natural; });
    if (!watch.natural || watch.refused) {
        return std::nullopt;
    }
    return watch.natural;
}

CairoSurface DecodeRasterPicture(std::string_view data, std::optional<PictureSize> drawnSize,
                                 long long maxPixels) {
    if (drawnSize &&
        (drawnSize->width <= 0 || drawnSize->height <= 0 || drawnSize->Pixels() > maxPixels)) {
        return nullptr;
    }
    // A JPEG drawn smaller than it is comes out of the loader at the drawn size.
    if (drawnSize && IsJpegData(data)) {
        const auto natural = SizeFromHeader(data);
        if (natural && natural->width > drawnSize->width && natural->height > drawnSize->height) {
            return DecodeWithLoader(data, maxPixels, drawnSize);
        }
    }
    // PNG, the most common format of all, is decoded by libpng straight into the surface; the
    // loader would decode it into a buffer of its own first, and clear that before.
    CairoSurface natural =
        IsPngData(data) ? DecodePngPicture(data, maxPixels) : DecodeWithLoader(data, maxPixels);
    if (!natural || !drawnSize ||
        *drawnSize == PictureSize{cairo_image_surface_get_width(natural.get()),
                                  cairo_image_surface_get_height(natural.get())}) {
        return natural;
    }
    return Scaled(natural.get(), *drawnSize);
}

}  // namespace quirelle
