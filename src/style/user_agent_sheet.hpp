#pragma once

#include <string>
#include <string_view>

#include "platform/settings.hpp"

namespace quirelle {

// The defaults every book starts from, as CSS text: the rendering defaults of HTML (which
// elements are blocks, list items, table parts or hidden, the margins of paragraphs, headings,
// lists and quotations, the faces of emphasis, code and headings). Kept as text so that the same
// sheet can be given to a browser engine when comparing pages.
std::string_view UserAgentStyleSheet();

// The reader's settings as CSS text: the family and size of body text, headings 1 to 4, list
// items, preformatted text (with its colour), strong and emphasised text, the colour and
// underline of links, and the page margins as the body's margin. The rows of text inside the
// body's (lists, strong, emphasis, links) give a family or size only where they differ from the
// body's row. It comes right after the
// user-agent sheet, at the same level, so a settings size replaces HTML's relative heading size
// (h5 and h6, which have no row, keep theirs); the book's own sheets come after both. A row whose
// size is not a positive number gives no size.
std::string SettingsStyleSheet(const Settings& settings);

}  // namespace quirelle
