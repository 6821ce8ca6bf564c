#include "layout/text_shaping.hpp"

#include <fribidi.h>
#include <linebreak.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "layout/character_class.hpp"
#include "layout/utf8.hpp"

namespace quirelle {

namespace {

// Text shaped once is kept per font; a pass through a huge book starts the list afresh rather
// than keep every word it met.
constexpr std::size_t kMaximumShapedTexts = 50000;

constexpr char32_t kZeroWidthSpace = 0x200B;

// What the shaped runs of a pass may hold: a long chapter in several fonts fits.
constexpr std::size_t kMaximumShapedRunBytes = 32u << 20;

struct HarfBuzzBufferRelease {
    void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};

hb_buffer_t* ShapingBuffer() {
    static thread_local std::unique_ptr<hb_buffer_t, HarfBuzzBufferRelease> buffer(
        hb_buffer_create());
    return buffer.get();
}

// The working arrays of one run, kept between runs so that a pass allocates them once.
struct RunAnalysis {
    std::vector<FriBidiCharType> types;
    std::vector<FriBidiBracketType> brackets;
    std::vector<FriBidiLevel> levels;
    std::vector<char> breaks;
    std::vector<hb_script_t> scripts;   // as the character data say
    std::vector<hb_script_t> resolved;  // common and inherited ones take their neighbours'
    std::vector<FontMetrics*> fonts;    // null: a blank, or a character never drawn
};

void FindLevels(const std::vector<char32_t>& characters, int paragraphLevel,
                RunAnalysis& analysis) {
    const std::size_t count = characters.size();
    const auto* text = reinterpret_cast<const FriBidiChar*>(characters.data());
    analysis.types.resize(count);
    fribidi_get_bidi_types(text, static_cast<FriBidiStrIndex>(count), analysis.types.data());
    bool rightToLeft = paragraphLevel == 1;
    for (const FriBidiCharType type : analysis.types) {
        rightToLeft = rightToLeft || FRIBIDI_IS_RTL(type) || type == FRIBIDI_TYPE_AN ||
                      FRIBIDI_IS_EXPLICIT(type) || FRIBIDI_IS_ISOLATE(type);
    }
    analysis.levels.assign(count, 0);
    if (!rightToLeft) {
        return;
    }
    analysis.brackets.resize(count);
    fribidi_get_bracket_types(text, static_cast<FriBidiStrIndex>(count), analysis.types.data(),
                              analysis.brackets.data());
    FriBidiParType base = paragraphLevel == 1 ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(analysis.types.data(), analysis.brackets.data(),
                                            static_cast<FriBidiStrIndex>(count), &base,
                                            analysis.levels.data()) == 0) {
        analysis.levels.assign(count, static_cast<FriBidiLevel>(paragraphLevel));
    }
}

void FindBreaks(const std::vector<char32_t>& characters, std::string_view language,
                RunAnalysis& analysis) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { init_linebreak(); });
    const std::string languageName(language);
    analysis.breaks.resize(characters.size());
    set_linebreaks_utf32(reinterpret_cast<const utf32_t*>(characters.data()), characters.size(),
                         languageName.empty() ? nullptr : languageName.c_str(),
                         analysis.breaks.data());
}

void FindScripts(const std::vector<char32_t>& characters, RunAnalysis& analysis) {
    const std::size_t count = characters.size();
    analysis.scripts.resize(count);
    analysis.resolved.resize(count);
    auto isNeutral = [](hb_script_t script) {
        return script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED ||
               script == HB_SCRIPT_UNKNOWN;
    };
    hb_script_t last = HB_SCRIPT_COMMON;
    for (std::size_t i = 0; i < count; ++i) {
        analysis.scripts[i] = ScriptOf(characters[i]);
        if (!isNeutral(analysis.scripts[i])) {
            last = analysis.scripts[i];
        }
        analysis.resolved[i] = isNeutral(analysis.scripts[i]) ? last : analysis.scripts[i];
    }
    // Neutral characters before the first real script take that script.
    std::size_t first = 0;
    while (first < count && isNeutral(analysis.scripts[first])) {
        ++first;
    }
    if (first < count) {
        std::fill(analysis.resolved.begin(), analysis.resolved.begin() + first,
                  analysis.scripts[first]);
    }
}

