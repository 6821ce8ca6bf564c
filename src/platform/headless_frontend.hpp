#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/frontend.hpp"

namespace quirelle {

// The interface without a display: it keeps what it was told, so the command-line modes can
// report it and tests can read it, and it answers file requests from a prepared list.
class HeadlessFrontend : public Frontend {
  public:
    explicit HeadlessFrontend(Settings settings = {}) : settings_(std::move(settings)) {}

    void SetStatus(std::string_view text) override;
    void ClearPageList() override;
    void InsertPageListRow(int position, std::string_view label) override;
    void SetActivePageRow(int index) override { activePageRow = index; }
    void SetPageSliderMaximum(int maximum) override { pageSliderMaximum = maximum; }
    void SetExportRange(int maximum, int from, int to) override;
    int ExportFrom() const override { return exportFrom; }
    int ExportTo() const override { return exportTo; }
    int ExportPaperChoice() const override { return exportPaperChoice; }
    void CloseExportWindow() override { exportWindowOpen = false; }
    void SetScrollRange(double total, double visible) override;
    void SetMetadata(MetadataField field, std::string_view text) override;
    void ShowCover(const std::string& archivePath, const std::string& coverPath) override;
    void ShowPanel(bool open) override { panelOpen = open; }
    void SetBusy(bool busy) override;
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    FileRequest RequestFile(std::string_view title, bool saveMode, std::string_view pattern,
                            std::string_view drawer) override;
    bool OpenUrl(std::string_view url) override {
        openedUrls.emplace_back(url);
        return urlHandlerPresent;
    }
    void StepPageSlider(int steps) override { sliderSteps.push_back(steps); }
    void ScrollPageBy(double pixels) override { scrollSteps.push_back(pixels); }
    void BookOpened(const std::string& path) override { openedBooks.push_back(path); }
    void ShowNote(const NotePlacement& placement) override { notesShown.push_back(placement); }
    void SetHistoryButtons(bool canGoBack, bool canGoForward) override {
        historyBack = canGoBack;
        historyForward = canGoForward;
    }
    void ContentsChanged() override { ++contentsChanges; }
    void SetCurrentContentsEntry(int entry) override { currentContentsEntry = entry; }
    void Redraw() override { ++redrawCount; }
    const Settings& CurrentSettings() const override { return settings_; }

    Settings& MutableSettings() { return settings_; }

    // Answers for the next file requests, in order; with none left a request is cancelled.
    std::deque<FileRequest> fileRequestAnswers;

    // What the interface was told, for the command-line modes and for tests.
    std::vector<std::string> statusHistory;
    std::vector<std::string> pageListRows;
    int activePageRow = -1;
    int pageSliderMaximum = 0;
    int exportMaximum = 0, exportFrom = 0, exportTo = 0, exportPaperChoice = 0;
    bool exportWindowOpen = false;
    double scrollTotal = 0, scrollVisible = 0;
    std::map<MetadataField, std::string> metadata;
    std::string coverArchivePath, coverPath;
    bool panelOpen = false;
    int busyDepth = 0;
    int busyCount = 0;  // how often the busy pointer was shown
    std::vector<std::string> messages;
    struct RequestSeen {
        std::string title, pattern, drawer;
        bool saveMode;
    };
    std::vector<RequestSeen> fileRequests;
    std::vector<std::string> openedUrls;
    bool urlHandlerPresent = true;
    std::vector<int> sliderSteps;
    std::vector<double> scrollSteps;
    bool historyBack = false, historyForward = false;
    std::vector<std::string> openedBooks;
    std::vector<NotePlacement> notesShown;
    int redrawCount = 0;
    int contentsChanges = 0;
    int currentContentsEntry = -1;

  private:
    Settings settings_;
};

}  // namespace quirelle
