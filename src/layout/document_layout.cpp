#include "layout/document_layout.hpp"

#include <optional>
#include <string>

#include "style/css_sheet.hpp"
#include "style/rule_matching.hpp"
#include "style/user_agent_sheet.hpp"

namespace quirelle {

std::unique_ptr<DocumentLayout> BuildDocumentLayout(std::string_view text,
                                                    const std::string& documentPath,
                                                    const StyleInputs& inputs, FontCache& fonts,
                                                    cairo_t* cr, double width,
                                                    double viewportHeight,
                                                    const PictureSizer& pictureSize) {
    auto layout = std::make_unique<DocumentLayout>();
    layout->width = width;
    layout->viewportHeight = viewportHeight;
    layout->tree = DocumentTree::Parse(text);

    // The reader's own sheets (its defaults and the settings rows) are read once for as long as
    // the settings stay as they are, and each document starts from a copy of their rules.
    struct ReaderSheets {
        std::string settingsSheet;
        RuleSet rules;
    };
    thread_local std::optional<ReaderSheets> reader;
    const Settings defaults;
    std::string settingsSheet = SettingsStyleSheet(inputs.settings ? *inputs.settings : defaults);
    if (!reader || reader->settingsSheet != settingsSheet) {
        static const CssSheet kUserAgent = ParseCssSheet(UserAgentStyleSheet());
        reader.emplace();
        reader->rules.AddSheet(kUserAgent, CascadeOrigin::UserAgent);
        reader->rules.AddSheet(ParseCssSheet(settingsSheet), CascadeOrigin::UserAgent);
        reader->settingsSheet = std::move(settingsSheet);
    }
    RuleSet rules = reader->rules;
    if (inputs.bookStyles) {
        for (const auto& sheet : DocumentSheets(layout->tree, documentPath, inputs.readMember,
                                                inputs.sheets, inputs.debugCss)) {
            rules.AddSheet(*sheet, CascadeOrigin::Author);
        }
    }
    StyleContext context;
    context.viewportWidth = width;
    context.viewportHeight = viewportHeight;
    layout->styles = ComputeStyles(layout->tree, rules, context);
    layout->boxes = BoxTree::Build(layout->tree, layout->styles);
    const LayoutInput input{layout->tree, layout->styles, layout->boxes, fonts,
                            cr,           width,          documentPath,  pictureSize};
    layout->page = LayOutBoxes(input);
    return layout;
}

}  // namespace quirelle
