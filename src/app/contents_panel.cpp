#include "app/contents_panel.hpp"

#include <glib.h>

#include <memory>

namespace quirelle {

namespace {

// The book's own words, which GTK takes only as valid UTF-8.
Glib::ustring ValidText(const std::string& text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return text;
    }
    std::unique_ptr<char, decltype(&g_free)> valid(
        g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
    return valid.get();
}

}  // namespace

ContentsPanel::ContentsPanel() : store_(Gtk::TreeStore::create(columns_)) {
    set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);
    set_size_request(160, -1);
    view_.set_model(store_);
    view_.set_headers_visible(false);
    view_.set_enable_search(true);
    view_.set_search_column(columns_.label);
    view_.set_tooltip_column(0);
    view_.set_activate_on_single_click(true);
    auto* column = Gtk::make_managed<Gtk::TreeViewColumn>();
    auto* text = Gtk::make_managed<Gtk::CellRendererText>();
    text->property_ellipsize() = Pango::EllipsizeMode::END;
    column->pack_start(*text, true);
    column->add_attribute(text->property_text(), columns_.label);
    column->set_expand(true);
    view_.append_column(*column);
    view_.signal_row_activated().connect(sigc::mem_fun(*this, &ContentsPanel::OnRowActivated));
    set_child(view_);
}

void ContentsPanel::Show(const std::vector<ContentsEntry>& tree) {
    marked_ = -1;
    paths_.clear();
    // The view lets go of the model while it is refilled: thousands of rows go in at once.
    view_.unset_model();
    store_->clear();
    Add(tree, nullptr);
    view_.set_model(store_);
    for (const Gtk::TreeRow& row : store_->children()) {
        view_.expand_row(store_->get_path(row.get_iter()), false);
    }
}

void ContentsPanel::Add(const std::vector<ContentsEntry>& entries,
                        const Gtk::TreeNodeChildren* parent) {
    for (const ContentsEntry& entry : entries) {
        const Gtk::TreeIter row = parent ? store_->append(*parent) : store_->append();
        (*row)[columns_.label] = ValidText(entry.label);
        (*row)[columns_.href] = entry.href;
        paths_.push_back(store_->get_path(row));
        Add(entry.children, &row->children());
    }
}

std::string ContentsPanel::EntryLabel(int entry) const {
    if (entry < 0 || entry >= EntryCount()) {
        return {};
    }
    const Gtk::TreeIter row = store_->get_iter(paths_[entry]);
    return row ? std::string(Glib::ustring((*row)[columns_.label])) : std::string();
}

bool ContentsPanel::EntryShown(int entry) {
    if (entry < 0 || entry >= EntryCount()) {
        return false;
    }
    Gtk::TreeModel::Path above = paths_[entry];
    while (above.up() && above.size() > 0) {
        if (!view_.row_expanded(above)) {
            return false;
        }
    }
    return true;
}

void ContentsPanel::MarkEntry(int entry) {
    const auto selection = view_.get_selection();
    if (entry < 0 || entry >= EntryCount()) {
        selection->unselect_all();
        marked_ = -1;
        return;
    }
    marked_ = entry;
    view_.expand_to_path(paths_[entry]);
    selection->select(paths_[entry]);
    // Scrolling needs the rows laid out; before the panel is first shown there is nothing to do.
    if (view_.get_realized()) {
        view_.scroll_to_row(paths_[entry]);
    }
}

void ContentsPanel::ChooseEntry(int entry) {
    if (entry >= 0 && entry < EntryCount()) {
        view_.row_activated(paths_[entry], *view_.get_column(0));
    }
}

void ContentsPanel::OnRowActivated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*) {
    const Gtk::TreeIter row = store_->get_iter(path);
    if (!row) {
        return;
    }
    const std::string href = (*row)[columns_.href];
    if (href.empty()) {
        // A heading without a place of its own folds and unfolds instead.
        if (view_.row_expanded(path)) {
            view_.collapse_row(path);
        } else {
            view_.expand_row(path, false);
        }
        return;
    }
    entryChosen_.emit(href);
}

}  // namespace quirelle
