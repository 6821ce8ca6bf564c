#include "layout/picture_store.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "media/raster_picture.hpp"
#include "media/svg_picture.hpp"

namespace quirelle {

namespace {

std::string KeyOf(const PictureSource& source) {
    if (source.name == "SVG") {
        return "svg:" + std::string(source.svgText);
    }
    return "pic:" + std::string(source.name);
}

bool DrawsOnPixels(cairo_t* cr) {
    return cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_IMAGE;
}

// Gives cairo its own copy of `bytes` to keep with the surface for as long as it lives.
void AttachMimeData(cairo_surface_t* surface, const char* mimeType, std::string_view bytes) {
    auto* copy = static_cast<unsigned char*>(std::malloc(bytes.size()));
    if (copy == nullptr) {
        return;
    }
    std::memcpy(copy, bytes.data(), bytes.size());
    if (cairo_surface_set_mime_data(surface, mimeType, copy, bytes.size(), &std::free, copy) !=
        CAIRO_STATUS_SUCCESS) {
        std::free(copy);
    }
}

// Paints `surface` stretched into the rectangle.
void PaintStretched(cairo_t* cr, cairo_surface_t* surface, double x, double y, double width,
                    double height) {
    const int surfaceWidth = cairo_image_surface_get_width(surface);
    const int surfaceHeight = cairo_image_surface_get_height(surface);
    if (surfaceWidth <= 0 || surfaceHeight <= 0) {
        return;
    }
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, width / surfaceWidth, height / surfaceHeight);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_NONE);
    cairo_rectangle(cr, 0, 0, surfaceWidth, surfaceHeight);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A copy made at the drawn size lands on whole pixels, so that it is copied, not resampled.
void PaintCopy(cairo_t* cr, cairo_surface_t* copy, double x, double y, double width,
               double height) {
    if (cairo_image_surface_get_width(copy) == std::lround(width) &&
        cairo_image_surface_get_height(copy) == std::lround(height)) {
        PaintStretched(cr, copy, std::round(x), std::round(y), std::lround(width),
                       std::lround(height));
    } else {
        PaintStretched(cr, copy, x, y, width, height);
    }
}

std::size_t BytesOf(cairo_surface_t* surface) {
    if (surface == nullptr) {
        return 0;
    }
    return static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) *
           static_cast<std::size_t>(cairo_image_surface_get_height(surface));
}

// A surface for a PDF page: JPEG data rides along as it is, and every picture carries its name,
// so that one used on many pages is written once. Safe on any thread.
CairoSurface MakePdfImage(std::string_view name, const std::string& data) {
    CairoSurface surface;
    if (IsJpegData(data)) {
        // The file keeps the JPEG as it is; the pixels of the surface are never read, and the
        // memory behind them is never touched.
        const auto size = MeasureRasterPicture(data);
        if (!size) {
            return nullptr;
        }
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, size->width, size->height));
        AttachMimeData(surface.get(), CAIRO_MIME_TYPE_JPEG, data);
    } else {
        surface = DecodeRasterPicture(data);
    }
    if (!surface || cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    AttachMimeData(surface.get(), CAIRO_MIME_TYPE_UNIQUE_ID, name);
    return surface;
}

}  // namespace

PictureStore::~PictureStore() {
    DecodeAheadForPdf({});
}

void PictureStore::OpenBook(std::shared_ptr<ArchiveReader> archive) {
    DecodeAheadForPdf({});
    copiesAhead_.clear();  // waits for the decoders: their data is the old book's
    archive_ = std::move(archive);
    naturalSizes_.clear();
    copies_.clear();
    ages_.clear();
    copyBytes_ = 0;
}

std::optional<std::string> PictureStore::Data(const PictureSource& source) {
    if (source.name == "SVG") {
        return std::string(source.svgText);
    }
    return archive_ ? archive_->Read(source.name) : std::nullopt;
}

std::optional<PictureSize> PictureStore::NaturalSize(const PictureSource& source) {
    const std::string key = KeyOf(source);
    if (const auto known = naturalSizes_.find(key); known != naturalSizes_.end()) {
        return known->second;
    }
    std::optional<PictureSize> size;
    if (const auto data = Data(source)) {
        if (LooksLikeSvg(*data)) {
            if (const auto svg = SvgPicture::Parse(*data)) {
                size = svg->Size();
            }
        } else {
            size = MeasureRasterPicture(*data);
        }
    }
    naturalSizes_.emplace(key, size);
    return size;
}

