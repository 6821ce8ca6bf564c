#include "app/search_bar.hpp"

#include <gdk/gdk.h>
#include <glib.h>
#include <glibmm/markup.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/listboxrow.h>
#include <gtkmm/shortcut.h>
#include <gtkmm/shortcutaction.h>
#include <gtkmm/shortcuttrigger.h>

#include <algorithm>
#include <utility>

#include "app/gtk_frontend.hpp"
#include "package/contents_tree.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

constexpr int kSpacing = 4;
// A word found all over a long book could list a hundred thousand rows, which the list would take
// seconds to build; the hits beyond these are still gone to with Enter and F3.
constexpr std::size_t kMaxListedHits = 1000;
constexpr int kResultsHeight = 180;

bool Before(const SearchHit& hit, const ReadingPlace& place) {
    return hit.document < place.document ||
           (hit.document == place.document && hit.offset < place.offset);
}

// Enter and Shift+Enter in every spelling the keyboard has.
bool IsEnter(guint keyval) {
    return keyval == GDK_KEY_Return || keyval == GDK_KEY_KP_Enter || keyval == GDK_KEY_ISO_Enter;
}

// The label of the first entry of the book's contents that leads into each document.
void LabelDocuments(const std::vector<ContentsEntry>& entries,
                    const std::vector<std::string>& members, std::vector<std::string>& labels) {
    for (const ContentsEntry& entry : entries) {
        const std::string_view member =
            std::string_view(entry.href).substr(0, entry.href.find('#'));
        for (std::size_t i = 0; i < labels.size(); ++i) {
            if (labels[i].empty() && members[i] == member) {
                labels[i] = entry.label;
            }
        }
        LabelDocuments(entry.children, members, labels);
    }
}

}  // namespace

std::string HitMarkup(const SearchHit& hit) {
    // The context comes from the book: whatever it holds must neither break the markup nor
    // reach GTK as invalid UTF-8.
    std::unique_ptr<gchar, decltype(&g_free)> valid(
        g_utf8_make_valid(hit.context.data(), static_cast<gssize>(hit.context.size())), &g_free);
    const char* text = valid.get();
    const auto length = static_cast<std::uint32_t>(g_utf8_strlen(text, -1));
    const std::uint32_t start = std::min(hit.contextStart, length);
    const std::uint32_t end = std::min(length, start + std::min(hit.contextLength, length));
    const char* hitBegin = g_utf8_offset_to_pointer(text, start);
    const char* hitEnd = g_utf8_offset_to_pointer(text, end);
    const auto escape = [](const char* from, const char* to) {
        return std::string(Glib::Markup::escape_text(Glib::ustring(from, to)));
    };
    return escape(text, hitBegin) + "<b>" + escape(hitBegin, hitEnd) + "</b>" +
           escape(hitEnd, text + std::char_traits<char>::length(text));
}

SearchBar::SearchBar() {
    // gtkmm 4.8's own setter takes the search entry for a GtkEntry, which it is not.
    g_object_set(entry_.gobj(), "placeholder-text", "Search the book", nullptr);
    entry_.set_hexpand(true);
    previous_.set_icon_name("go-up-symbolic");
    previous_.set_tooltip_text("Previous hit (Shift+Enter, Shift+F3)");
    next_.set_icon_name("go-down-symbolic");
    next_.set_tooltip_text("Next hit (Enter, F3)");
    controls_.set_spacing(kSpacing);
    for (Gtk::Widget* widget : std::initializer_list<Gtk::Widget*>{
             &entry_, &previous_, &next_, &matchCase_, &wholeWords_, &count_}) {
        controls_.append(*widget);
    }
    count_.set_width_chars(18);
    count_.set_xalign(0.0);

    results_.set_selection_mode(Gtk::SelectionMode::SINGLE);
    resultsWindow_.set_child(results_);
    resultsWindow_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
    resultsWindow_.set_max_content_height(kResultsHeight);
    resultsWindow_.set_propagate_natural_height(true);
    resultsWindow_.set_visible(false);

    column_.set_spacing(kSpacing);
    column_.append(controls_);
    column_.append(resultsWindow_);
    set_child(column_);
    connect_entry(entry_);
    set_show_close_button(true);

    arrivedSignal_.connect(sigc::mem_fun(*this, &SearchBar::TakeArrived));
}

