#pragma once

#include <hb.h>

#include <cstddef>

namespace quirelle {

// What the text flow needs to know of a character before it can draw it the quick way, one glyph
// after the other from the style's own font. The answers come from HarfBuzz's and FriBidi's
// Unicode data.

// A character that is never drawn: format controls (word joiner, zero-width space and joiners,
// soft hyphen, byte order mark) and variation selectors. It changes shaping or breaking at most.
bool IsDefaultIgnorable(char32_t character);

// A combining mark, drawn on the character before it.
bool IsMark(char32_t character);

// Whether the character's script is written one glyph per character, left to right, without
// contextual forms: Latin, Greek and Cyrillic, the common punctuation and digits, and the
// East Asian scripts. Others (Arabic, the Indic scripts, Thai, ...) are shaped.
bool IsSimpleScript(hb_script_t script);

// Whether the script breaks between letters (Chinese, Japanese, Korean and the like) rather than
// at spaces only, as Latin, Greek and Cyrillic do.
bool BreaksOnlyAtSpaces(hb_script_t script);

hb_script_t ScriptOf(char32_t character);

// Whether the character may be drawn the quick way whatever stands around it: a simple script,
// not a mark, never ignored, and strong or neutral in a left-to-right paragraph.
bool IsPlainCharacter(char32_t character);

// The level of a paragraph that begins with this text: 1 when its first strong character is
// right to left, 0 when left to right, -1 when it has no strong character.
int ParagraphLevelOf(const char32_t* characters, std::size_t count);

}  // namespace quirelle
