#pragma once

#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>

#include <string>
#include <vector>

#include "package/contents_tree.hpp"

namespace quirelle {

// The book's contents beside the page, as a tree that folds. Entries are numbered depth first,
// parents before their children, as the view numbers them. Choosing an entry announces its
// href; the entry of the place in view is marked without taking the keyboard focus.
class ContentsPanel : public Gtk::ScrolledWindow {
  public:
    ContentsPanel();

    // Shows `tree` with its first level unfolded; an empty tree empties the panel.
    void Show(const std::vector<ContentsEntry>& tree);
    int EntryCount() const { return static_cast<int>(paths_.size()); }
    std::string EntryLabel(int entry) const;
    // Whether entry `entry` can be seen: every entry above it unfolded.
    bool EntryShown(int entry);

    // Selects entry `entry`, unfolds the entries above it and scrolls it into view, without
    // announcing it; -1 selects nothing.
    void MarkEntry(int entry);
    int MarkedEntry() const { return marked_; }
    // Chooses entry `entry` as a click on it does.
    void ChooseEntry(int entry);

    // An entry was chosen: its href, a member path from the archive's root with any fragment.
    sigc::signal<void(const std::string& href)>& signal_entry_chosen() { return entryChosen_; }

    Gtk::TreeView& treeView() { return view_; }

  private:
    struct Columns : Gtk::TreeModel::ColumnRecord {
        Columns() {
            add(label);
            add(href);
        }
        Gtk::TreeModelColumn<Glib::ustring> label;
        Gtk::TreeModelColumn<std::string> href;
    };
    void Add(const std::vector<ContentsEntry>& entries, const Gtk::TreeNodeChildren* parent);
    void OnRowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column);

    Columns columns_;
    Glib::RefPtr<Gtk::TreeStore> store_;
    Gtk::TreeView view_;
    // Each entry's row, by its number.
    std::vector<Gtk::TreeModel::Path> paths_;
    int marked_ = -1;
    sigc::signal<void(const std::string&)> entryChosen_;
};

}  // namespace quirelle
