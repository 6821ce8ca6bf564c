#include "app/gtk_frontend.hpp"

#include <giomm/appinfo.h>
#include <glib.h>
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

const Settings& GtkFrontend::CurrentSettings() const {
    current_ = settings_.Read();
    main_.StoreDividers(current_);
    return current_;
}

}  // namespace quirelle
