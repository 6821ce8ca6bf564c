#include "layout/document_layout.hpp"

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

    // The reader's defaults are read once; the settings' sheet is made anew, since the user may
    // have changed them since the last document.
    static const CssSheet kUserAgent = ParseCssSheet(UserAgentStyleSheet());
    RuleSet rules;
    rules.AddSheet(kUserAgent, CascadeOrigin::UserAgent);
    const Settings defaults;
    rules.AddSheet(ParseCssSheet(SettingsStyleSheet(inputs.settings ? *inputs.settings : defaults)),
                   CascadeOrigin::UserAgent);
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
