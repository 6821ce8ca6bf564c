#pragma once

#include "view/document_view_data.hpp"

namespace quirelle {

// A paint for the screen: while it lives the view paints in the screen's theme; before and
// after, in the book's own colours (an export, a measure).
class ScreenPainting {
  public:
    explicit ScreenPainting(DocumentViewData& data) : data_(data) {
        data_.paintTheme = data_.screenTheme;
    }
    ~ScreenPainting() { data_.paintTheme = ColorTheme(); }
    ScreenPainting(const ScreenPainting&) = delete;
    ScreenPainting& operator=(const ScreenPainting&) = delete;

  private:
    DocumentViewData& data_;
};

}  // namespace quirelle