SearchBar::~SearchBar() {
    StopSearch();
}

void SearchBar::Attach(DocumentView& view) {
    view_ = &view;
    entry_.signal_search_changed().connect([this] { Restart(); });
    matchCase_.signal_toggled().connect([this] { Restart(); });
    wholeWords_.signal_toggled().connect([this] { Restart(); });
    entry_.signal_next_match().connect([this] { GoToNextHit(1); });
    entry_.signal_previous_match().connect([this] { GoToNextHit(-1); });
    previous_.signal_clicked().connect([this] { GoToNextHit(-1); });
    next_.signal_clicked().connect([this] { GoToNextHit(1); });
    results_.signal_row_activated().connect([this](Gtk::ListBoxRow* row) {
        const int index = row ? row->get_index() : -1;
        if (index >= 0 && index < static_cast<int>(rowHits_.size()) && rowHits_[index] >= 0) {
            GoToHit(rowHits_[index]);
        }
    });

    // Enter in the entry goes on to a hit rather than activating anything.
    auto enter = Gtk::EventControllerKey::create();
    enter->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    enter->signal_key_pressed().connect(
        [this](guint keyval, guint, Gdk::ModifierType state) {
            if (!IsEnter(keyval)) {
                return false;
            }
            // A term typed a moment ago is searched at once, not after the entry's pause.
            Restart();
            const bool shifted =
                (state & Gdk::ModifierType::SHIFT_MASK) == Gdk::ModifierType::SHIFT_MASK;
            GoToNextHit(shifted ? -1 : 1);
            return true;
        },
        false);
    entry_.add_controller(enter);

    // The entry closes the bar on Escape by itself; the switches and the list must too.
    auto escape = Gtk::EventControllerKey::create();
    escape->signal_key_pressed().connect(
        [this](guint keyval, guint, Gdk::ModifierType) {
            if (keyval != GDK_KEY_Escape) {
                return false;
            }
            set_search_mode(false);
            return true;
        },
        false);
    column_.add_controller(escape);
}

Glib::RefPtr<Gtk::ShortcutController> SearchBar::BuildShortcuts() {
    auto shortcuts = Gtk::ShortcutController::create();
    shortcuts->set_scope(Gtk::ShortcutScope::GLOBAL);
    const std::pair<const char*, int> steps[] = {{"F3", 1}, {"<Shift>F3", -1}};
    for (const auto& [trigger, step] : steps) {
        // A copy: clang 14 cannot capture a structured binding.
        const int direction = step;
        shortcuts->add_shortcut(Gtk::Shortcut::create(
            Gtk::ShortcutTrigger::parse_string(trigger),
            Gtk::CallbackAction::create([this, direction](Gtk::Widget&, const Glib::VariantBase&) {
                GoToNextHit(direction);
                return true;
            })));
    }
    return shortcuts;
}

void SearchBar::Open() {
    set_search_mode(true);
    // The search before comes back with the bar, to go on with or to type over.
    if (entry_.get_text().empty() && !term_.empty()) {
        entry_.set_text(term_);
    }
    entry_.grab_focus();
    entry_.select_region(0, -1);
}

bool SearchBar::HasKeyboard() const {
    return get_search_mode() &&
           (get_state_flags() & Gtk::StateFlags::FOCUS_WITHIN) == Gtk::StateFlags::FOCUS_WITHIN;
}

void SearchBar::StopSearch() {
    if (search_) {
        // Cancelling first: no worker delivers once it returns, and each stops within a block.
        search_->Cancel();
        search_.reset();
    }
    const std::lock_guard lock(arrivedMutex_);
    ++generation_;
    arrived_.clear();
    arrivedDone_ = false;
}

