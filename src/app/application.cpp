#include "app/application.hpp"

#include <giomm/simpleactiongroup.h>
#include <glibmm/miscutils.h>
#include <gtk/gtk.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/init.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "app/modal_loop.hpp"
#include "export/pdf_export.hpp"
#include "platform/paths.hpp"
#include "platform/settings_store.hpp"

namespace quirelle {

namespace {

constexpr const char* kCannotBuild = "Die Applikation kann nicht generiert werden !";

// The program's icon, found by name; in the build tree and after installation alike it lies in
// the pictures folder beside the program.
void UseProgramIcon(Gtk::Window& window) {
    Gtk::IconTheme::get_for_display(window.get_display())
        ->add_search_path(PicturePath("").parent_path().string());
    Gtk::Window::set_default_icon_name("quirelle");
}

}  // namespace

std::unique_ptr<Application> Application::Create() {
    std::unique_ptr<Application> application(new Application());
    if (!application->view_) {
        return nullptr;
    }
    return application;
}

Application::Application()
    : frontend_(main_, settingsWindow_, exportWindow_),
      view_(DocumentView::Create(frontend_)),
      loop_(Glib::MainLoop::create()),
      interrupt_(SIGINT, [this] { Quit(); }),
      terminate_(SIGTERM, [this] { Quit(); }) {
    if (!view_) {
        return;
    }
    places_ = PlaceStore::Load(PlaceStore::DefaultFile());
    view_->KeepPlacesIn(&places_);
    UseProgramIcon(main_);
    settingsWindow_.set_transient_for(main_);
    exportWindow_.set_transient_for(main_);
    main_.Attach(*view_);
    main_.signal_close_request().connect(
        [this] {
            Quit();
            // The window closes in the orderly shutdown after the loop, not here.
            return true;
        },
        false);
    exportWindow_.signal_export().connect([this] { ExportPdf(*view_); });
    AddActions();
    ConnectSettings();
}

Application::~Application() {
    // Dialogs first, while the window they belong to still exists.
    toolkitVersion_.reset();
    aboutBox_.reset();
}

void Application::AddActions() {
    auto actions = Gio::SimpleActionGroup::create();
    actions->add_action("open", [this] { view_->OpenRequester(); });
    actions->add_action_with_parameter(
        "open-recent", Glib::VARIANT_TYPE_STRING, [this](const Glib::VariantBase& parameter) {
            const std::string path =
                Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(parameter).get();
            view_->OpenBook(path);
        });
    actions->add_action("export", [this] { exportWindow_.present(); });
    actions->add_action("about", [this] { ShowAboutBox(); });
    actions->add_action("about-gtk", [this] { ShowToolkitVersion(); });
    actions->add_action("quit", [this] { Quit(); });
    actions->add_action("gtk-settings", [] { gtk_window_set_interactive_debugging(TRUE); });
    actions->add_action("program-settings", [this] { settingsWindow_.present(); });
    actions->add_action("full-screen", [this] { main_.ToggleFullScreen(); });
    actions->add_action("find", [this] { main_.searchBar().Open(); });
    themes_ = std::make_unique<ThemeActions>(*actions, main_);
    zoom_ = std::make_unique<ZoomActions>(*actions, main_);
    main_.insert_action_group("app", actions);
}

void Application::ConnectSettings() {
    settingsWindow_.signal_use().connect([this] { Persist(false); });
    settingsWindow_.signal_save().connect([this] { Persist(true); });
    Gtk::CheckButton* pagelist = settingsWindow_.SwitchGadget("pagelist");
    Gtk::CheckButton* pageslider = settingsWindow_.SwitchGadget("pageslider");
    Gtk::CheckButton* css = settingsWindow_.SwitchGadget("css");
    pagelist->signal_toggled().connect(
        [this, pagelist] { main_.ShowPageList(pagelist->get_active()); });
    pageslider->signal_toggled().connect(
        [this, pageslider] { main_.ShowPageSlider(pageslider->get_active()); });
    css->signal_toggled().connect([this, css] { view_->SetCssEnabled(css->get_active()); });
}

void Application::ApplyDisplaySwitches() {
    const Settings& settings = frontend_.CurrentSettings();
    main_.ShowPageList(settings.pagelist);
    main_.ShowPageSlider(settings.pageslider);
    view_->SetCssEnabled(settings.css);
}

void Application::Start(const Settings& settings, const std::string& file) {
    settingsWindow_.Write(settings);
    // Writing announces only the switches that changed; the window must match all of them.
    ApplyDisplaySwitches();
    main_.RestoreDividers(settings);
    themes_->Show(settings.theme);
    zoom_->Show(settings.zoom);
    // Before the window opens, since from then on a book can be opened (and dumped) at any time.
    view_->ReadToolTypes();
    main_.present();
    std::string book = file;
    if (book.empty()) {
        // A book read last that has gone since is no reason for a message at start.
        std::error_code error;
        book = places_.LastBook();
        if (!book.empty() && !std::filesystem::is_regular_file(book, error)) {
            book.clear();
        }
    }
    if (!book.empty()) {
        OpenWhenSized(book);
    }
}

void Application::OpenWhenSized(const std::string& file) {
    // The first page is laid out for the canvas's size, which it has once the window is on
    // screen; until then the book waits.
    Gtk::DrawingArea& canvas = main_.pageArea().canvas();
    auto open = [this, file] { view_->OpenBook(file); };
    if (canvas.get_width() > 0) {
        open();
        return;
    }
    auto sized = std::make_shared<sigc::connection>();
    *sized = canvas.signal_resize().connect([sized, open](int, int) {
        sized->disconnect();
        // Not inside the resize itself: opening a book changes the layout being made.
        Glib::signal_idle().connect_once(open);
    });
}

void Application::Run() {
    if (!quitRequested_) {
        loop_->run();
    }
    view_->RememberPlace();
    main_.hide();
    KeepDividerPositions();
}

void Application::Quit() {
    quitRequested_ = true;
    CancelModalDialogs();
    loop_->quit();
}

void Application::Persist(bool forGood) {
    const Settings& settings = frontend_.CurrentSettings();
    bool stored = true;
    if (forGood) {
        stored = SaveSettings(settings, SettingsScope::Permanent);
    }
    stored = SaveSettings(settings, SettingsScope::Current) && stored;
    // The page shows the new settings at once, with the first word in view kept in place.
    view_->SettingsChanged();
    // The settings window gives no other sign of a failed save, and the user would find the
    // settings gone only at the next start.
    if (!stored) {
        frontend_.SetStatus("The settings could not be stored.");
    }
}

void Application::KeepDividerPositions() {
    // Only the dividers: settings the user changed but did not "Use" are not kept.
    Settings stored = LoadSettings();
    main_.StoreDividers(stored);
    if (stored != LoadSettings()) {
        SaveSettings(stored, SettingsScope::Current);
    }
}

void Application::ShowAboutBox() {
    if (!aboutBox_) {
        aboutBox_ = std::make_unique<AboutBox>(main_);
    }
    aboutBox_->present();
}

void Application::ShowToolkitVersion() {
    if (!toolkitVersion_) {
        toolkitVersion_ = std::make_unique<Gtk::MessageDialog>(
            main_, ToolkitVersionText(), false, Gtk::MessageType::INFO, Gtk::ButtonsType::OK);
        toolkitVersion_->set_hide_on_close(true);
        toolkitVersion_->signal_response().connect([this](int) { toolkitVersion_->hide(); });
    }
    toolkitVersion_->present();
}

int RunGraphicalProgram(const Settings& settings, const std::string& file) {
    // The locale is already the user's; GTK must not set it again, or a bare "C" environment
    // would lose the UTF-8 character handling the program chose for it.
    gtk_disable_setlocale();
    // The name the desktop knows the program by (the window class, the recent files' owner).
    g_set_prgname("quirelle");
    Glib::set_application_name("Quirelle");
    if (!gtk_init_check()) {
        std::printf("%s\n", kCannotBuild);
        return 0;
    }
    Gtk::init_gtkmm_internals();
    auto application = Application::Create();
    if (!application) {
        std::printf("%s\n", kCannotBuild);
        return 0;
    }
    application->Start(settings, file);
    application->Run();
    return 0;
}

}  // namespace quirelle
