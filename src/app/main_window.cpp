#include "app/main_window.hpp"

#include <gtkmm/eventcontrollerkey.h>

#include <gdk/gdk.h>
#include <giomm/file.h>
#include <glibmm/main.h>
#include <gtkmm/droptarget.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/shortcut.h>
#include <gtkmm/shortcutaction.h>
#include <gtkmm/shortcuttrigger.h>

#include <cmath>

#include "app/main_menu.hpp"
#include "view/document_view.hpp"

namespace quirelle {

namespace {

constexpr int kSpacing = 4;

void SetUpField(Gtk::Label& field) {
    field.set_xalign(0.0);
    field.set_wrap(true);
    field.set_selectable(true);
}

// The local path of what was dropped: the first file of a list, or the one file. Empty when the
// drop holds no file with a local path.
std::string DroppedPath(const Glib::ValueBase& value) {
    const GValue* raw = value.gobj();
    GFile* file = nullptr;
    if (G_VALUE_HOLDS(raw, GDK_TYPE_FILE_LIST)) {
        auto* files = static_cast<GdkFileList*>(g_value_get_boxed(raw));
        GSList* list = files ? gdk_file_list_get_files(files) : nullptr;
        file = list ? G_FILE(list->data) : nullptr;
        g_slist_free(list);
    } else if (G_VALUE_HOLDS(raw, G_TYPE_FILE)) {
        file = G_FILE(g_value_get_object(raw));
    }
    if (file == nullptr) {
        return {};
    }
    std::unique_ptr<char, decltype(&g_free)> path(g_file_get_path(file), &g_free);
    return path ? std::string(path.get()) : std::string();
}

}  // namespace

MainWindow::MainWindow() : menuBar_(BuildMenuModel(recentBooks_.menu())) {
    set_title("Quirelle");
    set_default_size(1000, 760);
    add_controller(BuildMenuShortcuts());

    content_.append(menuBar_);
    topBar_ = &BuildTopBar();
    content_.append(*topBar_);

    // The contents and the page list beside the page, with a divider the user can move.
    sideTabs_.append_page(contentsPanel_, "Contents");
    sideTabs_.append_page(pageList_, "Pages");
    pageListFrame_.set_child(sideTabs_);
    // The search bar folds out over the page it searches.
    pageColumn_.append(searchBar_);
    pageColumn_.append(pageArea_);
    pageFrame_.set_child(pageColumn_);
    pagePaned_.set_start_child(pageListFrame_);
    pagePaned_.set_end_child(pageFrame_);
    pagePaned_.set_resize_start_child(false);
    pagePaned_.set_shrink_start_child(false);
    pagePaned_.set_shrink_end_child(false);
    pagePaned_.set_vexpand(true);
    content_.append(pagePaned_);

    pageSlider_.set_range(0, 0);
    pageSlider_.set_increments(1, 1);
    pageSlider_.set_digits(0);
    pageSlider_.set_round_digits(0);
    pageSlider_.set_draw_value(true);
    pageSlider_.set_visible(false);
    content_.append(pageSlider_);

    status_.set_xalign(0.0);
    status_.set_margin_start(kSpacing);
    status_.set_ellipsize(Pango::EllipsizeMode::END);
    statusFrame_.set_child(status_);
    content_.append(statusFrame_);

    set_child(content_);
    // Until a book with contents is open the page list stands alone (the tabs look for the
    // window's focus when their page changes, so only now). Hiding a tab's page instead upsets
    // GTK 4.8's tabs when the page comes back. The page changes while the tabs are shown: GTK
    // 4.8 moves a tab's node among the tabs' nodes as its page changes, which fails while they
    // are hidden.
    sideTabs_.set_current_page(sideTabs_.page_num(pageList_));
    sideTabs_.set_show_tabs(false);
    property_fullscreened().signal_changed().connect([this] { FoldPanelsAway(is_fullscreen()); });
    add_controller(BuildFullScreenExit());
}

Glib::RefPtr<Gtk::ShortcutController> MainWindow::BuildFullScreenExit() {
    auto escape = Gtk::ShortcutController::create();
    escape->set_scope(Gtk::ShortcutScope::GLOBAL);
    // Escape is the window's only while it is full screen; otherwise it goes on to the gadgets.
    escape->add_shortcut(Gtk::Shortcut::create(
        Gtk::KeyvalTrigger::create(GDK_KEY_Escape, Gdk::ModifierType(0)),
        Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
            if (!is_fullscreen()) {
                return false;
            }
            unfullscreen();
            return true;
        })));
    return escape;
}

