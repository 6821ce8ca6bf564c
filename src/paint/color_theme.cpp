#include "paint/color_theme.hpp"

#include <algorithm>
#include <cmath>

namespace quirelle {

namespace {

struct Hsl {
    double hue = 0.0;  // 0 to 6, a sixth of the circle per unit
    double saturation = 0.0;
    double lightness = 0.0;
};

Hsl ToHsl(RgbaColor color) {
    const double r = color.red / 255.0;
    const double g = color.green / 255.0;
    const double b = color.blue / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    Hsl hsl;
    hsl.lightness = (high + low) / 2.0;
    const double chroma = high - low;
    if (chroma <= 0.0) {
        return hsl;
    }
    hsl.saturation = chroma / (1.0 - std::abs(2.0 * hsl.lightness - 1.0));
    if (high == r) {
        hsl.hue = std::fmod((g - b) / chroma + 6.0, 6.0);
    } else if (high == g) {
        hsl.hue = (b - r) / chroma + 2.0;
    } else {
        hsl.hue = (r - g) / chroma + 4.0;
    }
    return hsl;
}

RgbaColor FromHsl(const Hsl& hsl, std::uint8_t alpha) {
    const double lightness = std::clamp(hsl.lightness, 0.0, 1.0);
    const double saturation = std::clamp(hsl.saturation, 0.0, 1.0);
    const double chroma = (1.0 - std::abs(2.0 * lightness - 1.0)) * saturation;
    const double x = chroma * (1.0 - std::abs(std::fmod(hsl.hue, 2.0) - 1.0));
    double r = 0.0, g = 0.0, b = 0.0;
    switch (static_cast<int>(hsl.hue) % 6) {
        case 0:
            r = chroma, g = x;
            break;
        case 1:
            r = x, g = chroma;
            break;
        case 2:
            g = chroma, b = x;
            break;
        case 3:
            g = x, b = chroma;
            break;
        case 4:
            r = x, b = chroma;
            break;
        default:
            r = chroma, b = x;
            break;
    }
    const double m = lightness - chroma / 2.0;
    auto byte = [m](double channel) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(channel + m, 0.0, 1.0) * 255.0));
    };
    return {byte(r), byte(g), byte(b), alpha};
}

double Linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// A colour this close to grey takes the theme's own tint instead of a hue of rounding noise.
constexpr double kGreyness = 0.08;

constexpr RgbaColor kSepiaPage{244, 236, 216, 255};
constexpr RgbaColor kNightPage{30, 30, 30, 255};
// Sepia's dark text is a brown of this hue and saturation.
constexpr Hsl kSepiaInk{0.45, 0.25, 0.0};
// Black text by Night is a soft white: full white on a dark ground glares.
constexpr double kNightBrightest = 0.87;
// Sepia's darkest text, a dark brown rather than black.
constexpr double kSepiaDarkest = 0.28;
// How far a background may stray from the page's lightness.
constexpr double kGroundRange = 0.15;
// How much of its saturation a background keeps by Night.
constexpr double kNightGroundTint = 0.35;

// Moves `hsl`'s lightness toward `target` (0 or 1) no further than it must to reach the least
// contrast against `page`. Lightness changes every channel the same way, so the contrast grows
// steadily along the way and a halving search finds the nearest lightness.
Hsl WithContrast(Hsl hsl, RgbaColor page, double target) {
    if (ContrastRatio(FromHsl(hsl, 255), page) >= kLeastTextContrast) {
        return hsl;
    }
    double near = hsl.lightness;
    double far = target;
    for (int i = 0; i < 24; ++i) {
        const double middle = (near + far) / 2.0;
        Hsl trial = hsl;
        trial.lightness = middle;
        if (ContrastRatio(FromHsl(trial, 255), page) >= kLeastTextContrast) {
            far = middle;
        } else {
            near = middle;
        }
    }
    hsl.lightness = far;
    return hsl;
}

}  // namespace

double RelativeLuminance(RgbaColor color) {
    return 0.2126 * Linear(color.red) + 0.7152 * Linear(color.green) + 0.0722 * Linear(color.blue);
}

double ContrastRatio(RgbaColor first, RgbaColor second) {
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

RgbaColor ColorTheme::Page() const {
    switch (theme_) {
        case PageTheme::Sepia:
            return kSepiaPage;
        case PageTheme::Night:
            return kNightPage;
        case PageTheme::Day:
            break;
    }
    return {255, 255, 255, 255};
}

RgbaColor ColorTheme::Text(RgbaColor color) const {
    if (!MapsColors() || color.alpha == 0) {
        return color;
    }
    Hsl hsl = ToHsl(color);
    const double darkness = std::min(hsl.lightness, 1.0 - hsl.lightness);
    if (theme_ == PageTheme::Night) {
        // Dark turns light; text already light stays as light as it was.
        hsl.lightness = std::min(std::max(hsl.lightness, 1.0 - hsl.lightness), kNightBrightest);
        return FromHsl(WithContrast(hsl, kNightPage, 1.0), color.alpha);
    }
    // Light turns dark. A colour keeps its darkness; black and the greys take the brown of the
    // ink, black the darkest of it.
    hsl.lightness = darkness;
    if (hsl.saturation < kGreyness) {
        hsl.hue = kSepiaInk.hue;
        hsl.saturation = kSepiaInk.saturation;
        hsl.lightness = kSepiaDarkest + darkness * (1.0 - 2.0 * kSepiaDarkest);
    }
    return FromHsl(WithContrast(hsl, kSepiaPage, 0.0), color.alpha);
}

RgbaColor ColorTheme::Ground(RgbaColor color) const {
    if (!MapsColors() || color.alpha == 0) {
        return color;
    }
    Hsl hsl = ToHsl(color);
    const Hsl page = ToHsl(Page());
    if (hsl.saturation < kGreyness) {
        hsl.hue = page.hue;
        hsl.saturation = page.saturation;
    }
    // White becomes the page itself; darker grounds move away from it, a little, on the side
    // away from the text.
    const double shade = (1.0 - hsl.lightness) * kGroundRange;
    if (theme_ == PageTheme::Night) {
        // Full colour on a dark ground is loud: a tint is enough to tell the box apart.
        hsl.saturation *= kNightGroundTint;
        hsl.lightness = page.lightness + shade;
    } else {
        hsl.lightness = page.lightness - shade;
    }
    return FromHsl(hsl, color.alpha);
}

}  // namespace quirelle
