#include "app/export_window.hpp"

#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/stringlist.h>

#include <algorithm>
#include <cmath>

#include "export/paper_size.hpp"

namespace quirelle {

namespace {

void SetUpSlider(Gtk::Scale& slider) {
    slider.set_range(0, 0);
    slider.set_increments(1, 1);
    slider.set_digits(0);
    slider.set_round_digits(0);
    slider.set_draw_value(true);
    slider.set_hexpand(true);
    slider.set_size_request(160, -1);
}

}  // namespace

ExportWindow::ExportWindow()
    : from_(Gtk::Orientation::HORIZONTAL),
      to_(Gtk::Orientation::HORIZONTAL),
      exportButton_("Export") {
    set_title("Export");
    set_hide_on_close(true);
    SetUpSlider(from_);
    SetUpSlider(to_);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    row->set_margin(8);
    row->append(*Gtk::make_managed<Gtk::Label>("From"));
    row->append(from_);
    row->append(*Gtk::make_managed<Gtk::Label>("To"));
    row->append(to_);
    std::vector<Glib::ustring> papers;
    for (const NamedPaperSize& paper : PaperSizes()) {
        papers.emplace_back(paper.name);
    }
    paper_.set_model(Gtk::StringList::create(papers));
    paper_.set_selected(0);
    paper_.set_valign(Gtk::Align::CENTER);
    paper_.set_tooltip_text("Paper");
    row->append(paper_);
    row->append(exportButton_);
    exportButton_.set_valign(Gtk::Align::CENTER);
    exportButton_.signal_clicked().connect([this] { export_.emit(); });
    set_child(*row);
    set_default_size(480, -1);
}

void ExportWindow::SetRange(int maximum, int from, int to) {
    // A book without documents has nothing to export; the sliders stay at 0.
    maximum = std::max(maximum, 0);
    from_.set_range(0, maximum);
    to_.set_range(0, maximum);
    from_.set_value(std::clamp(from, 0, maximum));
    to_.set_value(std::clamp(to, 0, maximum));
}

int ExportWindow::From() const {
    return static_cast<int>(std::lround(from_.get_value()));
}
int ExportWindow::PaperChoice() const {
    const guint selected = paper_.get_selected();
    return selected == GTK_INVALID_LIST_POSITION ? 0 : static_cast<int>(selected);
}

int ExportWindow::To() const {
    return static_cast<int>(std::lround(to_.get_value()));
}

}  // namespace quirelle