void ChooseFonts(FontCache& fonts, cairo_t* cr, FontMetrics& primary,
                 const std::vector<char32_t>& characters, std::string_view language,
                 RunAnalysis& analysis) {
    analysis.fonts.resize(characters.size());
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char32_t character = characters[i];
        FontMetrics*& font = analysis.fonts[i];
        if (character == U' ' || IsDefaultIgnorable(character)) {
            font = nullptr;
        } else if (primary.GlyphFor(character).index != 0) {
            font = &primary;
        } else if (IsMark(character) && i > 0 && analysis.fonts[i - 1] != nullptr &&
                   analysis.fonts[i - 1]->GlyphFor(character).index != 0) {
            // A mark stays in the font of the letter it sits on.
            font = analysis.fonts[i - 1];
        } else {
            font = &fonts.FallbackFor(cr, primary, character, language);
        }
    }
}

// Whether a line may end between characters[at - 1] and characters[at], though no blank
// stands there. Latin, Greek and Cyrillic words keep breaking at blanks only (the Unicode rules
// would also break after their hyphens); other scripts break where the rules allow.
bool BreakBefore(const std::vector<char32_t>& characters, const RunAnalysis& analysis,
                 std::size_t at) {
    if (at == 0 || characters[at - 1] == U' ' || analysis.breaks[at - 1] != LINEBREAK_ALLOWBREAK) {
        return false;
    }
    return characters[at - 1] == kZeroWidthSpace || !BreaksOnlyAtSpaces(analysis.scripts[at - 1]) ||
           !BreaksOnlyAtSpaces(analysis.scripts[at]);
}

class RunBuilder {
  public:
    RunBuilder(FontMetrics& primary, ShapedRun& run) : primary_(primary), run_(run) {}

    void AddBlank(std::uint32_t at, std::uint8_t level) {
        const FontMetrics::Glyph& blank = primary_.GlyphFor(U' ');
        ShapedCluster cluster;
        cluster.font = &primary_;
        cluster.firstCharacter = at;
        cluster.characterCount = 1;
        cluster.advance = blank.advance;
        cluster.level = level;
        cluster.blank = true;
        run_.clusters.push_back(cluster);
    }

    // A character that is never drawn joins the cluster before it, so that no line ends at it.
    void AddIgnorable(std::uint32_t at, std::uint8_t level) {
        if (!run_.clusters.empty() && !run_.clusters.back().blank &&
            run_.clusters.back().firstCharacter + run_.clusters.back().characterCount == at) {
            ++run_.clusters.back().characterCount;
            return;
        }
        ShapedCluster cluster;
        cluster.font = &primary_;
        cluster.firstCharacter = at;
        cluster.characterCount = 1;
        cluster.level = level;
        run_.clusters.push_back(cluster);
    }

    void AddCharacter(FontMetrics& font, std::uint32_t at, std::uint8_t level) {
        const FontMetrics::Glyph& glyph = font.GlyphFor(run_.characters[at]);
        ShapedCluster cluster;
        cluster.font = &font;
        cluster.firstGlyph = static_cast<std::uint32_t>(run_.glyphs.size());
        cluster.glyphCount = 1;
        cluster.firstCharacter = at;
        cluster.characterCount = 1;
        cluster.advance = glyph.advance;
        cluster.level = level;
        run_.glyphs.push_back({glyph.index, 0.0, 0.0});
        run_.clusters.push_back(cluster);
    }

