#include "app/cover_display.hpp"

#include <fstream>

#include "media/raster_picture.hpp"
#include "media/svg_picture.hpp"
#include "package/archive.hpp"
#include "platform/paths.hpp"

namespace quirelle {

namespace {

bool IsFilePath(const std::string& name) {
    return name.find(':') != std::string::npos || (!name.empty() && name.front() == '/');
}

// The whole file into `buffer`, if it fits.
bool ReadWholeFile(const std::filesystem::path& file, ArchiveBuffer& buffer) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    in.read(buffer.data.get(), static_cast<std::streamsize>(buffer.capacity));
    const auto got = static_cast<std::size_t>(in.gcount());
    // The buffer holds one byte more than a cover may have: filling it means the file is too big.
    if (got == 0 || got >= buffer.capacity) {
        return false;
    }
    buffer.size = static_cast<std::uint32_t>(got);
    return true;
}

}  // namespace

CoverDisplay::CoverDisplay() {
    set_size_request(10, 10);
    set_content_width(140);
    set_content_height(200);
    set_draw_func(sigc::mem_fun(*this, &CoverDisplay::Paint));
}

void CoverDisplay::SetCoverArchive(const std::string& archivePath) {
    archivePath_ = archivePath;
}

void CoverDisplay::LoadCover(const std::string& name) {
    coverName_ = name;
    fileBuffer_.size = 0;
    const bool read = IsFilePath(name) ? ReadWholeFile(PicturePath("no_cover.png"), fileBuffer_)
                                       : ExtractEntryInto(archivePath_, name, fileBuffer_);
    if (read) {
        Decode(fileBuffer_);
    }
    queue_draw();
}

bool CoverDisplay::Decode(const ArchiveBuffer& bytes) {
    const std::string_view data(bytes.data.get(), bytes.size);
    CairoSurface picture = LooksLikeSvg(data) ? RasterizeSvg(data, kMaxPixels)
                                              : DecodeRasterPicture(data, {}, kMaxPixels);
    if (!picture) {
        return false;
    }
    picture_ = std::move(picture);
    return true;
}

void CoverDisplay::Paint(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
    if (coverName_.empty() || !picture_ || width <= 0 || height <= 0) {
        return;
    }
    cairo_t* target = cr->cobj();
    cairo_scale(target, static_cast<double>(width) / cairo_image_surface_get_width(picture_.get()),
                static_cast<double>(height) / cairo_image_surface_get_height(picture_.get()));
    cairo_set_source_surface(target, picture_.get(), 0, 0);
    cairo_paint(target);
}

}  // namespace quirelle
