#include "layout/character_class.hpp"

#include <fribidi.h>

namespace quirelle {

namespace {

hb_unicode_funcs_t* UnicodeData() {
    static hb_unicode_funcs_t* const funcs = hb_unicode_funcs_get_default();
    return funcs;
}

hb_unicode_general_category_t CategoryOf(char32_t character) {
    return hb_unicode_general_category(UnicodeData(), character);
}

}  // namespace

bool IsDefaultIgnorable(char32_t character) {
    // Format controls, with the variation selectors (marks in the category tables) and the
    // combining grapheme joiner, which draw nothing either.
    return CategoryOf(character) == HB_UNICODE_GENERAL_CATEGORY_FORMAT ||
           (character >= 0xFE00 && character <= 0xFE0F) ||
           (character >= 0xE0100 && character <= 0xE01EF) ||
           (character >= 0x180B && character <= 0x180F) || character == 0x034F;
}

bool IsMark(char32_t character) {
    switch (CategoryOf(character)) {
        case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
        case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
            return true;
        default:
            return false;
    }
}

bool IsSimpleScript(hb_script_t script) {
    if (BreaksOnlyAtSpaces(script)) {
        return true;
    }
    switch (script) {
        case HB_SCRIPT_HAN:
        case HB_SCRIPT_HIRAGANA:
        case HB_SCRIPT_KATAKANA:
        case HB_SCRIPT_HANGUL:
        case HB_SCRIPT_BOPOMOFO:
        case HB_SCRIPT_YI:
            return true;
        default:
            return false;
    }
}

bool BreaksOnlyAtSpaces(hb_script_t script) {
    switch (script) {
        case HB_SCRIPT_LATIN:
        case HB_SCRIPT_GREEK:
        case HB_SCRIPT_CYRILLIC:
        case HB_SCRIPT_COMMON:
        case HB_SCRIPT_INHERITED:
        case HB_SCRIPT_UNKNOWN:
            return true;
        default:
            return false;
    }
}

hb_script_t ScriptOf(char32_t character) {
    return hb_unicode_script(UnicodeData(), character);
}

bool IsPlainCharacter(char32_t character) {
    if (character < 0x300) {
        return character != 0xAD;  // the soft hyphen is the only format control there
    }
    // East Asian text is left out too: it breaks between its letters.
    const hb_script_t script = ScriptOf(character);
    if (!BreaksOnlyAtSpaces(script) || script == HB_SCRIPT_INHERITED || IsMark(character) ||
        IsDefaultIgnorable(character)) {
        return false;
    }
    const FriBidiCharType type = fribidi_get_bidi_type(character);
    return !FRIBIDI_IS_RTL(type) && type != FRIBIDI_TYPE_AN && !FRIBIDI_IS_EXPLICIT(type) &&
           !FRIBIDI_IS_ISOLATE(type);
}

int ParagraphLevelOf(const char32_t* characters, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const FriBidiCharType type = fribidi_get_bidi_type(characters[i]);
        if (FRIBIDI_IS_LETTER(type)) {
            return FRIBIDI_IS_RTL(type) ? 1 : 0;
        }
    }
    return -1;
}

}  // namespace quirelle