    // The characters [first, end) shaped by HarfBuzz in one font, script and direction.
    bool AddShaped(FontMetrics& font, std::uint32_t first, std::uint32_t end, std::uint8_t level,
                   hb_script_t script, std::string_view language) {
        const ShapedText* shaped = Shape(font, first, end, level, script, language);
        if (shaped == nullptr) {
            return false;
        }
        // HarfBuzz gives glyphs in visual order, each with the offset of the character its
        // cluster starts at; the flow wants clusters in reading order.
        struct Group {
            std::uint32_t character;
            std::uint32_t glyph;
            std::uint32_t count;
        };
        static thread_local std::vector<Group> groups;
        groups.clear();
        for (std::uint32_t i = 0; i < shaped->glyphs.size(); ++i) {
            const std::uint32_t character = shaped->glyphs[i].cluster;
            if (!groups.empty() && groups.back().character == character) {
                ++groups.back().count;
            } else {
                groups.push_back({character, i, 1});
            }
        }
        std::stable_sort(groups.begin(), groups.end(),
                         [](const Group& a, const Group& b) { return a.character < b.character; });
        if (!groups.empty()) {
            groups.front().character = 0;
        }
        const std::uint32_t length = end - first;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const Group& group = groups[g];
            const std::uint32_t next =
                g + 1 < groups.size() ? std::min(groups[g + 1].character, length) : length;
            if (group.character >= next) {
                continue;  // a cluster HarfBuzz numbered out of order; its glyphs go with none
            }
            ShapedCluster cluster;
            cluster.font = &font;
            cluster.firstGlyph = static_cast<std::uint32_t>(run_.glyphs.size());
            cluster.glyphCount = group.count;
            cluster.firstCharacter = first + group.character;
            cluster.characterCount = next - group.character;
            cluster.level = level;
            double pen = 0.0;
            for (std::uint32_t i = group.glyph; i < group.glyph + group.count; ++i) {
                const hb_glyph_position_t& position = shaped->positions[i];
                run_.glyphs.push_back({shaped->glyphs[i].codepoint, pen + position.x_offset / 64.0,
                                       -position.y_offset / 64.0});
                pen += position.x_advance / 64.0;
            }
            cluster.advance = pen;
            run_.clusters.push_back(cluster);
        }
        return true;
    }

  private:
    const ShapedText* Shape(FontMetrics& font, std::uint32_t first, std::uint32_t end,
                            std::uint8_t level, hb_script_t script, std::string_view language) {
        hb_font_t* shapingFont = font.ShapingFont();
        if (shapingFont == nullptr) {
            return nullptr;
        }
        static thread_local std::u32string key;
        key.clear();
        key += static_cast<char32_t>(level & 1);
        key += static_cast<char32_t>(script);
        key.append(run_.characters.begin() + first, run_.characters.begin() + end);
        auto& texts = font.shapedTexts();
        if (auto known = texts.find(key); known != texts.end()) {
            return &known->second;
        }
        hb_buffer_t* buffer = ShapingBuffer();
        hb_buffer_clear_contents(buffer);
        hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(key.data() + 2),
                            static_cast<int>(end - first), 0, static_cast<int>(end - first));
        hb_buffer_set_direction(buffer, (level & 1) != 0 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
        hb_buffer_set_script(buffer, script);
        hb_buffer_set_language(
            buffer, language.empty() ? hb_language_get_default()
                                     : hb_language_from_string(language.data(),
                                                               static_cast<int>(language.size())));
        hb_buffer_set_flags(buffer, HB_BUFFER_FLAG_REMOVE_DEFAULT_IGNORABLES);
        hb_shape(shapingFont, buffer, nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_info_t* glyphs = hb_buffer_get_glyph_infos(buffer, &count);
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
        if (texts.size() >= kMaximumShapedTexts) {
            texts.clear();
        }
        ShapedText& shaped = texts[key];
        shaped.glyphs.assign(glyphs, glyphs + count);
        shaped.positions.assign(positions, positions + count);
        return &shaped;
    }

    FontMetrics& primary_;
    ShapedRun& run_;
};

}  // namespace

