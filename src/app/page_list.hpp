#pragma once

#include <gtkmm/listbox.h>
#include <gtkmm/scrolledwindow.h>

#include <string>
#include <vector>

namespace quirelle {

// The list of the book's documents, one row per labelled document of the reading order. Each
// row remembers which document it stands for: documents without a label get no row, so row and
// document numbers can differ, and choosing a row must still show the document it names.
class PageList : public Gtk::ScrolledWindow {
  public:
    PageList();

    void Clear();
    // A row for document `document`, at that position or at the end when the list is shorter.
    void InsertRow(int document, const std::string& label);

    int RowCount() const { return static_cast<int>(rowDocuments_.size()); }
    std::string RowLabel(int row) const;
    int RowDocument(int row) const;
    // The active row, or -1.
    int ActiveRow() const { return activeRow_; }

    // Makes `row` active as the user's choice would, announcing it when the row changes.
    void ChooseRow(int row);
    // Marks the row of `document` active without announcing it; no row is active when the
    // document has none.
    void MarkDocumentActive(int document);

    // A new active row, chosen by the user or through ChooseRow: the row and its document.
    sigc::signal<void(int row, int document)>& signal_row_chosen() { return rowChosen_; }

  private:
    void OnRowSelected(Gtk::ListBoxRow* row);
    void SelectQuietly(int row);
    void ScrollToRow(int row);

    Gtk::ListBox list_;
    std::vector<int> rowDocuments_;
    int activeRow_ = -1;
    sigc::connection selectedConnection_;
    sigc::signal<void(int, int)> rowChosen_;
};

}  // namespace quirelle
