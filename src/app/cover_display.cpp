#include "app/cover_display.hpp"

#include <gdkmm/general.h>
#include <gdkmm/pixbufloader.h>

#include <fstream>

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
    auto loader = Gdk::PixbufLoader::create();
    bool tooLarge = false;
    loader->signal_size_prepared().connect([&](int width, int height) {
        if (static_cast<long long>(width) * height > kMaxPixels) {
            tooLarge = true;
            // Decoding on at the smallest size spares the memory; the result is thrown away.
            loader->set_size(1, 1);
        }
    });
    Glib::RefPtr<Gdk::Pixbuf> pixbuf;
    try {
        loader->write(reinterpret_cast<const guint8*>(bytes.data.get()), bytes.size);
        loader->close();
        pixbuf = loader->get_pixbuf();
    } catch (const Glib::Error&) {
        try {
            loader->close();
        } catch (const Glib::Error&) {
            // Already known to be broken.
        }
        return false;
    }
    if (!pixbuf || tooLarge) {
        return false;
    }
    auto surface = Cairo::ImageSurface::create(Cairo::Surface::Format::ARGB32, pixbuf->get_width(),
                                               pixbuf->get_height());
    auto cr = Cairo::Context::create(surface);
    Gdk::Cairo::set_source_pixbuf(cr, pixbuf, 0, 0);
    cr->paint();
    surface->flush();
    picture_ = surface;
    return true;
}

void CoverDisplay::Paint(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
    if (coverName_.empty() || !picture_ || width <= 0 || height <= 0) {
        return;
    }
    cr->scale(static_cast<double>(width) / picture_->get_width(),
              static_cast<double>(height) / picture_->get_height());
    cr->set_source(picture_, 0, 0);
    cr->paint();
}

}  // namespace quirelle
