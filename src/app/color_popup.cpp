#include "app/color_popup.hpp"

#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/popover.h>

#include <algorithm>
#include <cmath>

namespace quirelle {

namespace {

// The sliders show 8-bit components; the settings keep 32 bits with all four bytes alike.
std::uint32_t ToComponent(double value) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 255.0))) * 0x01010101u;
}

}  // namespace

ColorPopup::ColorPopup() {
    auto* grid = Gtk::make_managed<Gtk::Grid>();
    grid->set_margin(6);
    grid->set_row_spacing(4);
    grid->set_column_spacing(6);
    const char* names[] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        auto* slider = Gtk::make_managed<Gtk::Scale>(Gtk::Orientation::HORIZONTAL);
        slider->set_range(0, 255);
        slider->set_increments(1, 16);
        slider->set_digits(0);
        slider->set_round_digits(0);
        slider->set_draw_value(true);
        slider->set_size_request(200, -1);
        slider->signal_value_changed().connect([this] { swatch_->queue_draw(); });
        auto* label = Gtk::make_managed<Gtk::Label>(names[i]);
        label->set_xalign(0.0);
        grid->attach(*label, 0, i);
        grid->attach(*slider, 1, i);
        components_[i] = slider;
    }
    swatch_ = Gtk::make_managed<Gtk::DrawingArea>();
    swatch_->set_content_height(32);
    swatch_->set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int, int) {
        cr->set_source_rgb(components_[0]->get_value() / 255, components_[1]->get_value() / 255,
                           components_[2]->get_value() / 255);
        cr->paint();
    });
    grid->attach(*swatch_, 0, 3, 2, 1);

    auto* popover = Gtk::make_managed<Gtk::Popover>();
    popover->set_child(*grid);
    set_popover(*popover);
}

SettingsColor ColorPopup::Color() const {
    return {ToComponent(components_[0]->get_value()), ToComponent(components_[1]->get_value()),
            ToComponent(components_[2]->get_value())};
}

void ColorPopup::SetColor(const SettingsColor& color) {
    components_[0]->set_value(color.red >> 24);
    components_[1]->set_value(color.green >> 24);
    components_[2]->set_value(color.blue >> 24);
}

}  // namespace quirelle