void MainWindow::ToggleFullScreen() {
    if (is_fullscreen()) {
        unfullscreen();
    } else {
        fullscreen();
    }
}

void MainWindow::FoldPanelsAway(bool folded) {
    if (folded == !unfolded_.empty()) {
        return;
    }
    if (!folded) {
        for (const auto& [widget, shown] : unfolded_) {
            widget->set_visible(shown);
        }
        unfolded_.clear();
        return;
    }
    for (Gtk::Widget* widget : std::initializer_list<Gtk::Widget*>{
             &menuBar_, topBar_, &pageListFrame_, &pageSlider_, &statusFrame_}) {
        unfolded_.emplace_back(widget, widget->get_visible());
        widget->set_visible(false);
    }
}

void MainWindow::SetTheme(PageTheme theme) {
    theme_ = theme;
    if (view_) {
        view_->Data().screenTheme = ColorTheme(theme);
    }
    pageArea_.canvas().queue_draw();
}

void MainWindow::SetZoom(int zoom) {
    zoom_ = zoom;
    if (view_) {
        view_->SettingsChanged();
    }
    pageArea_.canvas().queue_draw();
}

Gtk::Widget& MainWindow::BuildTopBar() {
    auto* bar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kSpacing);
    bar->set_margin(kSpacing);
    showPanelButton_.set_icon_name("pan-down-symbolic");
    showPanelButton_.set_tooltip_text("Show the book's details");
    hidePanelButton_.set_icon_name("pan-up-symbolic");
    hidePanelButton_.set_tooltip_text("Hide the book's details");
    hidePanelButton_.set_visible(false);
    backButton_.set_icon_name("go-previous-symbolic");
    backButton_.set_tooltip_text("Back (Alt+Left)");
    forwardButton_.set_icon_name("go-next-symbolic");
    forwardButton_.set_tooltip_text("Forward (Alt+Right)");
    SetHistoryButtons(false, false);
    for (Gtk::Button* button :
         {&backButton_, &forwardButton_, &showPanelButton_, &hidePanelButton_}) {
        button->set_valign(Gtk::Align::START);
        bar->append(*button);
    }

    auto* titleColumn = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kSpacing);
    titleColumn->set_margin(kSpacing);
    title_.set_wrap(true);
    title_.set_selectable(true);
    auto attributes = Pango::AttrList();
    auto bold = Pango::Attribute::create_attr_weight(Pango::Weight::BOLD);
    attributes.insert(bold);
    title_.set_attributes(attributes);
    titleColumn->append(title_);
    titleColumn->append(BuildInfoPanel());
    auto* titleFrame = Gtk::make_managed<Gtk::Frame>();
    titleFrame->set_child(*titleColumn);
    titleFrame->set_hexpand(true);
    bar->append(*titleFrame);
    return *bar;
}

Gtk::Widget& MainWindow::BuildInfoPanel() {
    auto* fields = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kSpacing);
    for (Gtk::Label* field : {&date_, &creator_, &description_, &publisher_}) {
        SetUpField(*field);
    }
    fields->append(date_);
    fields->append(creator_);
    // A long description scrolls inside the panel instead of pushing the page away.
    auto* description = Gtk::make_managed<Gtk::ScrolledWindow>();
    description->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
    description->set_min_content_height(120);
    description->set_child(description_);
    description_.set_valign(Gtk::Align::START);
    fields->append(*description);
    fields->append(publisher_);
    auto* spacer = Gtk::make_managed<Gtk::Box>();
    spacer->set_vexpand(true);
    fields->append(*spacer);

    coverPaned_.set_start_child(cover_);
    coverPaned_.set_end_child(*Gtk::make_managed<Gtk::Box>());
    coverPaned_.set_shrink_start_child(false);
    auto* coverFrame = Gtk::make_managed<Gtk::Frame>();
    coverFrame->set_child(coverPaned_);

    infoPanel_.set_start_child(*fields);
    infoPanel_.set_end_child(*coverFrame);
    infoPanel_.set_resize_end_child(false);
    infoPanel_.set_shrink_end_child(false);
    infoPanel_.set_visible(false);
    return infoPanel_;
}

