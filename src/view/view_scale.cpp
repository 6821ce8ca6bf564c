#include "view/view_scale.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace quirelle {

namespace {

constexpr int kZoomSteps[] = {50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

// A body text size the settings do not give (empty, 0) still measures the column.
constexpr int kFallbackBodySize = 16;

}  // namespace

ViewScale ViewScaleFor(const Settings& settings, int areaWidth, int areaHeight) {
    ViewScale scale;
    scale.zoom = std::clamp(settings.zoom, kMinZoom, kMaxZoom) / 100.0;
    // Whole layout pixels: a fraction of one would make each width a layout of its own.
    const double viewWidth = std::floor(std::max(0, areaWidth) / scale.zoom);
    scale.layoutHeight = std::floor(std::max(0, areaHeight) / scale.zoom);
    scale.layoutWidth = viewWidth;
    if (settings.lineLength > 0) {
        int body = LeadingInteger(settings.standart.size);
        if (body <= 0) {
            body = kFallbackBodySize;
        }
        const double column = static_cast<double>(settings.lineLength) * body +
                              2.0 * std::max(0, settings.HorizontalMarginValue());
        scale.layoutWidth = std::min(viewWidth, column);
    }
    scale.left = std::max(0.0, std::floor((areaWidth - scale.ToDevice(scale.layoutWidth)) / 2.0));
    return scale;
}

int NextZoomStep(int zoom, int direction) {
    if (direction > 0) {
        const auto* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
        return next == std::end(kZoomSteps) ? std::max(zoom, kZoomSteps[std::size(kZoomSteps) - 1])
                                            : *next;
    }
    const auto* first = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), zoom);
    return first == std::begin(kZoomSteps) ? std::min(zoom, kZoomSteps[0]) : *std::prev(first);
}

}  // namespace quirelle
