#pragma once

#include <cairo.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "layout/font_cache.hpp"
#include "layout/layout_state.hpp"
#include "platform/cairo_handles.hpp"
#include "platform/settings.hpp"
#include "style/text_style.hpp"

namespace quirelle {

// A dir or lang attribute of an element open in the pass.
struct PassDeclaration {
    int depth;
    int level;
    std::string language;
};

// Everything a layout pass holds as it reaches the start of an element, so that a later pass
// can begin there rather than at the top of the document. Positions are in document
// coordinates (as laid out unscrolled).
struct PassCheckpoint {
    std::size_t event = 0;  // the start event it stands before
    double x = 0.0;
    double y = 0.0;
    // The state without its link records, and with only the picture records from the current
    // one on: those before it and the links are final, and kept once for all checkpoints.
    LayoutState state;
    std::size_t finalPictures = 0;
    TextStyle style{};
    FontMetrics* currentFont = nullptr;
    CairoPattern source{};
    ScaledFont font{};
    double lineWidth = 0.0;
    // The pass's own.
    std::size_t hiddenTextStart = 0;
    double linkWidthSoFar = 0.0;
    int depth = 0;
    std::vector<PassDeclaration> declarations{};
};

// What the layout of a document depends on; checkpoints of another layout are worthless.
struct PassCheckpointKey {
    unsigned document = 0;
    int width = 0;
    Settings settings;
    bool cssEnabled = true;
    unsigned fonts = 0;
    unsigned long fontOptions = 0;

    bool operator==(const PassCheckpointKey&) const = default;
};

// What the passes over one layout of a document have learnt: checkpoints at every so many
// pixels, the link and picture records laid out so far, the style the page background was
// painted in, and, once a pass has seen the whole document, how far anything laid out reaches
// beyond the pen, so that a draw can begin and end that close to the rows in view.
class PassCheckpoints {
  public:
    // Forgets what was learnt when it was about another layout.
    void Use(const PassCheckpointKey& key) {
        if (!key_ || !(*key_ == key)) {
            Clear();
            key_ = key;
        }
    }
    void Clear() {
        key_.reset();
        checkpoints.clear();
        pictures.clear();
        links.clear();
        pageStyle.reset();
        reach.reset();
    }

    std::vector<PassCheckpoint> checkpoints;
    std::vector<PictureRecord> pictures;  // final records, in document coordinates
    std::vector<LinkRecord> links;        // likewise
    std::optional<TextStyle> pageStyle;
    std::optional<double> reach;

  private:
    std::optional<PassCheckpointKey> key_;
};

}  // namespace quirelle
