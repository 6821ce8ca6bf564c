#pragma once

#include "platform/settings.hpp"

namespace quirelle {

// How the document's layout sits in the view. The page is laid out in its own units, `zoom`
// device pixels each, as wide as the text column allows, and drawn centred in the view: a zoom
// lays the text out afresh at the new size instead of stretching a picture of it. Everything
// the view keeps (the scroll offset, the page's length, link rectangles, the places of
// fragments and words) is in layout units; only what crosses to the screen (the scrollbar, the
// pointer, the painting) goes through here.
struct ViewScale {
    double zoom = 1.0;
    // The device pixel where the layout's left edge is drawn.
    double left = 0.0;
    // The area the document is laid out for, in layout units.
    double layoutWidth = 0.0;
    double layoutHeight = 0.0;

    double ToLayout(double pixels) const { return pixels / zoom; }
    double ToDevice(double units) const { return units * zoom; }
    // A point of the view (the pointer) in the layout's units, relative to the view's top left.
    double LayoutX(double deviceX) const { return (deviceX - left) / zoom; }
    double LayoutY(double deviceY) const { return deviceY / zoom; }
};

// The scale for a view of areaWidth x areaHeight device pixels under `settings` (their zoom,
// line length, body text size and margins).
ViewScale ViewScaleFor(const Settings& settings, int areaWidth, int areaHeight);

// The zoom one step in (+1) or out (-1) from `zoom`, through the steps a reader expects
// (..., 90, 100, 110, 125, ...); a zoom between steps goes to the next one in that direction,
// and the ends stay where they are.
int NextZoomStep(int zoom, int direction);

}  // namespace quirelle
