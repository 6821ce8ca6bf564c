#include "app/gtk_frontend.hpp"

#include <gdkmm/frameclock.h>
#include <giomm/appinfo.h>
#include <glib.h>
#include <glibmm/main.h>
#include <gtkmm/eventcontrollerlegacy.h>
#include <gtkmm/messagedialog.h>

#include <memory>

#include "app/file_chooser.hpp"
#include "app/modal_loop.hpp"
#include "platform/charset.hpp"

namespace quirelle {

std::string DisplayText(std::string_view text) {
    const std::string utf8 = FromSystemCharset(text).value_or(std::string(text));
    if (g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) {
        return utf8;
    }
    std::unique_ptr<char, decltype(&g_free)> valid(
        g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size())), &g_free);
    return valid.get();
}

GtkFrontend::GtkFrontend(MainWindow& main, SettingsWindow& settings, ExportWindow& exporter)
    : main_(main), settings_(settings), exporter_(exporter) {}

void GtkFrontend::SetStatus(std::string_view text) {
    main_.SetStatus(DisplayText(text));
    if (main_.Busy()) {
        ShowProgress();
    }
}

void GtkFrontend::ShowProgress() {
    // Loading a book and exporting one run on the main loop's thread, so the windows cannot
    // repaint meanwhile; a few times a second the work lets them. Input is held back while it
    // does: a click now must not start anything in the middle of the work.
    constexpr auto kInterval = std::chrono::milliseconds(250);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastProgress_ < kInterval) {
        return;
    }
    lastProgress_ = now;
    Gtk::Window* const windows[] = {&main_, &settings_, &exporter_};
    std::vector<std::pair<Gtk::Window*, Glib::RefPtr<Gtk::EventControllerLegacy>>> holds;
    for (Gtk::Window* window : windows) {
        auto hold = Gtk::EventControllerLegacy::create();
        hold->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
        hold->signal_event().connect(
            [](const Glib::RefPtr<const Gdk::Event>& event) {
                switch (event->get_event_type()) {
                    case Gdk::Event::Type::BUTTON_PRESS:
                    case Gdk::Event::Type::BUTTON_RELEASE:
                    case Gdk::Event::Type::KEY_PRESS:
                    case Gdk::Event::Type::KEY_RELEASE:
                    case Gdk::Event::Type::SCROLL:
                    case Gdk::Event::Type::TOUCH_BEGIN:
                    case Gdk::Event::Type::TOUCH_UPDATE:
                    case Gdk::Event::Type::TOUCH_END:
                        return true;  // swallowed
                    default:
                        return false;
                }
            },
            false);
        window->add_controller(hold);
        holds.emplace_back(window, hold);
    }
    // The new texts are painted in the frame that follows; that frame is waited for, briefly.
    bool painted = true;
    sigc::connection paint;
    if (const auto clock = main_.get_frame_clock()) {
        painted = false;
        paint = clock->signal_paint().connect([&painted] { painted = true; });
    }
    bool expired = false;
    sigc::connection timer = Glib::signal_timeout().connect(
        [&expired] {
            expired = true;
            return false;
        },
        50);
    const auto context = Glib::MainContext::get_default();
    while (context->pending()) {
        context->iteration(false);
    }
    while (!painted && !expired) {
        context->iteration(true);
    }
    timer.disconnect();
    paint.disconnect();
    for (const auto& [window, hold] : holds) {
        window->remove_controller(hold);
    }
}

void GtkFrontend::InsertPageListRow(int position, std::string_view label) {
    main_.pageList().InsertRow(position, DisplayText(label));
}

void GtkFrontend::SetExportRange(int maximum, int from, int to) {
    exporter_.SetRange(maximum, from, to);
}

void GtkFrontend::SetScrollRange(double total, double visible) {
    main_.pageArea().SetScrollRange(total, visible);
}

void GtkFrontend::SetMetadata(MetadataField field, std::string_view text) {
    main_.SetMetadata(field, DisplayText(text));
}

void GtkFrontend::ShowCover(const std::string& archivePath, const std::string& coverPath) {
    main_.cover().SetCoverArchive(archivePath);
    main_.cover().LoadCover(coverPath);
}

void GtkFrontend::ShowMessage(std::string_view text) {
    Gtk::MessageDialog box(main_, DisplayText(text), false, Gtk::MessageType::INFO,
                           Gtk::ButtonsType::NONE, true);
    box.add_button("Ok", Gtk::ResponseType::OK);
    RunModal(box);
}

int GtkFrontend::ExportFrom() const {
    return exporter_.From();
}

int GtkFrontend::ExportTo() const {
    return exporter_.To();
}

int GtkFrontend::ExportPaperChoice() const {
    return exporter_.PaperChoice();
}

void GtkFrontend::CloseExportWindow() {
    exporter_.hide();
}

FileRequest GtkFrontend::RequestFile(std::string_view title, bool saveMode,
                                     std::string_view pattern, std::string_view drawer) {
    return ChooseFile(main_, title, saveMode, pattern, drawer);
}

bool GtkFrontend::OpenUrl(std::string_view url) {
    try {
        Gio::AppInfo::launch_default_for_uri(std::string(url),
                                             main_.get_display()->get_app_launch_context());
        return true;
    } catch (const Glib::Error&) {
        return false;  // the view says so
    }
}

void GtkFrontend::StepPageSlider(int steps) {
    main_.StepPageSlider(steps);
}

void GtkFrontend::ScrollPageBy(double pixels) {
    main_.pageArea().ScrollBy(pixels);
}

void GtkFrontend::ShowNote(const NotePlacement& placement) {
    main_.pageArea().notePopover().Show(placement);
}

void GtkFrontend::BookOpened(const std::string& path) {
    main_.recentBooks().Add(path);
    main_.searchBar().BookChanged();
}

void GtkFrontend::SetHistoryButtons(bool canGoBack, bool canGoForward) {
    main_.SetHistoryButtons(canGoBack, canGoForward);
}

const Settings& GtkFrontend::CurrentSettings() const {
    current_ = settings_.Read();
    main_.StoreDividers(current_);
    current_.theme = main_.Theme();
    current_.zoom = main_.Zoom();
    return current_;
}

}  // namespace quirelle
