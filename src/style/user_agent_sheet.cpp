#include "style/user_agent_sheet.hpp"

#include <algorithm>
#include <string>
#include <string_view>

namespace quirelle {

namespace {

// HTML's rendering defaults, limited to the properties the computed style keeps; `br` needs no
// rule, since the document tree turns it into a forced line break.
constexpr std::string_view kUserAgentSheet = R"css(
html, address, blockquote, body, center, div, figure, figcaption, footer, form, header, hr,
legend, listing, main, p, plaintext, pre, search, xmp, dialog, details, summary, fieldset,
article, aside, h1, h2, h3, h4, h5, h6, hgroup, nav, section,
dir, dd, dl, dt, menu, ol, ul { display: block; }
li { display: list-item; }
head, script, style, title, link, meta, base, basefont, datalist, noembed, noframes, param, rp,
template, area, [hidden] { display: none; }
img, video, object, embed, iframe, canvas, svg { display: inline; }

table { display: table; text-indent: initial; }
caption { display: table-caption; text-align: center; }
colgroup { display: table-column-group; }
col { display: table-column; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
tr { display: table-row; vertical-align: middle; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { font-weight: bold; text-align: center; }

ruby { display: ruby; }
rt { display: ruby-text; font-size: 50%; }

body { margin: 8px; }
p, blockquote, figure, listing, plaintext, pre, xmp, dl, ol, ul, dir, menu {
  margin-top: 1em; margin-bottom: 1em;
}
blockquote, figure { margin-left: 40px; margin-right: 40px; }
dd { margin-left: 40px; }
dir, menu, ol, ul { padding-left: 40px; }
ol { list-style-type: decimal; }
dir, menu, ul { list-style-type: disc; }
ol ul, ul ul, ol menu, ul menu, ol dir, ul dir { list-style-type: circle; }
ol ol ul, ol ul ul, ul ol ul, ul ul ul { list-style-type: square; }
ol ol, ol ul, ul ol, ul ul { margin-top: 0; margin-bottom: 0; }
hr {
  color: gray; border-style: inset; border-width: 1px;
  margin-top: 0.5em; margin-bottom: 0.5em; margin-left: auto; margin-right: auto;
}

h1, h2, h3, h4, h5, h6 { font-weight: bold; }
h1 { margin-top: 0.67em; margin-bottom: 0.67em; font-size: 2em; }
h2 { margin-top: 0.83em; margin-bottom: 0.83em; font-size: 1.5em; }
h3 { margin-top: 1em; margin-bottom: 1em; font-size: 1.17em; }
h4 { margin-top: 1.33em; margin-bottom: 1.33em; font-size: 1em; }
h5 { margin-top: 1.67em; margin-bottom: 1.67em; font-size: 0.83em; }
h6 { margin-top: 2.33em; margin-bottom: 2.33em; font-size: 0.67em; }

pre, listing, plaintext, xmp { white-space: pre; }
pre, listing, plaintext, xmp, code, kbd, samp, tt { font-family: monospace; }
address, cite, dfn, em, i, var { font-style: italic; }
b, strong { font-weight: bolder; }
small { font-size: smaller; }
big { font-size: larger; }
sub { vertical-align: sub; font-size: smaller; line-height: normal; }
sup { vertical-align: super; font-size: smaller; line-height: normal; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
abbr[title], acronym[title] { text-decoration: underline dotted; }
mark { background-color: yellow; color: black; }
center { text-align: center; }
:link { color: #0000ee; text-decoration: underline; }
[dir=rtl] { direction: rtl; }
[dir=ltr] { direction: ltr; }
)css";

// A family name as a CSS string: quotes and backslashes escaped, and line breaks, which would
// end the string, written as the escape of their code.
std::string QuotedFamily(std::string_view name) {
    std::string text = "\"";
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (c == '\n' || c == '\r' || c == '\f') {
            text += c == '\n' ? "\\a " : c == '\r' ? "\\d " : "\\c ";
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string FontDeclarations(const StyleSetting& row) {
    std::string text = "font-family: " + QuotedFamily(row.font) + ";";
    // A size of 0 or none at all would make the text vanish: the size is left to the sheets
    // below instead.
    if (const int size = LeadingInteger(row.size); size > 0) {
        text += " font-size: " + std::to_string(size) + "px;";
    }
    return text;
}

// The family and size of a kind of text that flows inside the body's (lists, strong, emphasis,
// links): only where the row differs from the body's, so that a strong word in a heading keeps
// the heading's size, as it would in any browser, while a row the user changed still counts.
std::string FontDeclarationsBeside(const StyleSetting& row, const StyleSetting& body) {
    std::string text;
    if (row.font != body.font) {
        text += "font-family: " + QuotedFamily(row.font) + ";";
    }
    const int size = LeadingInteger(row.size);
    if (size > 0 && size != LeadingInteger(body.size)) {
        text += std::string(text.empty() ? "" : " ") + "font-size: " + std::to_string(size) + "px;";
    }
    return text;
}

void AddRule(std::string& sheet, std::string_view selectors, const std::string& declarations) {
    if (declarations.empty()) {
        return;
    }
    sheet += selectors;
    sheet += " { ";
    sheet += declarations;
    sheet += " }\n";
}

}  // namespace

std::string_view UserAgentStyleSheet() {
    return kUserAgentSheet;
}

std::string SettingsStyleSheet(const Settings& settings) {
    std::string sheet;
    // A negative margin would push the text off the page.
    const std::string vertical = std::to_string(std::max(0, settings.VerticalMarginValue())) + "px";
    const std::string horizontal =
        std::to_string(std::max(0, settings.HorizontalMarginValue())) + "px";
    AddRule(sheet, "body",
            FontDeclarations(settings.standart) + " margin: " + vertical + " " + horizontal + ";");
    AddRule(sheet, "h1", FontDeclarations(settings.header1));
    AddRule(sheet, "h2", FontDeclarations(settings.header2));
    AddRule(sheet, "h3", FontDeclarations(settings.header3));
    AddRule(sheet, "h4", FontDeclarations(settings.header4));
    AddRule(sheet, "li, dt, dd", FontDeclarationsBeside(settings.list, settings.standart));
    AddRule(sheet, "pre, code",
            FontDeclarations(settings.preformated) +
                " color: " + FormatSettingsColor(settings.preformatedColor) + ";");
    AddRule(sheet, "strong", FontDeclarationsBeside(settings.strong, settings.standart));
    AddRule(sheet, "em", FontDeclarationsBeside(settings.emphasis, settings.standart));
    AddRule(sheet, "a:link",
            FontDeclarationsBeside(settings.hyperlink, settings.standart) + " color: " +
                FormatSettingsColor(settings.hyperlinkColor) + "; text-decoration: underline;");
    return sheet;
}

}  // namespace quirelle
