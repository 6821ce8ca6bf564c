#include "platform/png_file.hpp"

#include <png.h>

#include <bit>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace quirelle {

namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng's write state and its info, released together.
class PngWriter {
  public:
    PngWriter()
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)),
          info_(png_ ? png_create_info_struct(png_) : nullptr) {}
    ~PngWriter() { png_destroy_write_struct(&png_, &info_); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_;
    png_infop info_;
};

// libpng reports errors by jumping back to the last setjmp; nothing with a destructor may be
// made between the setjmp and the calls that can jump, so they live in this function alone.
bool WriteRows(const PngWriter& writer, std::FILE* file, const unsigned char* pixels, int width,
               int height, int stride) {
    png_structp png = writer.png();
    png_infop info = writer.info();
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // cairo's pixels are native-order words: on a little-endian machine blue, green, red, then
    // the unused byte.
    static_assert(std::endian::native == std::endian::little);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, pixels + static_cast<std::ptrdiff_t>(y) * stride);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

bool WriteOpaquePng(cairo_surface_t* image, const std::string& path) {
    const cairo_format_t format = cairo_image_surface_get_format(image);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)) {
        return false;
    }
    cairo_surface_flush(image);
    const PngWriter writer;
    if (writer.png() == nullptr || writer.info() == nullptr) {
        return false;
    }
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    bool written =
        WriteRows(writer, file.get(), cairo_image_surface_get_data(image),
                  cairo_image_surface_get_width(image), cairo_image_surface_get_height(image),
                  cairo_image_surface_get_stride(image)) &&
        std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
    // Closing is the last chance for the data to fail to reach the disk.
    written = std::fclose(file.release()) == 0 && written;
    // A file cut short is worse than none; but what is not a plain file (a device, a pipe) is
    // not ours to remove.
    std::error_code ignored;
    if (!written && std::filesystem::is_regular_file(path, ignored)) {
        std::filesystem::remove(path, ignored);
    }
    return written;
}

}  // namespace quirelle
