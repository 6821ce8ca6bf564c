#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cairo_handles.hpp"

namespace quirelle {

struct FontSetRelease {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct FontPatternRelease {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using FontPattern = std::unique_ptr<FcPattern, FontPatternRelease>;

// The installed fonts that can stand in for a family where it has no glyph for a character,
// ranked by fontconfig for the family, slant, weight and language asked for. Each ranking is
// made once, and each face it names is opened once.
class FontFallback {
  public:
    // The face that draws `character` best in place of the family; null when no installed font
    // has it. The face lives as long as this object.
    cairo_font_face_t* FaceFor(const std::string& family, int slant, int weight,
                               std::string_view language, char32_t character);

  private:
    struct Ranking {
        std::string family;
        int slant;
        int weight;
        std::string language;
        FontPattern request;
        std::unique_ptr<FcFontSet, FontSetRelease> fonts;
        std::vector<CairoFontFace> faces;  // opened as first needed, parallel to fonts
    };
    Ranking& RankingFor(const std::string& family, int slant, int weight,
                        std::string_view language);

    std::vector<std::unique_ptr<Ranking>> rankings_;
};

}  // namespace quirelle
