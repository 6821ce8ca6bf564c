#include "media/picture_shrinking.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quirelle {

namespace {

// Weights are fixed point: a whole source pixel counts kOne, and the weights of one target pixel
// add up to exactly kOne. Eight bits keep a channel times a weight, summed over a span, within
// 16 bits, so the rows are summed in 16-bit values, many to a vector step.
constexpr std::uint32_t kOneShift = 8;
constexpr std::uint32_t kOne = 1u << kOneShift;

// The source pixels target pixel t covers along one direction: `count` of them from `first`, their
// weights at weights[offset...].
struct Span {
    int first = 0;
    int count = 0;
    std::size_t offset = 0;
};

struct Spans {
    std::vector<Span> spans;
    std::vector<std::uint16_t> weights;
};

// The spans of `target` pixels spread over `source` pixels (target <= source). Pixel t covers
// [t * source / target, (t + 1) * source / target); positions are kept as whole multiples of
// 1 / target, so that the spans meet exactly and no rounding drifts along a row.
Spans SpansOf(int source, int target) {
    Spans result;
    result.spans.resize(static_cast<std::size_t>(target));
    for (int t = 0; t < target; ++t) {
        const long long begin = static_cast<long long>(t) * source;  // in units of 1 / target
        const long long end = begin + source;
        Span& span = result.spans[static_cast<std::size_t>(t)];
        span.first = static_cast<int>(begin / target);
        span.offset = result.weights.size();
        const int last = static_cast<int>((end - 1) / target);
        std::uint32_t given = 0;
        for (int s = span.first; s <= last; ++s) {
            const long long from = std::max(begin, static_cast<long long>(s) * target);
            const long long to = std::min(end, static_cast<long long>(s + 1) * target);
            auto weight = static_cast<std::uint32_t>(((to - from) * kOne + source / 2) / source);
            // What rounding left over goes to the last pixel.
            weight = s == last ? kOne - given : std::min(weight, kOne - given);
            given += weight;
            result.weights.push_back(static_cast<std::uint16_t>(weight));
        }
        span.count = last - span.first + 1;
    }
    return result;
}

// The channels of the source rows a target row's span covers, each weighed by its row and
// summed: four values a pixel, with 8 bits of fraction, which a span's weights keep within 16 bits.
void SumRows(const unsigned char* source, int sourceStride, const Span& span,
             const std::uint16_t* weights, std::vector<std::uint16_t>& sums) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int r = 0; r < span.count; ++r) {
        const unsigned char* in =
            source + static_cast<std::ptrdiff_t>(span.first + r) * sourceStride;
        const std::uint16_t weight = weights[r];
        for (std::size_t i = 0; i < sums.size(); ++i) {
            sums[i] = static_cast<std::uint16_t>(sums[i] + in[i] * weight);
        }
    }
}

}  // namespace

CairoSurface ShrinkPicture(cairo_surface_t* picture, PictureSize size) {
    if (cairo_surface_get_type(picture) != CAIRO_SURFACE_TYPE_IMAGE) {
        return nullptr;
    }
    const cairo_format_t format = cairo_image_surface_get_format(picture);
    const int width = cairo_image_surface_get_width(picture);
    const int height = cairo_image_surface_get_height(picture);
    if ((format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) || size.width <= 0 ||
        size.height <= 0 || size.width > width || size.height > height) {
        return nullptr;
    }
    CairoSurface shrunk(cairo_image_surface_create(format, size.width, size.height));
    if (cairo_surface_status(shrunk.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_surface_flush(picture);
    cairo_surface_flush(shrunk.get());
    const Spans columns = SpansOf(width, size.width);
    const Spans rows = SpansOf(height, size.height);
    const unsigned char* source = cairo_image_surface_get_data(picture);
    const int sourceStride = cairo_image_surface_get_stride(picture);
    unsigned char* target = cairo_image_surface_get_data(shrunk.get());
    const int targetStride = cairo_image_surface_get_stride(shrunk.get());

    // Rows are summed first, over the whole width, which runs many channels a step; then each
    // target pixel sums the columns its span covers.
    std::vector<std::uint16_t> rowSums(static_cast<std::size_t>(width) * 4);
    for (int ty = 0; ty < size.height; ++ty) {
        const Span& rowSpan = rows.spans[static_cast<std::size_t>(ty)];
        SumRows(source, sourceStride, rowSpan, &rows.weights[rowSpan.offset], rowSums);
        auto* out = reinterpret_cast<std::uint32_t*>(target + static_cast<std::ptrdiff_t>(ty) *
                                                                  targetStride);
        for (int tx = 0; tx < size.width; ++tx) {
            const Span& span = columns.spans[static_cast<std::size_t>(tx)];
            const std::uint16_t* weight = &columns.weights[span.offset];
            const std::uint16_t* in = &rowSums[static_cast<std::size_t>(span.first) * 4];
            std::uint32_t sum[4] = {0, 0, 0, 0};
            for (int i = 0; i < span.count; ++i, in += 4) {
                for (int c = 0; c < 4; ++c) {
                    sum[c] += std::uint32_t{in[c]} * weight[i];
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                // Back from 16 bits of fraction, rounded. Averages of premultiplied channels
                // never pass their alpha.
                pixel |= std::min((sum[c] + (1u << (2 * kOneShift - 1))) >> (2 * kOneShift), 255u)
                         << (8 * c);
            }
            out[tx] = format == CAIRO_FORMAT_RGB24 ? pixel | 0xFF000000u : pixel;
        }
    }
    cairo_surface_mark_dirty(shrunk.get());
    return shrunk;
}

}  // namespace quirelle
