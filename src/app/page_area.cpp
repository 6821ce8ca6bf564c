#include "app/page_area.hpp"

#include <algorithm>
#include <cmath>

#include "view/document_view.hpp"

namespace quirelle {

namespace {

// One press of a scrollbar arrow moves the page as far as cursor up or down does.
constexpr double kScrollStep = 20.0;

}  // namespace

PageArea::PageArea()
    : Gtk::Box(Gtk::Orientation::HORIZONTAL),
      scroll_(Gtk::Adjustment::create(0.0, 0.0, 0.0, kScrollStep, kScrollStep, 0.0)),
      scrollbar_(scroll_, Gtk::Orientation::VERTICAL) {
    canvas_.set_size_request(100, 100);
    canvas_.set_content_width(640);
    canvas_.set_content_height(480);
    canvas_.set_hexpand(true);
    canvas_.set_vexpand(true);
    append(canvas_);
    append(scrollbar_);
    canvas_.signal_resize().connect(sigc::mem_fun(*this, &PageArea::OnResized));
    scrolledConnection_ =
        scroll_->signal_value_changed().connect(sigc::mem_fun(*this, &PageArea::OnScrolled));
}

void PageArea::Attach(DocumentView& view) {
    view_ = &view;
    canvas_.set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
        view_->Draw(cr->cobj(), width, height);
    });
}

void PageArea::SetScrollRange(double total, double visible) {
    // Before the first draw the view does not know its height yet; the canvas does.
    if (visible <= 0.0) {
        visible = canvas_.get_height();
    }
    const double offset = view_ ? view_->Data().layout.scrollY : scroll_->get_value();
    scrolledConnection_.block();
    scroll_->configure(std::clamp(offset, 0.0, std::max(0.0, total - visible)), 0.0,
                       std::max(total, 0.0), kScrollStep, std::max(visible, kScrollStep),
                       std::max(visible, 0.0));
    scrolledConnection_.unblock();
}

void PageArea::OnScrolled() {
    if (view_) {
        // The scrollbar counts whole pixels.
        view_->SetScroll(std::round(scroll_->get_value()));
    }
}

void PageArea::OnResized(int width, int height) {
    // A page loaded before the canvas is first drawn is laid out for the size it will have.
    if (view_) {
        view_->Data().layout.areaWidth = width;
        view_->Data().layout.areaHeight = height;
    }
    // The visible part of the page is the canvas's height; a taller canvas needs less scrolling.
    scroll_->set_page_size(height);
    scroll_->set_page_increment(std::max<double>(height, kScrollStep));
}

}  // namespace quirelle
