#include "layout/font_fallback.hpp"

#include <cairo-ft.h>

namespace quirelle {

namespace {

// A book uses few families; a pass that keeps asking for new ones starts the list afresh.
constexpr std::size_t kMaximumRankings = 64;

}  // namespace

FontFallback::Ranking& FontFallback::RankingFor(const std::string& family, int slant, int weight,
                                                std::string_view language) {
    for (const auto& ranking : rankings_) {
        if (ranking->slant == slant && ranking->weight == weight && ranking->family == family &&
            ranking->language == language) {
            return *ranking;
        }
    }
    if (rankings_.size() >= kMaximumRankings) {
        rankings_.clear();
    }
    auto ranking = std::make_unique<Ranking>();
    ranking->family = family;
    ranking->slant = slant;
    ranking->weight = weight;
    ranking->language = language;
    FcPattern* request = FcPatternCreate();
    FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(request, FC_SLANT, slant != 0 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddInteger(request, FC_WEIGHT, weight != 0 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    if (!language.empty()) {
        FcPatternAddString(request, FC_LANG,
                           reinterpret_cast<const FcChar8*>(std::string(language).c_str()));
    }
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    ranking->request.reset(request);
    FcResult result = FcResultNoMatch;
    ranking->fonts.reset(FcFontSort(nullptr, request, FcTrue, nullptr, &result));
    if (ranking->fonts) {
        ranking->faces.resize(static_cast<std::size_t>(ranking->fonts->nfont));
    }
    rankings_.push_back(std::move(ranking));
    return *rankings_.back();
}

cairo_font_face_t* FontFallback::FaceFor(const std::string& family, int slant, int weight,
                                         std::string_view language, char32_t character) {
    Ranking& ranking = RankingFor(family, slant, weight, language);
    if (!ranking.fonts) {
        return nullptr;
    }
    for (int i = 0; i < ranking.fonts->nfont; ++i) {
        FcPattern* font = ranking.fonts->fonts[i];
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
            !FcCharSetHasChar(characters, character)) {
            continue;
        }
        CairoFontFace& face = ranking.faces[static_cast<std::size_t>(i)];
        if (!face) {
            FontPattern prepared(FcFontRenderPrepare(nullptr, ranking.request.get(), font));
            if (!prepared) {
                return nullptr;
            }
            face.reset(cairo_ft_font_face_create_for_pattern(prepared.get()));
            if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS) {
                face.reset();
                return nullptr;
            }
        }
        return face.get();
    }
    return nullptr;
}

}  // namespace quirelle
