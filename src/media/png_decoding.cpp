#include "media/png_decoding.hpp"

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/raster_picture.hpp"

namespace quirelle {

namespace {

// libpng's read state and its info, released together.
class PngReader {
  public:
    PngReader()
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &OnError, &OnWarning)),
          info_(png_ ? png_create_info_struct(png_) : nullptr) {}
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    // Errors end the decoding (through the setjmp of the caller); neither errors nor warnings
    // are printed, for a broken picture in a book is the book's affair, shown as an empty place.
    static void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    static void OnWarning(png_structp, png_const_charp) {}

    png_structp png_;
    png_infop info_;
};

// The file's bytes as libpng asks for them; asking past the end is an error, a file cut short.
struct MemorySource {
    std::string_view data;
    std::size_t offset = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->data.size() - source->offset) {
        png_error(png, "the file ends early");
    }
    std::memcpy(out, source->data.data() + source->offset, length);
    source->offset += length;
}

struct Header {
    PictureSize size;
    bool alpha = false;
};

// libpng reports errors by jumping back to the last setjmp; nothing with a destructor may be made
// between the setjmp and the calls that can jump, so each stage lives in a function of its own.

// Reads the header and asks libpng for 8-bit blue, green, red and alpha (or filler) bytes, the
// order of cairo's native-order words on a little-endian machine.
bool ReadHeader(const PngReader& reader, MemorySource& source, long long maxPixels,
                Header& header) {
    png_structp png = reader.png();
    png_infop info = reader.info();
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, &source, &ReadFromMemory);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    header.size = {static_cast<int>(width), static_cast<int>(height)};
    if (width == 0 || height == 0 || header.size.Pixels() > maxPixels) {
        return false;
    }
    const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    header.alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparentColour;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (transparentColour) {
        png_set_tRNS_to_alpha(png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    static_assert(std::endian::native == std::endian::little);
    png_set_bgr(png);
    if (!header.alpha) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(width) * 4;
}

bool ReadRows(const PngReader& reader, png_bytepp rows) {
    png_structp png = reader.png();
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool IsPngData(std::string_view data) {
    return data.starts_with("\x89PNG\r\n\x1a\n");
}

CairoSurface DecodePngPicture(std::string_view data, long long maxPixels) {
    if (!IsPngData(data)) {
        return nullptr;
    }
    const PngReader reader;
    if (reader.png() == nullptr || reader.info() == nullptr) {
        return nullptr;
    }
    MemorySource source{data};
    Header header;
    if (!ReadHeader(reader, source, maxPixels, header)) {
        return nullptr;
    }
    CairoSurface surface(
        cairo_image_surface_create(header.alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                   header.size.width, header.size.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    std::vector<png_bytep> rows(static_cast<std::size_t>(header.size.height));
    for (int y = 0; y < header.size.height; ++y) {
        rows[static_cast<std::size_t>(y)] = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    }
    if (!ReadRows(reader, rows.data())) {
        return nullptr;
    }
    if (header.alpha) {
        // libpng gives straight alpha; cairo draws premultiplied.
        for (png_bytep row : rows) {
            auto* pixel = reinterpret_cast<std::uint32_t*>(row);
            for (int x = 0; x < header.size.width; ++x, ++pixel) {
                const std::uint32_t value = *pixel;
                const std::uint32_t alpha = value >> 24;
                if (alpha != 0xFF) {
                    *pixel = PremultipliedPixel((value >> 16) & 0xFF, (value >> 8) & 0xFF,
                                                value & 0xFF, static_cast<std::uint8_t>(alpha));
                }
            }
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace quirelle
