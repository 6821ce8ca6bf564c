#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/popover.h>
#include <gtkmm/scrolledwindow.h>

#include "platform/frontend.hpp"

namespace quirelle {

class DocumentView;

// A note shown beside its link: the view's layout of the note, scrolled when it is long, and a
// button that goes to the note itself. Escape and a click elsewhere close it (the popover's own
// behaviour), leaving the page as it was.
class NotePopover : public Gtk::Popover {
  public:
    NotePopover();

    void Attach(DocumentView& view);
    // Opens beside the link at `placement`, on the widget the popover is parented to.
    void Show(const NotePlacement& placement);

    Gtk::Button& goButton() { return goButton_; }
    Gtk::DrawingArea& drawing() { return drawing_; }

  private:
    DocumentView* view_ = nullptr;
    Gtk::Box column_{Gtk::Orientation::VERTICAL};
    Gtk::ScrolledWindow scroller_;
    Gtk::DrawingArea drawing_;
    Gtk::Button goButton_{"Go to the note"};
};

}  // namespace quirelle