void PictureStore::DecodeAheadForPdf(const std::vector<std::string>& names) {
    pdfImages_.clear();
    for (std::future<PdfImages>& ahead : pdfImagesAhead_) {
        pdfImages_.merge(ahead.get());
    }
    pdfImagesAhead_.clear();
    // The archive is read here: it serves one thread only. JPEG and SVG need no decoding. What
    // is decoded ahead stays within a budget: a page of large pictures is decoded as it is drawn.
    std::vector<std::pair<std::string, std::string>> work;
    long long pixels = 0;
    for (const std::string& name : names) {
        const PictureSource source{name, {}};
        const std::string key = KeyOf(source);
        if (std::any_of(work.begin(), work.end(), [&](const auto& w) { return w.first == key; })) {
            continue;
        }
        // The size was learned when the page was measured; a picture beyond the budget is not
        // even read.
        const auto size = NaturalSize(source);
        if (!size || pixels + size->Pixels() > kAheadPixels) {
            continue;
        }
        auto data = Data(source);
        if (!data || IsJpegData(*data) || LooksLikeSvg(*data)) {
            continue;
        }
        pixels += size->Pixels();
        work.emplace_back(key, std::move(*data));
    }
    // Two decoders share the pictures: while this thread waits for them, both cores decode.
    constexpr std::size_t kDecoders = 2;
    for (std::size_t first = 0; first < kDecoders && first < work.size(); ++first) {
        std::vector<std::pair<std::string, std::string>> share;
        for (std::size_t i = first; i < work.size(); i += kDecoders) {
            share.push_back(std::move(work[i]));
        }
        try {
            pdfImagesAhead_.push_back(std::async(std::launch::async, [share = std::move(share)] {
                PdfImages images;
                for (const auto& [key, data] : share) {
                    images.emplace(key, MakePdfImage(key, data));
                }
                return images;
            }));
        } catch (const std::system_error&) {
            // No thread to be had: the pictures are decoded as the page draws them.
        }
    }
}

template <typename Make>
cairo_surface_t* PictureStore::Copy(const std::string& key, Make make) {
    if (const auto found = copies_.find(key); found != copies_.end()) {
        ages_.splice(ages_.begin(), ages_, found->second.age);
        return found->second.surface.get();
    }
    // A copy that cannot be made is remembered too, so that a broken picture is not decoded
    // again on every scroll step.
    CairoSurface surface = make();
    const std::size_t bytes = BytesOf(surface.get());
    while (!ages_.empty() && copyBytes_ + bytes > kBudgetBytes) {
        const auto oldest = copies_.find(ages_.back());
        copyBytes_ -= oldest->second.bytes;
        copies_.erase(oldest);
        ages_.pop_back();
    }
    ages_.push_front(key);
    copyBytes_ += bytes;
    Cached& cached = copies_[key];
    cached.surface = std::move(surface);
    cached.bytes = bytes;
    cached.age = ages_.begin();
    return cached.surface.get();
}

void PictureStore::Draw(cairo_t* cr, const PictureSource& source, double x, double y, double width,
                        double height) {
    if (!(width > 0 && height > 0) || !std::isfinite(width) || !std::isfinite(height)) {
        return;
    }
    const std::string key = KeyOf(source);
    if (!DrawsOnPixels(cr)) {
        if (const auto ready = pdfImages_.find(key); ready != pdfImages_.end() && ready->second) {
            PaintStretched(cr, ready->second.get(), x, y, width, height);
            return;
        }
        const auto data = Data(source);
        if (!data) {
            return;
        }
        if (LooksLikeSvg(*data)) {
            if (const auto svg = SvgPicture::Parse(*data)) {
                svg->Render(cr, x, y, width, height);
            }
        } else if (CairoSurface image = MakePdfImage(key, *data)) {
            PaintStretched(cr, image.get(), x, y, width, height);
        }
        return;
    }
    const std::optional<CopyKind> kind = CopyKindOf(key, width, height);
    if (!kind) {
        return;
    }
    const PictureSize drawn = kind->drawn;
    const bool atNaturalSize = kind->atNaturalSize;
    const std::string& copyKey = kind->key;
    cairo_surface_t* copy = Copy(copyKey, [&]() -> CairoSurface {
        if (const auto ahead = copiesAhead_.find(copyKey); ahead != copiesAhead_.end()) {
            CairoSurface decoded = ahead->second.get();
            copiesAhead_.erase(ahead);
            return decoded;
        }
        const auto data = Data(source);
        if (!data) {
            return nullptr;
        }
        if (LooksLikeSvg(*data)) {
            if (atNaturalSize) {
                return RasterizeSvg(*data);
            }
            const auto svg = SvgPicture::Parse(*data);
            return svg ? svg->Rasterize(drawn) : nullptr;
        }
        return DecodeRasterPicture(
            *data, atNaturalSize ? std::nullopt : std::optional<PictureSize>(drawn));
    });
    if (copy != nullptr) {
        PaintCopy(cr, copy, x, y, width, height);
    }
}

