#pragma once

#include <chrono>

#include "app/export_window.hpp"
#include "app/main_window.hpp"
#include "app/settings_window.hpp"
#include "platform/frontend.hpp"

namespace quirelle {

// The core's interface, shown with GTK: the main window's gadgets, the settings window's values,
// the export range, and the modal message box and file chooser the core waits on.
class GtkFrontend : public Frontend {
  public:
    GtkFrontend(MainWindow& main, SettingsWindow& settings, ExportWindow& exporter);

    void SetStatus(std::string_view text) override;
    void ClearPageList() override { main_.ClearPageList(); }
    void InsertPageListRow(int position, std::string_view label) override;
    void SetActivePageRow(int index) override { main_.SetActiveDocument(index); }
    void SetPageSliderMaximum(int maximum) override { main_.SetPageSliderMaximum(maximum); }
    void SetExportRange(int maximum, int from, int to) override;
    int ExportFrom() const override;
    int ExportTo() const override;
    int ExportPaperChoice() const override;
    void CloseExportWindow() override;
    void SetScrollRange(double total, double visible) override;
    void SetMetadata(MetadataField field, std::string_view text) override;
    void ShowCover(const std::string& archivePath, const std::string& coverPath) override;
    void ShowPanel(bool open) override { main_.ShowPanel(open); }
    void SetBusy(bool busy) override { main_.ShowBusyPointer(busy); }
    void ShowMessage(std::string_view text) override;
    FileRequest RequestFile(std::string_view title, bool saveMode, std::string_view pattern,
                            std::string_view drawer) override;
    bool OpenUrl(std::string_view url) override;
    void StepPageSlider(int steps) override;
    void ScrollPageBy(double pixels) override;
    void SetHistoryButtons(bool canGoBack, bool canGoForward) override;
    void ContentsChanged() override { main_.ContentsChanged(); }
    void SetCurrentContentsEntry(int entry) override { main_.contentsPanel().MarkEntry(entry); }
    void BookOpened(const std::string& path) override;
    void ShowNote(const NotePlacement& placement) override;
    void Redraw() override { main_.pageArea().Redraw(); }
    const Settings& CurrentSettings() const override;

  private:
    // While long work holds the main loop, lets the windows show what changed.
    void ShowProgress();

    MainWindow& main_;
    SettingsWindow& settings_;
    ExportWindow& exporter_;
    // What CurrentSettings last read from the gadgets.
    mutable Settings current_;
    std::chrono::steady_clock::time_point lastProgress_;
};

// Text for a GTK gadget: the core hands over the locale's character set, GTK wants UTF-8, and
// whatever cannot be converted must still not reach GTK as invalid UTF-8.
std::string DisplayText(std::string_view text);

}  // namespace quirelle