void SearchBar::Restart() {
    // Closing, the bar empties its entry: that is no new search, and the marks stay.
    if (view_ == nullptr || !get_search_mode()) {
        return;
    }
    const DocumentViewData& data = view_->Data();
    const std::string term = entry_.get_text();
    const SearchOptions options{.matchCase = matchCase_.get_active(),
                                .wholeWords = wholeWords_.get_active(),
                                .bookSheets = data.cssEnabled};
    // Enter after the entry's own pause finds the search already running.
    if (search_ && term == term_ && data.book.archivePath == bookPath_ &&
        options.matchCase == options_.matchCase && options.wholeWords == options_.wholeWords &&
        options.bookSheets == options_.bookSheets) {
        return;
    }
    StopSearch();
    ClearResults();
    term_ = term;
    options_ = options;
    if (bookPath_ != data.book.archivePath) {
        bookPath_ = data.book.archivePath;
        headings_.clear();
    }
    view_->ClearSearchMarks();
    if (term.empty() || bookPath_.empty()) {
        ShowCount();
        return;
    }
    const std::vector<DocumentEntry> documents(
        data.book.documents.begin(), data.book.documents.begin() + data.book.documentCount);
    unsigned generation = 0;
    {
        const std::lock_guard lock(arrivedMutex_);
        generation = generation_;
    }
    // The sinks run on the workers: they only hand over, and wake the main loop.
    search_ = std::make_unique<BookSearch>(
        bookPath_, documents, term, options,
        [this, generation](DocumentHits&& found) {
            if (found.hits.empty()) {
                return;
            }
            {
                const std::lock_guard lock(arrivedMutex_);
                if (generation != generation_) {
                    return;
                }
                arrived_.push_back(std::move(found));
            }
            arrivedSignal_.emit();
        },
        [this, generation] {
            {
                const std::lock_guard lock(arrivedMutex_);
                if (generation != generation_) {
                    return;
                }
                arrivedDone_ = true;
            }
            arrivedSignal_.emit();
        });
    ShowCount();
}

void SearchBar::ClearResults() {
    hits_.clear();
    rowHits_.clear();
    hitRows_.clear();
    while (Gtk::ListBoxRow* row = results_.get_row_at_index(0)) {
        results_.remove(*row);
    }
    resultsWindow_.set_visible(false);
    current_ = -1;
    pendingStep_ = 0;
    jumped_ = false;
    done_ = false;
}

void SearchBar::TakeArrived() {
    std::vector<DocumentHits> arrived;
    bool done = false;
    {
        const std::lock_guard lock(arrivedMutex_);
        arrived.swap(arrived_);
        done = arrivedDone_;
    }
    for (const DocumentHits& found : arrived) {
        ListDocument(found);
    }
    done_ = done_ || done;
    if (pendingStep_ != 0) {
        const int step = pendingStep_;
        pendingStep_ = 0;
        GoToNextHit(step);
    }
    ShowCount();
}

void SearchBar::ListDocument(const DocumentHits& found) {
    if (headings_.empty()) {
        NameDocuments();
    }
    std::vector<SearchMarks::Span> spans;
    spans.reserve(found.hits.size());
    for (const SearchHit& hit : found.hits) {
        const int index = static_cast<int>(hits_.size());
        hits_.push_back(hit);
        spans.emplace_back(hit.offset, hit.end);
        if (hitRows_.size() >= kMaxListedHits) {
            continue;
        }
        if (&hit == &found.hits.front()) {
            const std::size_t document = static_cast<std::size_t>(found.document);
            const std::string label = document < headings_.size()
                                          ? headings_[document]
                                          : std::to_string(found.document + 1);
            auto* heading = Gtk::make_managed<Gtk::Label>();
            heading->set_markup("<b>" + Glib::Markup::escape_text(label) + "</b>");
            heading->set_xalign(0.0);
            heading->set_ellipsize(Pango::EllipsizeMode::END);
            auto* row = Gtk::make_managed<Gtk::ListBoxRow>();
            row->set_child(*heading);
            row->set_activatable(false);
            row->set_selectable(false);
            results_.append(*row);
            rowHits_.push_back(-1);
        }
        auto* context = Gtk::make_managed<Gtk::Label>();
        context->set_markup(HitMarkup(hit));
        context->set_xalign(0.0);
        context->set_ellipsize(Pango::EllipsizeMode::END);
        context->set_margin_start(3 * kSpacing);
        results_.append(*context);
        hitRows_.push_back(static_cast<int>(rowHits_.size()));
        rowHits_.push_back(index);
    }
    resultsWindow_.set_visible(!rowHits_.empty());
    view_->AddSearchMarks(found.document, std::move(spans));
}

