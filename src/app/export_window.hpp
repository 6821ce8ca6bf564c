#pragma once

#include <gtkmm/button.h>
#include <gtkmm/dropdown.h>
#include <gtkmm/scale.h>
#include <gtkmm/window.h>

namespace quirelle {

// The window "Export": the range of documents to write to a PDF file, and the "Export" button.
class ExportWindow : public Gtk::Window {
  public:
    ExportWindow();

    // Both sliders run from 0 to `maximum`.
    void SetRange(int maximum, int from, int to);
    int From() const;
    int To() const;
    // The paper chosen, as an index into the export's list of sizes.
    int PaperChoice() const;

    sigc::signal<void()>& signal_export() { return export_; }

  private:
    Gtk::Scale from_;
    Gtk::Scale to_;
    Gtk::DropDown paper_;
    Gtk::Button exportButton_;
    sigc::signal<void()> export_;
};

}  // namespace quirelle
