#pragma once

#include <gtkmm/drawingarea.h>
#include <gtkmm/menubutton.h>
#include <gtkmm/scale.h>

#include <array>

#include "platform/settings.hpp"

namespace quirelle {

// A colour setting: a pop-up button with the arrow-down image that opens a colour adjuster, one
// slider each for red, green and blue above a swatch of the colour.
class ColorPopup : public Gtk::MenuButton {
  public:
    ColorPopup();

    SettingsColor Color() const;
    void SetColor(const SettingsColor& color);

  private:
    std::array<Gtk::Scale*, 3> components_{};  // red, green, blue; owned by the popover
    Gtk::DrawingArea* swatch_ = nullptr;
};

}  // namespace quirelle
