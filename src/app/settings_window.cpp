#include "app/settings_window.hpp"

#include <gtkmm/box.h>
#include <gtkmm/frame.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/sizegroup.h>

namespace quirelle {

namespace {

// The element kinds with a font and size of their own; two of them have a colour as well.
struct StyleRow {
    const char* label;
    const char* key;  // the stored keys are key + "_font", "_size" and "_color"
    bool hasColor;
};
constexpr StyleRow kStyleRows[] = {
    {"Standart", "standart", false},      {"Header 1", "header_1", false},
    {"Header 2", "header_2", false},      {"Header 3", "header_3", false},
    {"Header 4", "header_4", false},      {"List", "list", false},
    {"Preformated", "preformated", true}, {"Strong", "strong", false},
    {"Emphasis", "emphasis", false},      {"Hyperlink", "hyperlink", true},
};

struct SwitchRow {
    const char* label;
    const char* key;
};
constexpr SwitchRow kSwitchRows[] = {{"Pagelist", "pagelist"},
                                     {"Pageslider", "pageslider"},
                                     {"CSS", "css"},
                                     {"Ignore TOC", "ignore_toc"}};

constexpr int kSpacing = 6;

Gtk::Label& CentredLabel(const char* text) {
    auto* label = Gtk::make_managed<Gtk::Label>(text);
    label->set_halign(Gtk::Align::CENTER);
    label->set_valign(Gtk::Align::CENTER);
    return *label;
}

Gtk::Box& Row() {
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kSpacing);
    row->set_margin(kSpacing);
    return *row;
}

Gtk::Frame& Framed(Gtk::Widget& child) {
    auto* frame = Gtk::make_managed<Gtk::Frame>();
    frame->set_child(child);
    return *frame;
}

template <typename Gadget>
Gadget* Find(const std::map<std::string, Gadget*, std::less<>>& gadgets, std::string_view key) {
    const auto found = gadgets.find(key);
    return found == gadgets.end() ? nullptr : found->second;
}

}  // namespace

SettingsWindow::SettingsWindow() {
    set_title("Settings");
    set_hide_on_close(true);

    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kSpacing);
    content->set_margin(kSpacing);
    pages_.append_page(BuildStylesPage(), "Styles");
    pages_.append_page(BuildGuiPage(), "GUI");
    pages_.set_vexpand(true);
    content->append(pages_);

    auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kSpacing);
    buttons->set_homogeneous(true);
    for (const char* name : {"Save", "Use", "Cancel"}) {
        auto* button = Gtk::make_managed<Gtk::Button>(name);
        buttons->append(*button);
        const std::string_view which = name;
        if (which == "Save") {
            button->signal_clicked().connect([this] { save_.emit(); });
        } else if (which == "Use") {
            button->signal_clicked().connect([this] { use_.emit(); });
        } else {
            // Whatever was typed stays in the gadgets: closing undoes nothing.
            button->signal_clicked().connect([this] { hide(); });
        }
    }
    content->append(*buttons);
    set_child(*content);

    Write(Settings());
}

Gtk::Entry& SettingsWindow::AddText(const std::string& key, int widthChars) {
    auto* entry = Gtk::make_managed<Gtk::Entry>();
    if (widthChars > 0) {
        entry->set_width_chars(widthChars);
        entry->set_max_width_chars(widthChars);
    }
    texts_.emplace(key, entry);
    return *entry;
}

Gtk::Widget& SettingsWindow::BuildStylesPage() {
    auto* page = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kSpacing);
    page->set_margin(kSpacing);

    Gtk::Box& margins = Row();
    margins.append(CentredLabel("Horizontal margin"));
    margins.append(AddText("horizontal_margin", 18));
    margins.append(CentredLabel("Vertical margin"));
    margins.append(AddText("vertical_margin", 18));
    margins.append(CentredLabel("Line length (em, 0: none)"));
    margins.append(AddText("linelength", 6));
    page->append(Framed(margins));

    page->append(CentredLabel("Default Styles"));

    auto* styles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kSpacing);
    // The names line up, so the font fields start in one column.
    auto names = Gtk::SizeGroup::create(Gtk::SizeGroup::Mode::HORIZONTAL);
    for (const StyleRow& style : kStyleRows) {
        const std::string key = style.key;
        Gtk::Box& row = Row();
        Gtk::Label& name = CentredLabel(style.label);
        name.set_xalign(0.0);
        name.set_halign(Gtk::Align::FILL);
        names->add_widget(name);
        row.append(name);
        Gtk::Entry& font = AddText(key + "_font", 0);
        font.set_hexpand(true);
        row.append(font);
        row.append(CentredLabel("Size"));
        row.append(AddText(key + "_size", 3));
        if (style.hasColor) {
            row.append(CentredLabel("Color"));
            auto* color = Gtk::make_managed<ColorPopup>();
            colors_.emplace(key + "_color", color);
            row.append(*color);
        }
        styles->append(Framed(row));
    }
    auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
    scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
    scroller->set_min_content_height(320);
    scroller->set_vexpand(true);
    scroller->set_child(*styles);
    page->append(*scroller);
    return *page;
}

Gtk::Widget& SettingsWindow::BuildGuiPage() {
    auto* grid = Gtk::make_managed<Gtk::Grid>();
    grid->set_margin(kSpacing);
    grid->set_row_spacing(kSpacing);
    grid->set_column_spacing(2 * kSpacing);
    int line = 0;
    for (const SwitchRow& row : kSwitchRows) {
        auto* check = Gtk::make_managed<Gtk::CheckButton>();
        switches_.emplace(row.key, check);
        grid->attach(CentredLabel(row.label), 0, line);
        grid->attach(*check, 1, line);
        ++line;
    }
    auto& frame = Framed(*grid);
    frame.set_margin(kSpacing);
    frame.set_valign(Gtk::Align::START);
    frame.set_halign(Gtk::Align::START);
    return frame;
}

Settings SettingsWindow::Read() const {
    Settings settings;
    for (const auto& [key, entry] : texts_) {
        settings.Set(key, entry->get_text().raw());
    }
    for (const auto& [key, check] : switches_) {
        settings.Set(key, check->get_active() ? "1" : "0");
    }
    for (const auto& [key, color] : colors_) {
        settings.Set(key, FormatSettingsColor(color->Color()));
    }
    return settings;
}

void SettingsWindow::Write(const Settings& settings) {
    for (const auto& [key, entry] : texts_) {
        entry->set_text(settings.Get(key).value_or(""));
    }
    for (const auto& [key, check] : switches_) {
        check->set_active(settings.Get(key) == "1");
    }
    for (const auto& [key, color] : colors_) {
        if (const auto value = ParseSettingsColor(settings.Get(key).value_or(""))) {
            color->SetColor(*value);
        }
    }
}

Gtk::Entry* SettingsWindow::TextGadget(std::string_view key) const {
    return Find(texts_, key);
}

Gtk::CheckButton* SettingsWindow::SwitchGadget(std::string_view key) const {
    return Find(switches_, key);
}

ColorPopup* SettingsWindow::ColorGadget(std::string_view key) const {
    return Find(colors_, key);
}

}  // namespace quirelle
