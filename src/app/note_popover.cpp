#include "app/note_popover.hpp"

#include <algorithm>
#include <cmath>

#include "view/document_view.hpp"

namespace quirelle {

namespace {

// A longer note scrolls inside the popover rather than covering the page.
constexpr int kMostHeight = 320;

}  // namespace

NotePopover::NotePopover() {
    scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
    scroller_.set_propagate_natural_height(true);
    scroller_.set_max_content_height(kMostHeight);
    scroller_.set_child(drawing_);
    column_.append(scroller_);
    goButton_.set_halign(Gtk::Align::END);
    column_.append(goButton_);
    set_child(column_);
    set_position(Gtk::PositionType::BOTTOM);
}

void NotePopover::Attach(DocumentView& view) {
    view_ = &view;
    drawing_.set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
        if (view_ != nullptr) {
            view_->PaintNote(cr->cobj(), width, height);
        }
    });
    goButton_.signal_clicked().connect([this] {
        popdown();
        if (view_ != nullptr) {
            view_->GoToNote();
        }
    });
}

void NotePopover::Show(const NotePlacement& placement) {
    drawing_.set_content_width(static_cast<int>(std::ceil(placement.width)));
    drawing_.set_content_height(std::max(1, static_cast<int>(std::ceil(placement.height))));
    const Gdk::Rectangle link(static_cast<int>(placement.linkX), static_cast<int>(placement.linkY),
                              std::max(1, static_cast<int>(placement.linkWidth)),
                              std::max(1, static_cast<int>(placement.linkHeight)));
    set_pointing_to(link);
    drawing_.queue_draw();
    popup();
}

}  // namespace quirelle
