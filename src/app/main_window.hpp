#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/notebook.h>
#include <gtkmm/paned.h>
#include <gtkmm/popovermenubar.h>
#include <gtkmm/scale.h>
#include <gtkmm/shortcutcontroller.h>
#include <gtkmm/window.h>

#include <string>
#include <utility>
#include <vector>

#include "app/contents_panel.hpp"
#include "app/cover_display.hpp"
#include "app/page_area.hpp"
#include "app/page_list.hpp"
#include "app/recent_books.hpp"
#include "app/search_bar.hpp"
#include "platform/frontend.hpp"
#include "platform/page_theme.hpp"
#include "platform/settings.hpp"

namespace quirelle {

class DocumentView;

// The main window "Quirelle": the menu strip; the title with the folding information panel
// (date, creator, description, publisher and the cover); beside the page the book's contents and
// the page list, on two tabs; the page slider; the status line.
class MainWindow : public Gtk::Window {
  public:
    MainWindow();

    // Sends the user's actions in this window to `view`.
    void Attach(DocumentView& view);

    void SetStatus(const std::string& text) { status_.set_text(text); }
    void SetMetadata(MetadataField field, const std::string& text);
    void ShowPanel(bool open);
    void ClearPageList();
    // Marks the row of `document` in the page list, and the slider with it, without loading
    // the document again.
    void SetActiveDocument(int document);
    // The page slider runs from 0 to `maximum`.
    void SetPageSliderMaximum(int maximum);
    // Moves the page slider by `steps`, within its range, as the user would.
    void StepPageSlider(int steps);
    // Back and Forward are sensitive only where they lead somewhere.
    void SetHistoryButtons(bool canGoBack, bool canGoForward);
    // The view opened a book: the contents tab shows its contents, and is there only when the
    // book has some.
    void ContentsChanged();
    void ShowPageList(bool shown) { pageListFrame_.set_visible(shown); }
    void ShowPageSlider(bool shown) { pageSlider_.set_visible(shown); }
    // The wait cursor over the whole window, on screen before the call returns.
    void ShowBusyPointer(bool busy);
    bool Busy() const { return busyDepth_ > 0; }

    // The dividers' positions, as the settings keep them.
    void StoreDividers(Settings& settings) const;
    void RestoreDividers(const Settings& settings);

    // The colours the page is painted in; a change repaints it at once.
    PageTheme Theme() const { return theme_; }
    void SetTheme(PageTheme theme);
    // The page's zoom in percent; a change lays the page out again at once.
    int Zoom() const { return zoom_; }
    void SetZoom(int zoom);

    // Full screen: F11 toggles it, Escape leaves it. While the window is full screen, however
    // it got there, the page has it alone: menus, title, panels, list, slider and status line
    // fold away, and come back as they were when it leaves.
    void ToggleFullScreen();
    void FoldPanelsAway(bool folded);

    PageList& pageList() { return pageList_; }
    ContentsPanel& contentsPanel() { return contentsPanel_; }
    // What holds the contents and the page list; the page list switch shows and hides it.
    const Gtk::Widget& sidePanel() const { return pageListFrame_; }
    Gtk::Notebook& sideTabs() { return sideTabs_; }
    RecentBooks& recentBooks() { return recentBooks_; }
    PageArea& pageArea() { return pageArea_; }
    SearchBar& searchBar() { return searchBar_; }
    CoverDisplay& cover() { return cover_; }
    Gtk::Scale& pageSlider() { return pageSlider_; }
    const Gtk::Label& status() const { return status_; }
    const Gtk::Label& MetadataLabel(MetadataField field) const;
    Gtk::Button& showPanelButton() { return showPanelButton_; }
    Gtk::Button& hidePanelButton() { return hidePanelButton_; }
    Gtk::Button& backButton() { return backButton_; }
    Gtk::Button& forwardButton() { return forwardButton_; }
    const Gtk::Widget& infoPanel() const { return infoPanel_; }

  private:
    Gtk::Widget& BuildTopBar();
    Glib::RefPtr<Gtk::ShortcutController> BuildFullScreenExit();
    Gtk::Widget& BuildInfoPanel();
    void OnSliderMoved();
    void OnRowChosen(int row, int document);
    void MoveSliderQuietly(int row);
    void OpenDroppedFile(const std::string& path);

    DocumentView* view_ = nullptr;

    Gtk::Box content_{Gtk::Orientation::VERTICAL};
    RecentBooks recentBooks_;  // before the menu strip, which shows its menu
    Gtk::PopoverMenuBar menuBar_;

    Gtk::Button showPanelButton_;
    Gtk::Button hidePanelButton_;
    Gtk::Button backButton_;
    Gtk::Button forwardButton_;
    Gtk::Label title_;
    Gtk::Paned infoPanel_{Gtk::Orientation::HORIZONTAL};
    Gtk::Label date_, creator_, description_, publisher_;
    Gtk::Paned coverPaned_{Gtk::Orientation::VERTICAL};
    CoverDisplay cover_;

    Gtk::Paned pagePaned_{Gtk::Orientation::HORIZONTAL};
    Gtk::Frame pageListFrame_;
    Gtk::Notebook sideTabs_;
    ContentsPanel contentsPanel_;
    PageList pageList_;
    Gtk::Frame pageFrame_;
    Gtk::Box pageColumn_{Gtk::Orientation::VERTICAL};
    SearchBar searchBar_;
    PageArea pageArea_;

    Gtk::Scale pageSlider_{Gtk::Orientation::HORIZONTAL};
    sigc::connection sliderConnection_;
    int sliderRow_ = 0;

    Gtk::Frame statusFrame_;
    Gtk::Label status_;

    int busyDepth_ = 0;
    PageTheme theme_ = PageTheme::Day;
    int zoom_ = 100;

    Gtk::Widget* topBar_ = nullptr;
    // What was shown before the panels folded away; empty while they are not folded.
    std::vector<std::pair<Gtk::Widget*, bool>> unfolded_;
};

}  // namespace quirelle
