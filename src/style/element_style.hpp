#pragma once

#include "platform/settings.hpp"
#include "style/element_kind.hpp"
#include "style/text_style.hpp"

namespace quirelle {

// Sets `style` to the defaults of an element kind, from the settings: white background, black
// text unless the kind has a colour of its own, the family and size of the kind's settings row
// ("List" for list and definition items, "Preformated", "Strong", "Emphasis", "Hyperlink"; the
// size also becomes the base of rem). Headings and strong text are bold, emphasis is slanted,
// links are underlined in the link colour and keep the weight, slant and alignment of the text
// around them.
void SetElementKindDefaults(TextStyle& style, const Settings& settings, ElementKind kind);

}  // namespace quirelle
