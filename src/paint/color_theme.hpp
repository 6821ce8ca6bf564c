#pragma once

#include "platform/page_theme.hpp"
#include "style/computed_style.hpp"

namespace quirelle {

// WCAG's least contrast for body text (level AA).
inline constexpr double kLeastTextContrast = 4.5;

// How a theme repaints a page's colours at paint time: the layout keeps the book's own colours,
// so a change of theme is a redraw, never a new layout. Only colours are mapped; pictures are
// drawn as they are.
class ColorTheme {
  public:
    explicit ColorTheme(PageTheme theme = PageTheme::Day) : theme_(theme) {}

    PageTheme Theme() const { return theme_; }
    bool MapsColors() const { return theme_ != PageTheme::Day; }

    // The ground under the book's own: white by Day.
    RgbaColor Page() const;
    // A text colour: by Night dark text turns light and by Sepia light text turns dark, both
    // keeping their hue, and never below kLeastTextContrast against Page().
    RgbaColor Text(RgbaColor color) const;
    // A background (the page's, a block's): kept near Page(), lighter or darker by what it was,
    // so that mapped text stays readable on it.
    RgbaColor Ground(RgbaColor color) const;

  private:
    PageTheme theme_;
};

// The WCAG relative luminance of an opaque colour, 0 (black) to 1 (white).
double RelativeLuminance(RgbaColor color);
// The WCAG contrast ratio of two opaque colours, 1 to 21.
double ContrastRatio(RgbaColor first, RgbaColor second);

}  // namespace quirelle