std::string ShapedRun::TextOf(const ShapedCluster& cluster) const {
    std::string text;
    for (std::uint32_t i = 0; i < cluster.characterCount; ++i) {
        AppendUtf8(text, characters[cluster.firstCharacter + i]);
    }
    return text;
}

void ShapeRun(FontCache& fonts, cairo_t* cr, FontMetrics& primary,
              const std::vector<char32_t>& characters, int paragraphLevel,
              std::string_view language, ShapedRun& run) {
    run.characters = characters;
    run.clusters.clear();
    run.glyphs.clear();
    const auto count = static_cast<std::uint32_t>(characters.size());
    if (count == 0) {
        return;
    }
    static thread_local RunAnalysis analysis;
    FindLevels(characters, paragraphLevel, analysis);
    FindBreaks(characters, language, analysis);
    FindScripts(characters, analysis);
    ChooseFonts(fonts, cr, primary, characters, language, analysis);

    RunBuilder builder(primary, run);
    for (std::uint32_t i = 0; i < count;) {
        const std::uint8_t level = analysis.levels[i];
        if (characters[i] == U' ') {
            builder.AddBlank(i, level);
            ++i;
            continue;
        }
        FontMetrics* font = analysis.fonts[i];
        if (font == nullptr) {
            builder.AddIgnorable(i, level);
            ++i;
            continue;
        }
        // An item: the longest stretch up to a blank in one font, script and level. Characters
        // never drawn go along, since they may change how the others are shaped.
        const hb_script_t script = analysis.resolved[i];
        bool shape = (level & 1) != 0 || !IsSimpleScript(script);
        std::uint32_t end = i + 1;
        for (; end < count && characters[end] != U' ' && analysis.levels[end] == level &&
               analysis.resolved[end] == script &&
               (analysis.fonts[end] == font || analysis.fonts[end] == nullptr);
             ++end) {
        }
        for (std::uint32_t k = i; k < end && !shape; ++k) {
            shape = analysis.fonts[k] != nullptr && IsMark(characters[k]);
        }
        const std::size_t firstCluster = run.clusters.size();
        if (!shape || !builder.AddShaped(*font, i, end, level, script, language)) {
            for (std::uint32_t k = i; k < end; ++k) {
                if (analysis.fonts[k] == nullptr) {
                    builder.AddIgnorable(k, level);
                } else {
                    builder.AddCharacter(*analysis.fonts[k], k, level);
                }
            }
        }
        for (std::size_t c = firstCluster; c < run.clusters.size(); ++c) {
            run.clusters[c].breakBefore =
                BreakBefore(characters, analysis, run.clusters[c].firstCharacter);
        }
        i = end;
    }
}

}  // namespace quirelle

namespace quirelle {

const ShapedRun& ShapedRunCache::Find(FontCache& fonts, cairo_t* cr, FontMetrics& primary,
                                      std::string_view text,
                                      const std::vector<char32_t>& characters, int paragraphLevel,
                                      std::string_view language) {
    if (generation_ != fonts.generation()) {
        runs_.clear();
        bytes_ = 0;
        generation_ = fonts.generation();
    }
    key_.assign(text);
    const FontMetrics* font = &primary;
    key_.append(reinterpret_cast<const char*>(&font), sizeof font);
    key_ += static_cast<char>(paragraphLevel);
    key_.append(language);
    if (auto known = runs_.find(key_); known != runs_.end()) {
        return known->second;
    }
    ShapedRun run;
    ShapeRun(fonts, cr, primary, characters, paragraphLevel, language, run);
    const std::size_t bytes = key_.size() + run.characters.size() * sizeof(char32_t) +
                              run.clusters.size() * sizeof(ShapedCluster) +
                              run.glyphs.size() * sizeof(ShapedGlyph);
    if (bytes_ + bytes > kMaximumShapedRunBytes) {
        runs_.clear();
        bytes_ = 0;
    }
    bytes_ += bytes;
    return runs_.emplace(key_, std::move(run)).first->second;
}

}  // namespace quirelle