std::optional<PictureStore::CopyKind> PictureStore::CopyKindOf(const std::string& key, double width,
                                                               double height) {
    if (!(width > 0 && height > 0) || !std::isfinite(width) || !std::isfinite(height)) {
        return std::nullopt;
    }
    CopyKind kind;
    kind.drawn = {std::max(1, static_cast<int>(std::lround(std::min(width, 1e9)))),
                  std::max(1, static_cast<int>(std::lround(std::min(height, 1e9))))};
    // A picture drawn larger than any decoded copy may be is drawn from its natural size.
    kind.atNaturalSize = kind.drawn.Pixels() > kMaxPicturePixels;
    kind.key = kind.atNaturalSize ? key + "@natural"
                                  : key + "@" + std::to_string(kind.drawn.width) + "x" +
                                        std::to_string(kind.drawn.height);
    return kind;
}

void PictureStore::DecodeAheadForScreen(const PictureSource& source, double width, double height) {
    const std::optional<CopyKind> kind = CopyKindOf(KeyOf(source), width, height);
    // Copies that arrived are kept like any other, so that only those on their way count
    // against the decoders.
    for (auto ahead = copiesAhead_.begin(); ahead != copiesAhead_.end();) {
        if (ahead->second.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++ahead;
            continue;
        }
        CairoSurface decoded = ahead->second.get();
        Copy(ahead->first, [&] { return std::move(decoded); });
        ahead = copiesAhead_.erase(ahead);
    }
    if (!kind || kind->atNaturalSize || source.name == "SVG" || copies_.contains(kind->key) ||
        copiesAhead_.contains(kind->key) || copiesAhead_.size() >= kScreenDecoders) {
        return;
    }
    // The archive is read here: it serves one thread only.
    auto data = Data(source);
    if (!data || LooksLikeSvg(*data)) {
        return;
    }
    try {
        copiesAhead_.emplace(kind->key, std::async(std::launch::async,
                                                   [data = std::move(*data), drawn = kind->drawn] {
                                                       return DecodeRasterPicture(data, drawn);
                                                   }));
    } catch (const std::system_error&) {
        // No thread to be had: the copy is decoded when it is drawn.
    }
}

std::optional<PictureSize> PictureStore::DrawBackground(cairo_t* cr, std::string_view name,
                                                        std::string_view repeat, int areaWidth,
                                                        int areaHeight) {
    if (areaWidth <= 0 || areaHeight <= 0) {
        return std::nullopt;
    }
    const PictureSource source{name, {}};
    const auto natural = NaturalSize(source);
    if (!natural) {
        return std::nullopt;
    }
    const std::string key = "background:" + std::string(name);
    const auto decode = [&](std::optional<PictureSize> size) -> CairoSurface {
        const auto data = Data(source);
        return data ? DecodeRasterPicture(*data, size) : nullptr;
    };
    cairo_save(cr);
    if (repeat == "no-repeat") {
        // On screen the picture is decoded once at the size of the area it covers.
        const PictureSize area{areaWidth, areaHeight};
        cairo_surface_t* copy =
            DrawsOnPixels(cr) && area.Pixels() <= kMaxPicturePixels
                ? Copy(key + "@" + std::to_string(areaWidth) + "x" + std::to_string(areaHeight),
                       [&] { return decode(area); })
                : Copy(key, [&] { return decode(std::nullopt); });
        if (copy != nullptr) {
            PaintStretched(cr, copy, 0, 0, areaWidth, areaHeight);
        }
    } else if (cairo_surface_t* tile = Copy(key, [&] { return decode(std::nullopt); })) {
        cairo_rectangle(cr, 0, 0, areaWidth, areaHeight);
        cairo_set_source_surface(cr, tile, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_REPEAT);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    return natural;
}

}  // namespace quirelle
