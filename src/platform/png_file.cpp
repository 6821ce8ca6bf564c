#include "platform/png_file.hpp"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <future>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

namespace quirelle {

namespace {

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Rows `first` up to `end` of the image as PNG stores them before compression, written to `out`:
// a filter byte, then red, green and blue. The "Sub" filter (each byte less the one a pixel
// before) turns the long runs of a page's background and text into runs of zeros, which pack
// well. Gives the number of bytes written.
std::size_t FilterRows(const unsigned char* pixels, int width, int stride, int first, int end,
                       std::uint8_t* out) {
    constexpr std::uint8_t kSubFilter = 1;
    std::uint8_t* const start = out;
    // cairo's pixels are native-order words: on a little-endian machine blue, green, red, then
    // the unused byte.
    static_assert(std::endian::native == std::endian::little);
    for (int y = first; y < end; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(
            pixels + static_cast<std::ptrdiff_t>(y) * stride);
        *out++ = kSubFilter;
        std::uint32_t previous = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = in[x];
            *out++ = static_cast<std::uint8_t>((pixel >> 16) - (previous >> 16));
            *out++ = static_cast<std::uint8_t>((pixel >> 8) - (previous >> 8));
            *out++ = static_cast<std::uint8_t>(pixel - previous);
            previous = pixel;
        }
    }
    return static_cast<std::size_t>(out - start);
}

// One part of the image's compressed data, made on its own: raw deflate blocks that start afresh
// (no match reaches into another part) and end on a whole byte, so that the parts follow one
// another in a single stream. Only the last part ends the stream. Empty when zlib fails.
struct CompressedPart {
    std::vector<std::uint8_t> data;
    uLong adler = 0;
    std::size_t length = 0;  // of the data before compression
};

struct DeflateEnd {
    void operator()(z_stream* stream) const { deflateEnd(stream); }
};

CompressedPart CompressPart(const unsigned char* pixels, int width, int stride, int first, int end,
                            bool last) {
    // A few rows at a time are filtered and compressed while they are still in the cache.
    constexpr int kRowsAStep = 16;
    const std::size_t rowBytes = 1 + static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> rows(rowBytes * kRowsAStep);
    z_stream stream{};
    // Level 1 packs a page about as tightly as the default level, several times as fast.
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    const std::unique_ptr<z_stream, DeflateEnd> ending(&stream);
    CompressedPart part;
    part.adler = adler32_z(0, nullptr, 0);
    // A page packs to a tenth of its bytes or less; the buffer grows when one does not.
    part.data.resize(
        std::max<std::size_t>(rowBytes * static_cast<std::size_t>(end - first) / 8, 4096));
    for (int y = first; y < end; y += kRowsAStep) {
        const int stepEnd = std::min(end, y + kRowsAStep);
        const std::size_t length = FilterRows(pixels, width, stride, y, stepEnd, rows.data());
        part.adler = adler32_z(part.adler, rows.data(), length);
        part.length += length;
        stream.next_in = rows.data();
        stream.avail_in = static_cast<uInt>(length);
        const bool lastStep = stepEnd == end;
        const int flush = !lastStep ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
        while (true) {
            if (part.data.size() - stream.total_out < 1024) {
                part.data.resize(part.data.size() * 2);
            }
            stream.next_out = part.data.data() + stream.total_out;
            stream.avail_out = static_cast<uInt>(
                std::min<std::size_t>(part.data.size() - stream.total_out, 1u << 30));
            const int result = deflate(&stream, flush);
            if (result == Z_STREAM_END) {
                break;
            }
            if (result != Z_OK && result != Z_BUF_ERROR) {
                return {};
            }
            // Done with the step when all of it went in and, for a flush, all of it came out
            // (zlib fills the output to the brim while it still holds some back).
            if (stream.avail_in == 0 && flush != Z_FINISH &&
                (flush == Z_NO_FLUSH || stream.avail_out != 0)) {
                break;
            }
        }
    }
    part.data.resize(stream.total_out);
    return part;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A chunk as PNG frames it: length, type, data, and the CRC of type and data.
bool WriteChunk(std::FILE* file, std::string_view type, const std::uint8_t* data,
                std::size_t size) {
    std::vector<std::uint8_t> head;
    PutBigEndian(head, static_cast<std::uint32_t>(size));
    head.insert(head.end(), type.begin(), type.end());
    uLong crc = crc32_z(crc32_z(0, nullptr, 0), head.data() + 4, 4);
    if (size > 0) {
        crc = crc32_z(crc, data, size);  // given no data, zlib would start the CRC afresh
    }
    std::vector<std::uint8_t> tail;
    PutBigEndian(tail, static_cast<std::uint32_t>(crc));
    return std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
           std::fwrite(data, 1, size, file) == size &&
           std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
}

bool WriteChunk(std::FILE* file, std::string_view type, const std::vector<std::uint8_t>& data) {
    return WriteChunk(file, type, data.data(), data.size());
}

// The compressed stream in IDAT chunks of a size every reader takes in its stride.
bool WriteImageData(std::FILE* file, const std::vector<std::uint8_t>& stream) {
    constexpr std::size_t kChunkBytes = 1 << 20;
    for (std::size_t at = 0; at < stream.size(); at += kChunkBytes) {
        if (!WriteChunk(file, "IDAT", stream.data() + at,
                        std::min(kChunkBytes, stream.size() - at))) {
            return false;
        }
    }
    return true;
}

// The PNG file of the pixels: 8-bit RGB, not interlaced. A page of two parts' rows or more is
// compressed in parts, one a core, for compression is most of the time it takes to write.
bool WriteFile(std::FILE* file, const unsigned char* pixels, int width, int height, int stride) {
    constexpr int kRowsAPart = 64;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int parts = std::clamp(height / kRowsAPart, 1, cores);
    std::vector<std::future<CompressedPart>> later;
    for (int part = 1; part < parts; ++part) {
        const int first = height * part / parts;
        const int end = height * (part + 1) / parts;
        // A part that gets no thread of its own (the system may refuse one) is compressed here.
        later.push_back(std::async(std::launch::async | std::launch::deferred, &CompressPart,
                                   pixels, width, stride, first, end, part == parts - 1));
    }
    std::vector<CompressedPart> compressed;
    compressed.push_back(CompressPart(pixels, width, stride, 0, height / parts, parts == 1));
    for (auto& part : later) {
        compressed.push_back(part.get());
    }

    // The zlib stream: a header (deflate, 32K window, fastest), the parts, and the Adler-32 of
    // all the data before compression.
    std::vector<std::uint8_t> stream = {0x78, 0x01};
    uLong adler = adler32_z(0, nullptr, 0);
    for (const CompressedPart& part : compressed) {
        if (part.data.empty()) {
            return false;
        }
        stream.insert(stream.end(), part.data.begin(), part.data.end());
        adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
    }
    PutBigEndian(stream, static_cast<std::uint32_t>(adler));

    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    constexpr std::uint8_t kBitDepth = 8, kTrueColour = 2;
    header.insert(header.end(),
                  {kBitDepth, kTrueColour, 0, 0, 0});  // deflate, filters, no interlace
    constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
    return std::fwrite(kSignature.data(), 1, kSignature.size(), file) == kSignature.size() &&
           WriteChunk(file, "IHDR", header) && WriteImageData(file, stream) &&
           WriteChunk(file, "IEND", {});
}

}  // namespace

bool WriteOpaquePng(cairo_surface_t* image, const std::string& path) {
    const cairo_format_t format = cairo_image_surface_get_format(image);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS ||
        (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)) {
        return false;
    }
    const int width = cairo_image_surface_get_width(image);
    const int height = cairo_image_surface_get_height(image);
    if (width <= 0 || height <= 0) {
        return false;
    }
    cairo_surface_flush(image);
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    bool written = WriteFile(file.get(), cairo_image_surface_get_data(image), width, height,
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