void MainWindow::Attach(DocumentView& view) {
    view_ = &view;
    pageArea_.Attach(view);
    searchBar_.Attach(view);
    add_controller(searchBar_.BuildShortcuts());
    showPanelButton_.signal_clicked().connect([this] { view_->ShowPanel(1); });
    hidePanelButton_.signal_clicked().connect([this] { view_->ShowPanel(2); });
    backButton_.signal_clicked().connect([this] { view_->GoBack(); });
    forwardButton_.signal_clicked().connect([this] { view_->GoForward(); });
    pageList_.signal_row_chosen().connect(sigc::mem_fun(*this, &MainWindow::OnRowChosen));
    contentsPanel_.signal_entry_chosen().connect(
        [this](const std::string& href) { view_->GoToMember(href); });
    sliderConnection_ = pageSlider_.signal_value_changed().connect(
        sigc::mem_fun(*this, &MainWindow::OnSliderMoved));

    // Keys reach the page before the focused gadget sees them, but only while the pointer is
    // over the page: elsewhere they stay with the list, the slider and the menus.
    auto keys = Gtk::EventControllerKey::create();
    keys->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    keys->signal_key_pressed().connect(
        [this](guint keyval, guint, Gdk::ModifierType state) {
            // Back and Forward answer wherever the pointer is, as in a browser.
            const bool alt = (state & Gdk::ModifierType::ALT_MASK) == Gdk::ModifierType::ALT_MASK;
            if ((alt && keyval == GDK_KEY_Left) || keyval == GDK_KEY_Back) {
                view_->GoBack();
                return true;
            }
            if ((alt && keyval == GDK_KEY_Right) || keyval == GDK_KEY_Forward) {
                view_->GoForward();
                return true;
            }
            // Typing in the search bar is not moving through the page.
            if (searchBar_.HasKeyboard()) {
                return false;
            }
            return pageArea_.HandleKey(keyval, state);
        },
        false);
    add_controller(keys);

    auto drop = Gtk::DropTarget::create(GDK_TYPE_FILE_LIST, Gdk::DragAction::COPY);
    drop->set_gtypes({GDK_TYPE_FILE_LIST, G_TYPE_FILE});
    drop->signal_drop().connect(
        [this](const Glib::ValueBase& value, double, double) {
            const std::string path = DroppedPath(value);
            if (path.empty()) {
                return false;
            }
            // The book is opened once the drop is over, so that the program it came from is
            // not kept waiting while the book loads (or while a message box waits for "Ok").
            Glib::signal_idle().connect_once(
                sigc::bind(sigc::mem_fun(*this, &MainWindow::OpenDroppedFile), path));
            return true;
        },
        false);
    add_controller(drop);
}

void MainWindow::OpenDroppedFile(const std::string& path) {
    if (view_) {
        view_->OpenBook(path);
    }
}

void MainWindow::SetMetadata(MetadataField field, const std::string& text) {
    switch (field) {
        case MetadataField::Title:
            title_.set_text(text);
            break;
        case MetadataField::Creator:
            creator_.set_text(text);
            break;
        case MetadataField::Description:
            description_.set_text(text);
            break;
        case MetadataField::Publisher:
            publisher_.set_text(text);
            break;
        case MetadataField::Date:
            date_.set_text(text);
            break;
    }
}

const Gtk::Label& MainWindow::MetadataLabel(MetadataField field) const {
    switch (field) {
        case MetadataField::Title:
            return title_;
        case MetadataField::Creator:
            return creator_;
        case MetadataField::Description:
            return description_;
        case MetadataField::Publisher:
            return publisher_;
        case MetadataField::Date:
            break;
    }
    return date_;
}

