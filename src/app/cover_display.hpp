#pragma once

#include <gtkmm/drawingarea.h>

#include <string>

#include "package/archive_buffer.hpp"
#include "platform/cairo_handles.hpp"

namespace quirelle {

// The book's cover in the information panel, stretched to fill the box (the shape of the picture
// is not kept, so the panel never shows empty bands). The picture is decoded once per cover and
// only scaled on each draw.
class CoverDisplay : public Gtk::DrawingArea {
  public:
    // Covers are small pictures; a file or a decoded picture beyond these is refused (an SVG
    // cover is drawn smaller instead).
    static constexpr std::size_t kMaxFileBytes = 5'000'000;
    static constexpr long long kMaxPixels = 12'500'000;

    CoverDisplay();

    // The book that member names are looked up in.
    void SetCoverArchive(const std::string& archivePath);
    // `name` is a member of the book, or a file path (absolute, or with a device colon), which
    // stands for the program's placeholder cover. When nothing can be decoded the previous
    // picture stays.
    void LoadCover(const std::string& name);

    bool HasPicture() const { return static_cast<bool>(picture_); }
    int PictureWidth() const {
        return picture_ ? cairo_image_surface_get_width(picture_.get()) : 0;
    }
    int PictureHeight() const {
        return picture_ ? cairo_image_surface_get_height(picture_.get()) : 0;
    }

  private:
    bool Decode(const ArchiveBuffer& bytes);
    void Paint(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);

    std::string coverName_;
    std::string archivePath_;
    ArchiveBuffer fileBuffer_ = ArchiveBuffer::WithCapacity(kMaxFileBytes + 1);
    CairoSurface picture_;
};

}  // namespace quirelle
