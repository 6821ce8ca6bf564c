#include "app/zoom_actions.hpp"

#include <string>

#include "platform/settings_store.hpp"
#include "view/view_scale.hpp"

namespace quirelle {

ZoomActions::ZoomActions(Gio::SimpleActionGroup& actions, MainWindow& main) : main_(main) {
    actions.add_action("zoom-in", [this] { Choose(NextZoomStep(main_.Zoom(), 1)); });
    actions.add_action("zoom-out", [this] { Choose(NextZoomStep(main_.Zoom(), -1)); });
    actions.add_action("zoom-reset", [this] { Choose(100); });
    main_.pageArea().signal_zoom_step().connect(
        [this](int direction) { Choose(NextZoomStep(main_.Zoom(), direction)); });
}

void ZoomActions::Show(int zoom) {
    main_.SetZoom(zoom);
}

void ZoomActions::Choose(int zoom) {
    if (zoom == main_.Zoom()) {
        return;
    }
    Show(zoom);
    // As with the theme: the login's file is rewritten whole, the permanent one takes the zoom
    // alone, leaving settings only "Used" out of it.
    Settings current = LoadSettings();
    current.zoom = zoom;
    SaveSettings(current, SettingsScope::Current);
    SaveSetting("zoom", std::to_string(zoom), SettingsScope::Permanent);
}

}  // namespace quirelle
