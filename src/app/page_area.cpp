#include "app/page_area.hpp"

#include <algorithm>
#include <cmath>

#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/eventcontrollerscroll.h>
#include <gtkmm/gestureclick.h>

#include "view/document_view.hpp"

namespace quirelle {

namespace {

// One press of a scrollbar arrow moves the page as far as cursor up or down does.
constexpr double kScrollStep = 20.0;
// The buttons X numbers 8 and 9: back and forward on mice that have them.
constexpr unsigned kBackButton = 8;
constexpr unsigned kForwardButton = 9;

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
    notePopover_.set_parent(canvas_);
}

PageArea::~PageArea() {
    // A popover is parented by hand, and must be let go by hand before its parent goes.
    notePopover_.unparent();
}

void PageArea::Attach(DocumentView& view) {
    view_ = &view;
    notePopover_.Attach(view);
    canvas_.set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
        view_->Draw(cr->cobj(), width, height);
    });

    auto motion = Gtk::EventControllerMotion::create();
    motion->signal_enter().connect([this](double x, double y) {
        pointerOver_ = true;
        view_->PointerMoved(x, y);
    });
    motion->signal_motion().connect([this](double x, double y) { view_->PointerMoved(x, y); });
    motion->signal_leave().connect([this] { pointerOver_ = false; });
    canvas_.add_controller(motion);

    auto click = Gtk::GestureClick::create();
    click->set_button(GDK_BUTTON_PRIMARY);
    click->signal_released().connect(
        [this](int, double x, double y) { view_->PointerReleased(x, y); });
    canvas_.add_controller(click);

    // The mouse's back and forward buttons, as a browser answers them.
    auto sideButtons = Gtk::GestureClick::create();
    sideButtons->set_button(0);
    sideButtons->signal_pressed().connect([this, sideButtons](int, double, double) {
        const unsigned button = sideButtons->get_current_button();
        if (button == kBackButton) {
            view_->HandleKey(DocumentView::Key::Back, false);
        } else if (button == kForwardButton) {
            view_->HandleKey(DocumentView::Key::Forward, false);
        }
    });
    canvas_.add_controller(sideButtons);

    auto wheel = Gtk::EventControllerScroll::create();
    wheel->set_flags(Gtk::EventControllerScroll::Flags::VERTICAL);
    wheel->signal_scroll().connect(
        [this, wheel](double, double dy) {
            if (dy == 0) {
                return false;
            }
            const Gdk::ModifierType state = wheel->get_current_event_state();
            if ((state & Gdk::ModifierType::CONTROL_MASK) == Gdk::ModifierType::CONTROL_MASK) {
                zoomWheel_ += dy;
                while (std::abs(zoomWheel_) >= 1.0) {
                    const int direction = zoomWheel_ < 0 ? 1 : -1;
                    zoomWheel_ += direction;
                    zoomStep_.emit(direction);
                }
                return true;
            }
            const bool shifted = (wheel->get_current_event_state() &
                                  Gdk::ModifierType::SHIFT_MASK) == Gdk::ModifierType::SHIFT_MASK;
            view_->HandleKey(dy < 0 ? DocumentView::Key::WheelUp : DocumentView::Key::WheelDown,
                             shifted);
            return true;
        },
        false);
    canvas_.add_controller(wheel);
}

bool PageArea::HandleKey(guint keyval, Gdk::ModifierType state) {
    if (view_ == nullptr || !pointerOver_) {
        return false;
    }
    using Key = DocumentView::Key;
    Key key;
    const bool shifted = (state & Gdk::ModifierType::SHIFT_MASK) == Gdk::ModifierType::SHIFT_MASK;
    switch (keyval) {
        case GDK_KEY_space:
        case GDK_KEY_KP_Space:
            key = shifted ? Key::ScreenUp : Key::ScreenDown;
            break;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            key = Key::Home;
            break;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            key = Key::End;
            break;
        case GDK_KEY_BackSpace:
            key = Key::Back;
            break;
        case GDK_KEY_Page_Up:
        case GDK_KEY_KP_Page_Up:
            key = Key::PageUp;
            break;
        case GDK_KEY_Page_Down:
        case GDK_KEY_KP_Page_Down:
            key = Key::PageDown;
            break;
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            key = Key::Left;
            break;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            key = Key::Right;
            break;
        case GDK_KEY_Up:
        case GDK_KEY_KP_Up:
            key = Key::Up;
            break;
        case GDK_KEY_Down:
        case GDK_KEY_KP_Down:
            key = Key::Down;
            break;
        default:
            return false;
    }
    view_->HandleKey(key, shifted);
    return true;
}

void PageArea::ScrollBy(double pixels) {
    const double last =
        std::max(scroll_->get_lower(), scroll_->get_upper() - scroll_->get_page_size());
    scroll_->set_value(std::clamp(scroll_->get_value() + pixels, scroll_->get_lower(), last));
}

void PageArea::SetScrollRange(double total, double visible) {
    // Before the first draw the view does not know its height yet; the canvas does.
    if (visible <= 0.0) {
        visible = canvas_.get_height();
    }
    const double offset = view_ ? view_->ScrollOffsetOnScreen() : scroll_->get_value();
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
        view_->Data().areaWidth = width;
        view_->Data().areaHeight = height;
    }
    // The visible part of the page is the canvas's height; a taller canvas needs less scrolling.
    scroll_->set_page_size(height);
    scroll_->set_page_increment(std::max<double>(height, kScrollStep));
}

}  // namespace quirelle
