#include "app/page_list.hpp"

#include <gtkmm/adjustment.h>
#include <gtkmm/label.h>

#include <algorithm>

namespace quirelle {

PageList::PageList() {
    set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);
    set_size_request(120, -1);
    list_.set_selection_mode(Gtk::SelectionMode::SINGLE);
    set_child(list_);
    selectedConnection_ =
        list_.signal_row_selected().connect(sigc::mem_fun(*this, &PageList::OnRowSelected));
}

void PageList::Clear() {
    selectedConnection_.block();
    while (Gtk::Widget* row = list_.get_first_child()) {
        list_.remove(*row);
    }
    selectedConnection_.unblock();
    rowDocuments_.clear();
    activeRow_ = -1;
}

void PageList::InsertRow(int document, const std::string& label) {
    const int position = std::clamp(document, 0, RowCount());
    auto* text = Gtk::make_managed<Gtk::Label>(label);
    text->set_xalign(0.0);
    text->set_margin_start(4);
    text->set_margin_end(4);
    selectedConnection_.block();
    list_.insert(*text, position);
    selectedConnection_.unblock();
    rowDocuments_.insert(rowDocuments_.begin() + position, document);
    if (activeRow_ >= position) {
        ++activeRow_;
    }
}

std::string PageList::RowLabel(int row) const {
    const Gtk::ListBoxRow* listRow = list_.get_row_at_index(row);
    const auto* text = listRow ? dynamic_cast<const Gtk::Label*>(listRow->get_child()) : nullptr;
    return text ? std::string(text->get_text()) : std::string();
}

int PageList::RowDocument(int row) const {
    return row >= 0 && row < RowCount() ? rowDocuments_[row] : -1;
}

void PageList::ChooseRow(int row) {
    if (Gtk::ListBoxRow* listRow = list_.get_row_at_index(row)) {
        list_.select_row(*listRow);
        ScrollToRow(row);
    }
}

void PageList::MarkDocumentActive(int document) {
    const auto found = std::find(rowDocuments_.begin(), rowDocuments_.end(), document);
    SelectQuietly(found == rowDocuments_.end() ? -1
                                               : static_cast<int>(found - rowDocuments_.begin()));
}

void PageList::OnRowSelected(Gtk::ListBoxRow* row) {
    const int index = row ? row->get_index() : -1;
    // The list announces a click on the row that is already active too; that is no change.
    if (index == activeRow_) {
        return;
    }
    activeRow_ = index;
    if (index >= 0) {
        rowChosen_.emit(index, rowDocuments_[index]);
    }
}

void PageList::SelectQuietly(int row) {
    selectedConnection_.block();
    if (Gtk::ListBoxRow* listRow = list_.get_row_at_index(row)) {
        list_.select_row(*listRow);
        activeRow_ = row;
        ScrollToRow(row);
    } else {
        list_.unselect_all();
        activeRow_ = -1;
    }
    selectedConnection_.unblock();
}

void PageList::ScrollToRow(int row) {
    const Gtk::ListBoxRow* listRow = list_.get_row_at_index(row);
    const auto adjustment = get_vadjustment();
    if (!listRow || !adjustment) {
        return;
    }
    // Before the list has been laid out the rows have no place yet; nothing to scroll then.
    const Gtk::Allocation place = listRow->get_allocation();
    if (place.get_height() > 0) {
        adjustment->clamp_page(place.get_y(), place.get_y() + place.get_height());
    }
}

}  // namespace quirelle
