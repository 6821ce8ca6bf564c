#pragma once

namespace quirelle {

class DocumentView;
struct Settings;

// Sets up the style defaults of an element kind from the settings: 0 body text (p, td, tr),
// 1, 3, 4, 5 the headings h1 to h4, 6 links and audio, 7 preformatted text and code, 8 strong,
// 9 emphasis, 10 list and definition items (as 0). White background, black text unless the kind
// has a colour of its own. The style is then handed to cairo and the line height follows the font.
// The settings are those of the pass, read once at its start.
void SelectElementStyle(DocumentView& view, const Settings& settings, int kind);

}  // namespace quirelle
