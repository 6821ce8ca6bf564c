#include "app/theme_actions.hpp"

#include "platform/settings_store.hpp"

namespace quirelle {

ThemeActions::ThemeActions(Gio::SimpleActionGroup& actions, MainWindow& main) : main_(main) {
    theme_ = actions.add_action_radio_string(
        "theme",
        [this](const Glib::ustring& name) {
            if (const auto theme = ParsePageTheme(name.raw())) {
                Choose(*theme);
            }
        },
        Glib::ustring(std::string(PageThemeName(main.Theme()))));
    actions.add_action("next-theme", [this] {
        switch (main_.Theme()) {
            case PageTheme::Day:
                Choose(PageTheme::Sepia);
                return;
            case PageTheme::Sepia:
                Choose(PageTheme::Night);
                return;
            case PageTheme::Night:
                Choose(PageTheme::Day);
                return;
        }
    });
}

void ThemeActions::Show(PageTheme theme) {
    main_.SetTheme(theme);
    theme_->change_state(Glib::ustring(std::string(PageThemeName(theme))));
}

std::string ThemeActions::Marked() const {
    Glib::ustring name;
    theme_->get_state(name);
    return name.raw();
}

void ThemeActions::Choose(PageTheme theme) {
    if (theme == main_.Theme()) {
        return;
    }
    Show(theme);
    // The login's file holds every setting, so it is rewritten whole, as the dividers are; the
    // permanent file takes the theme alone, leaving settings only "Used" out of it.
    Settings current = LoadSettings();
    current.theme = theme;
    SaveSettings(current, SettingsScope::Current);
    SaveSetting("theme", PageThemeName(theme), SettingsScope::Permanent);
}

}  // namespace quirelle
