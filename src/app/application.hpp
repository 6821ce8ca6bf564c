#pragma once

#include <glibmm/main.h>
#include <gtkmm/messagedialog.h>

#include <memory>
#include <string>

#include "app/about_box.hpp"
#include "app/desktop_color_scheme.hpp"
#include "app/export_window.hpp"
#include "app/gtk_frontend.hpp"
#include "app/main_window.hpp"
#include "app/settings_window.hpp"
#include "app/theme_actions.hpp"
#include "app/unix_signal_watch.hpp"
#include "app/zoom_actions.hpp"
#include "platform/place_store.hpp"
#include "platform/settings.hpp"
#include "view/document_view.hpp"

namespace quirelle {

// The GTK program: its windows, the document view they show, and the main loop. GTK must be
// initialised before one is made.
class Application {
  public:
    // Nothing when the document view cannot be created.
    static std::unique_ptr<Application> Create();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Puts `settings` into the settings window (the display switches take effect at once),
    // opens the main window and opens `file` as soon as the page has its size: without a file,
    // the book read last, at its place.
    void Start(const Settings& settings, const std::string& file);
    // Runs until the main window is closed, "Quit..." is chosen, or SIGINT or SIGTERM arrives;
    // then closes the main window and keeps the dividers' positions for the next start.
    void Run();
    // Ends Run, cancelling any dialog it waits on.
    void Quit();

    MainWindow& mainWindow() { return main_; }
    SettingsWindow& settingsWindow() { return settingsWindow_; }
    ExportWindow& exportWindow() { return exportWindow_; }
    DocumentView& view() { return *view_; }
    Frontend& frontend() { return frontend_; }
    const ThemeActions& themes() const { return *themes_; }

  private:
    Application();
    void AddActions();
    void ConnectSettings();
    void ApplyDisplaySwitches();
    void OpenWhenSized(const std::string& file);
    void Persist(bool forGood);
    void KeepDividerPositions();
    void ShowAboutBox();
    void ShowToolkitVersion();

    MainWindow main_;
    SettingsWindow settingsWindow_;
    ExportWindow exportWindow_;
    std::unique_ptr<AboutBox> aboutBox_;
    std::unique_ptr<Gtk::MessageDialog> toolkitVersion_;
    std::unique_ptr<ThemeActions> themes_;
    std::unique_ptr<ZoomActions> zoom_;
    DesktopColorScheme desktopColors_;
    GtkFrontend frontend_;
    std::unique_ptr<DocumentView> view_;
    PlaceStore places_;
    Glib::RefPtr<Glib::MainLoop> loop_;
    bool quitRequested_ = false;
    UnixSignalWatch interrupt_;
    UnixSignalWatch terminate_;
};

// The whole windowed program, from initialising GTK to the last window closed: the book `file`
// (or none) with `settings` in the gadgets. Where no interface can be built (no display, say),
// it says so on standard output. The exit status is 0 either way.
int RunGraphicalProgram(const Settings& settings, const std::string& file);

}  // namespace quirelle
