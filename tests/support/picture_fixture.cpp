#include "support/picture_fixture.hpp"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <zlib.h>

#include <stdexcept>

namespace quirelle::testing {

namespace {

// The picture in a file of the given type; the pixbuf is let go.
std::string SavedAndReleased(GdkPixbuf* pixbuf, const char* type) {
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, &error, nullptr);
    g_object_unref(pixbuf);
    if (!saved) {
        g_clear_error(&error);
        throw std::runtime_error(std::string("cannot make a ") + type + " picture");
    }
    std::string file(buffer, size);
    g_free(buffer);
    return file;
}

std::string Saved(int width, int height, Rgba color, bool alpha, const char* type) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
    const guint32 pixel =
        static_cast<guint32>(color.red) << 24 | color.green << 16 | color.blue << 8 | color.alpha;
    gdk_pixbuf_fill(pixbuf, pixel);
    return SavedAndReleased(pixbuf, type);
}

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

}  // namespace

std::string PngOfColor(int width, int height, Rgba color) {
    return Saved(width, height, color, true, "png");
}

std::string PngOfColumns(const std::vector<Rgba>& columns, int height) {
    const int width = static_cast<int>(columns.size());
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            guchar* pixel = pixels + y * stride + x * 4;
            const Rgba& color = columns[static_cast<std::size_t>(x)];
            pixel[0] = color.red;
            pixel[1] = color.green;
            pixel[2] = color.blue;
            pixel[3] = color.alpha;
        }
    }
    return SavedAndReleased(pixbuf, "png");
}

std::string JpegOfColor(int width, int height, Rgba color) {
    return Saved(width, height, color, false, "jpeg");
}

std::string WebpOfColor(int width, int height, Rgba color) {
    return Saved(width, height, color, false, "webp");
}

std::string SvgOfColor(int width, int height, const std::string& color) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
           "\" height=\"" + std::to_string(height) +
           "\"><rect width=\"100%\" height=\"100%\" fill=\"" + color + "\"/></svg>";
}

std::string PngClaimingSize(std::uint32_t width, std::uint32_t height) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string chunk = "IHDR";
    AppendBigEndian(chunk, width);
    AppendBigEndian(chunk, height);
    chunk += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, no interlace
    AppendBigEndian(png, 13);
    png += chunk;
    AppendBigEndian(png, static_cast<std::uint32_t>(
                             crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size())));
    return png;
}

std::uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) +
        static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

}  // namespace quirelle::testing
