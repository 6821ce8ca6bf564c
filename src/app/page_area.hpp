#pragma once

#include <gdk/gdk.h>
#include <gtkmm/adjustment.h>
#include <gtkmm/box.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/scrollbar.h>

#include "app/note_popover.hpp"

namespace quirelle {

class DocumentView;

// Where the page is shown: the canvas the document view draws on, and the page scrollbar
// beside it. The canvas paints whatever the view draws whenever GTK asks; the scrollbar tells
// the view where the page starts.
// Keys (while the pointer is over the canvas), the wheel, clicks and pointer moves over the
// canvas go to the view.
class PageArea : public Gtk::Box {
  public:
    PageArea();
    ~PageArea() override;

    void Attach(DocumentView& view);

    // The page's whole height and the part that fits on screen, in pixels. The scrollbar's
    // position follows the view's own offset, without telling the view again.
    void SetScrollRange(double total, double visible);
    void Redraw() { canvas_.queue_draw(); }
    // Moves the scrollbar by `pixels`, within its range; the view follows.
    void ScrollBy(double pixels);
    // A key pressed anywhere in the window: true when it was the page's.
    bool HandleKey(guint keyval, Gdk::ModifierType state);

    // Ctrl+wheel over the page: +1 a step larger, -1 a step smaller.
    sigc::signal<void(int)>& signal_zoom_step() { return zoomStep_; }

    Gtk::DrawingArea& canvas() { return canvas_; }
    // The note beside its link, over the canvas.
    NotePopover& notePopover() { return notePopover_; }
    const Glib::RefPtr<Gtk::Adjustment>& scroll() const { return scroll_; }

  private:
    void OnScrolled();
    void OnResized(int width, int height);

    DocumentView* view_ = nullptr;
    bool pointerOver_ = false;
    Gtk::DrawingArea canvas_;
    Glib::RefPtr<Gtk::Adjustment> scroll_;
    Gtk::Scrollbar scrollbar_;
    sigc::connection scrolledConnection_;
    sigc::signal<void(int)> zoomStep_;
    // A touchpad scrolls in fractions of a wheel notch; a zoom step takes a whole one.
    double zoomWheel_ = 0.0;
    NotePopover notePopover_;
};

}  // namespace quirelle