void SearchBar::NameDocuments() {
    BookState& book = view_->Data().book;
    const std::vector<DocumentEntry> documents(book.documents.begin(),
                                               book.documents.begin() + book.documentCount);
    // The contents name members from the archive's root, the reading order from the package.
    std::vector<std::string> members;
    for (const DocumentEntry& document : documents) {
        members.push_back(PackageMemberPath(book, document.href));
    }
    headings_.assign(documents.size(), std::string());
    LabelDocuments(ReadContentsTree(book), members, headings_);
    // A document the contents do not lead into goes by its row in the page list, or its name.
    for (std::size_t i = 0; i < documents.size(); ++i) {
        if (headings_[i].empty()) {
            headings_[i] =
                DisplayText(documents[i].label.empty() ? documents[i].href : documents[i].label);
        }
    }
}

void SearchBar::GoToNextHit(int direction) {
    if (view_ == nullptr) {
        return;
    }
    const int count = static_cast<int>(hits_.size());
    int next = -1;
    if (current_ >= 0) {
        next = current_ + direction;
    } else {
        // The first step goes from the place in view.
        const ReadingPlace place = view_->CurrentPlace();
        const auto after = std::partition_point(
            hits_.begin(), hits_.end(), [&](const SearchHit& hit) { return Before(hit, place); });
        next = static_cast<int>(after - hits_.begin()) - (direction < 0 ? 1 : 0);
    }
    if (next < 0 || next >= count) {
        // Round the book once all of it is searched; until then, the step waits for more hits
        // after the last one found.
        if (!done_) {
            if (search_ && next >= count) {
                pendingStep_ = direction;
            }
            return;
        }
        if (count == 0) {
            return;
        }
        next = next < 0 ? count - 1 : 0;
    }
    GoToHit(next);
}

void SearchBar::GoToHit(int index) {
    if (index < 0 || index >= static_cast<int>(hits_.size())) {
        return;
    }
    current_ = index;
    const SearchHit& hit = hits_[index];
    const ReadingPlace place{hit.document, hit.offset};
    if (!jumped_) {
        jumped_ = view_->JumpToPlace(place);
    } else {
        view_->ShowPlace(place);
    }
    if (index < static_cast<int>(hitRows_.size())) {
        if (Gtk::ListBoxRow* row = results_.get_row_at_index(hitRows_[index])) {
            results_.select_row(*row);
            double x = 0, y = 0;
            if (row->translate_coordinates(results_, 0, 0, x, y)) {
                const auto scroll = resultsWindow_.get_vadjustment();
                const double height = row->get_height();
                if (y < scroll->get_value()) {
                    scroll->set_value(y);
                } else if (y + height > scroll->get_value() + scroll->get_page_size()) {
                    scroll->set_value(y + height - scroll->get_page_size());
                }
            }
        }
    }
    ShowCount();
}

void SearchBar::BookChanged() {
    // The marks went with the book before; the term is searched again in this one, or the
    // hits are forgotten while the bar is closed.
    bookPath_.clear();
    if (!get_search_mode()) {
        StopSearch();
        term_.clear();
        ClearResults();
        ShowCount();
        return;
    }
    Restart();
}

void SearchBar::ShowCount() {
    const int count = static_cast<int>(hits_.size());
    std::string text;
    if (term_.empty()) {
        text.clear();
    } else if (count == 0) {
        text = done_ ? "No hits" : "Searching\u2026";
    } else {
        text = current_ >= 0 ? std::to_string(current_ + 1) + " of " + std::to_string(count)
                             : std::to_string(count) + (count == 1 ? " hit" : " hits");
        if (!done_) {
            text += "\u2026";
        }
    }
    count_.set_text(text);
    if (hits_.size() > hitRows_.size()) {
        count_.set_tooltip_text("The first " + std::to_string(hitRows_.size()) +
                                " hits are listed; Enter and F3 go to every one.");
    } else {
        count_.set_tooltip_text("");
    }
}

}  // namespace quirelle