void MainWindow::ShowPanel(bool open) {
    showPanelButton_.set_visible(!open);
    hidePanelButton_.set_visible(open);
    infoPanel_.set_visible(open);
}

void MainWindow::ClearPageList() {
    pageList_.Clear();
    MoveSliderQuietly(0);
}

void MainWindow::SetActiveDocument(int document) {
    pageList_.MarkDocumentActive(document);
    if (pageList_.ActiveRow() >= 0) {
        MoveSliderQuietly(pageList_.ActiveRow());
    }
}

void MainWindow::MoveSliderQuietly(int row) {
    sliderConnection_.block();
    pageSlider_.set_value(row);
    sliderConnection_.unblock();
    sliderRow_ = static_cast<int>(std::lround(pageSlider_.get_value()));
}

void MainWindow::SetPageSliderMaximum(int maximum) {
    sliderConnection_.block();
    pageSlider_.set_range(0, std::max(maximum, 0));
    sliderConnection_.unblock();
    sliderRow_ = static_cast<int>(std::lround(pageSlider_.get_value()));
}

void MainWindow::StepPageSlider(int steps) {
    const Glib::RefPtr<Gtk::Adjustment> range = pageSlider_.get_adjustment();
    pageSlider_.set_value(
        std::clamp(pageSlider_.get_value() + steps, range->get_lower(), range->get_upper()));
}

void MainWindow::OnSliderMoved() {
    const int row = static_cast<int>(std::lround(pageSlider_.get_value()));
    // The slider moves in whole steps; a change within one step is no new page.
    if (row == sliderRow_) {
        return;
    }
    sliderRow_ = row;
    pageList_.ChooseRow(row);
}

void MainWindow::OnRowChosen(int row, int document) {
    MoveSliderQuietly(row);
    if (view_) {
        view_->GoToDocument(document);
    }
}

void MainWindow::ContentsChanged() {
    const std::vector<ContentsEntry>& tree = view_->Data().contents.Tree();
    contentsPanel_.Show(tree);
    // Pages change only while the tabs are shown (see the constructor); with the tabs hidden the
    // page list is always the page shown.
    const bool had = sideTabs_.get_show_tabs();
    if (tree.empty()) {
        if (had) {
            sideTabs_.set_current_page(sideTabs_.page_num(pageList_));
            sideTabs_.set_show_tabs(false);
        }
    } else if (!had) {
        sideTabs_.set_show_tabs(true);
        sideTabs_.set_current_page(sideTabs_.page_num(contentsPanel_));
    }
}

void MainWindow::SetHistoryButtons(bool canGoBack, bool canGoForward) {
    backButton_.set_sensitive(canGoBack);
    forwardButton_.set_sensitive(canGoForward);
}

void MainWindow::ShowBusyPointer(bool busy) {
    busyDepth_ += busy ? 1 : -1;
    if (busy && busyDepth_ == 1) {
        set_cursor("wait");
    } else if (!busy && busyDepth_ == 0) {
        set_cursor();
    } else {
        return;
    }
    // The work that follows blocks the main loop; the server must have the cursor before that.
    get_display()->flush();
}

void MainWindow::StoreDividers(Settings& settings) const {
    // A divider the user never moved stays unset, so the layout keeps choosing its place.
    const auto position = [](const Gtk::Paned& paned) {
        return paned.property_position_set().get_value() ? paned.get_position() : -1;
    };
    settings.pagelistDivider = position(pagePaned_);
    settings.panelDivider = position(infoPanel_);
    settings.coverDivider = position(coverPaned_);
}

void MainWindow::RestoreDividers(const Settings& settings) {
    const auto restore = [](Gtk::Paned& paned, int position) {
        if (position >= 0) {
            paned.set_position(position);
        }
    };
    restore(pagePaned_, settings.pagelistDivider);
    restore(infoPanel_, settings.panelDivider);
    restore(coverPaned_, settings.coverDivider);
}

}  // namespace quirelle
