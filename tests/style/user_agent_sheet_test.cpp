#include "style/user_agent_sheet.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "style/computed_style.hpp"
#include "style/css_declaration.hpp"
#include "style/css_sheet.hpp"

namespace quirelle {
namespace {

// The declarations of the rule whose selector list is written exactly as `selectors`, read by the
// same declaration reader the book's sheets go through.
std::vector<CssDeclaration> RuleDeclarations(std::string_view sheet, std::string_view selectors) {
    const std::string opening = std::string(selectors) + " {";
    std::size_t at = sheet.find(opening);
    while (at != std::string_view::npos && at != 0 && sheet[at - 1] != '\n') {
        at = sheet.find(opening, at + 1);
    }
    if (at == std::string_view::npos) {
        ADD_FAILURE() << "no rule for " << selectors;
        return {};
    }
    const std::size_t start = at + opening.size();
    const std::size_t end = sheet.find("}\n", start);
    return ParseDeclarationBlock(sheet.substr(start, end - start));
}

// A child of `parent` styled by one rule of the sheet.
ComputedStyle Styled(std::string_view sheet, std::string_view selectors,
                     const ComputedStyle& parent) {
    ComputedStyle style = InheritedStyle(parent);
    ApplyDeclarations(style, RuleDeclarations(sheet, selectors), parent, StyleContext{});
    return style;
}

TEST(UserAgentSheetTest, EveryRuleAndDeclarationIsOneTheStyleUnderstands) {
    const std::string settingsSheet = SettingsStyleSheet(Settings{});
    for (const std::string_view sheet : {UserAgentStyleSheet(), std::string_view(settingsSheet)}) {
        // A selector the reader cannot match would drop its whole rule.
        const CssSheet parsed = ParseCssSheet(sheet);
        EXPECT_EQ(parsed.rules.size(),
                  static_cast<std::size_t>(std::count(sheet.begin(), sheet.end(), '{')));
        for (const CssStyleRule& rule : parsed.rules) {
            for (const CssDeclaration& declaration : rule.declarations) {
                ComputedStyle style = InitialStyle(StyleContext{});
                EXPECT_TRUE(ApplyDeclaration(style, declaration, style, StyleContext{}))
                    << declaration.property << ": " << declaration.value;
            }
        }
    }
}

TEST(UserAgentSheetTest, HtmlDefaults) {
    const std::string_view sheet = UserAgentStyleSheet();
    const ComputedStyle body = InitialStyle(StyleContext{});  // 16px

    const ComputedStyle quote = Styled(sheet, "blockquote, figure", body);
    EXPECT_EQ(quote.marginLeft, ComputedLength::Px(40));
    EXPECT_EQ(quote.marginRight, ComputedLength::Px(40));

    const ComputedStyle h5 = Styled(sheet, "h5", body);
    EXPECT_NEAR(h5.fontSize, 0.83 * 16, 1e-9);
    EXPECT_NEAR(h5.marginTop.value, 1.67 * 0.83 * 16, 1e-9);  // em of its own size

    EXPECT_EQ(Styled(sheet, "b, strong", body).fontWeight, 700);
    EXPECT_EQ(Styled(sheet, "pre, listing, plaintext, xmp", body).whiteSpace, CssWhiteSpace::Pre);
    EXPECT_EQ(Styled(sheet, "ol", body).listStyleType, CssListStyleType::Decimal);
    EXPECT_EQ(Styled(sheet, "dir, menu, ol, ul", body).paddingLeft, ComputedLength::Px(40));
    EXPECT_EQ(Styled(sheet, "dd", body).marginLeft, ComputedLength::Px(40));
    EXPECT_EQ(Styled(sheet, "li", body).display, CssDisplay::ListItem);
    EXPECT_EQ(Styled(sheet, "td, th", body).display, CssDisplay::TableCell);

    const ComputedStyle sup = Styled(sheet, "sup", body);
    EXPECT_EQ(sup.verticalAlign.kind, VerticalAlignKind::Super);
    EXPECT_LT(sup.fontSize, body.fontSize);
    EXPECT_TRUE(Styled(sheet, "s, strike, del", body).textDecorationLine.lineThrough);
}

TEST(UserAgentSheetTest, SettingsRowsBecomeFamiliesSizesColoursAndMargins) {
    Settings settings;
    settings.standart = {"Gentium", "17"};
    settings.header1 = {"Cardo", "30"};
    settings.preformated = {"Courier", "13"};
    settings.preformatedColor = {0x11111111, 0x22222222, 0x33333333};
    settings.hyperlinkColor = {0, 0, 0xFFFFFFFF};
    settings.horizontalMargin = "25";
    settings.verticalMargin = "35";
    const std::string sheet = SettingsStyleSheet(settings);
    const ComputedStyle root = InitialStyle(StyleContext{});

    const ComputedStyle body = Styled(sheet, "body", root);
    EXPECT_EQ(body.fontFamily, std::vector<std::string>{"Gentium"});
    EXPECT_EQ(body.fontSize, 17);
    EXPECT_EQ(body.marginTop, ComputedLength::Px(35));
    EXPECT_EQ(body.marginBottom, ComputedLength::Px(35));
    EXPECT_EQ(body.marginLeft, ComputedLength::Px(25));
    EXPECT_EQ(body.marginRight, ComputedLength::Px(25));

    const ComputedStyle h1 = Styled(sheet, "h1", body);
    EXPECT_EQ(h1.fontFamily, std::vector<std::string>{"Cardo"});
    EXPECT_EQ(h1.fontSize, 30);  // px, not relative to the body

    const ComputedStyle pre = Styled(sheet, "pre, code", body);
    EXPECT_EQ(pre.fontSize, 13);
    EXPECT_EQ(pre.color, (RgbaColor{0x11, 0x22, 0x33, 255}));

    const ComputedStyle link = Styled(sheet, "a:link", body);
    EXPECT_EQ(link.color, (RgbaColor{0, 0, 255, 255}));
    EXPECT_TRUE(link.textDecorationLine.underline);
}

TEST(UserAgentSheetTest, RowsLikeTheBodysLeaveTheSizeToTheParent) {
    // Strong text in a heading keeps the heading's size unless the user gave strong its own.
    Settings settings;
    EXPECT_EQ(SettingsStyleSheet(settings).find("strong"), std::string::npos);
    settings.strong = {"Arial", "20"};
    const std::string sheet = SettingsStyleSheet(settings);
    const ComputedStyle root = InitialStyle(StyleContext{});
    EXPECT_EQ(Styled(sheet, "strong", root).fontSize, 20);
    EXPECT_EQ(Styled(sheet, "strong", root).fontFamily, root.fontFamily);
}

TEST(UserAgentSheetTest, OddSettingsStayInsideTheirDeclaration) {
    Settings settings;
    settings.standart = {"My \"Odd\\ Font; }", "big"};
    settings.verticalMargin = "-40";
    const std::string sheet = SettingsStyleSheet(settings);
    ComputedStyle root = InitialStyle(StyleContext{});
    root.fontSize = 12;

    const ComputedStyle body = Styled(sheet, "body", root);
    EXPECT_EQ(body.fontFamily, std::vector<std::string>{"My \"Odd\\ Font; }"});
    EXPECT_EQ(body.fontSize, 12);  // a size that is no number leaves the inherited one
    EXPECT_EQ(body.marginTop, ComputedLength::Px(0));
    EXPECT_EQ(ParseCssSheet(sheet).rules.size(), 10u);
}

}  // namespace
}  // namespace quirelle
