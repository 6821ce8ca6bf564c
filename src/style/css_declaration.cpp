#include "style/css_declaration.hpp"

#include "style/css_tokenizer.hpp"

namespace quirelle {

namespace {

bool IsSpace(const CssToken& token) {
    return token.type == CssTokenType::Whitespace;
}

// One declaration's tokens, [first, last), without its ";". Nothing is added when they do not
// read as "name : value [!important]".
void ReadDeclaration(const CssTokens& tokens, std::size_t first, std::size_t last,
                     std::vector<CssDeclaration>& out) {
    if (first >= last || tokens[first].type != CssTokenType::Ident) {
        return;
    }
    std::size_t i = first + 1;
    while (i < last && IsSpace(tokens[i])) {
        ++i;
    }
    if (i >= last || tokens[i].type != CssTokenType::Colon) {
        return;
    }
    ++i;
    // Trailing white space, then "! important" (white space allowed between, any case).
    std::size_t end = last;
    while (end > i && IsSpace(tokens[end - 1])) {
        --end;
    }
    bool important = false;
    if (end > i && tokens[end - 1].type == CssTokenType::Ident &&
        CssEqualsIgnoringAsciiCase(tokens[end - 1].value, "important")) {
        std::size_t bang = end - 1;
        while (bang > i && IsSpace(tokens[bang - 1])) {
            --bang;
        }
        if (bang > i && tokens[bang - 1].type == CssTokenType::Delim &&
            tokens[bang - 1].delim == '!') {
            important = true;
            end = bang - 1;
        }
    }
    CssDeclaration declaration;
    declaration.value = CssTokensText(tokens, i, end);
    if (declaration.value.empty()) {
        return;
    }
    const std::string& name = tokens[first].value;
    // Custom properties keep their case: "--Main" and "--main" are two properties.
    declaration.property = name.starts_with("--") ? name : CssAsciiLower(name);
    declaration.important = important;
    out.push_back(std::move(declaration));
}

}  // namespace

std::vector<CssDeclaration> ParseDeclarationBlock(std::string_view text) {
    const CssTokens tokens(text);
    std::vector<CssDeclaration> declarations;
    std::size_t i = 0;
    while (i < tokens.size()) {
        const CssTokenType type = tokens[i].type;
        if (type == CssTokenType::Whitespace || type == CssTokenType::Semicolon) {
            ++i;
            continue;
        }
        // A declaration, or anything else up to the next ";" outside a block (an at-rule
        // with its block, a stray token): the latter is dropped whole.
        const std::size_t first = i;
        bool atRule = type == CssTokenType::AtKeyword;
        while (i < tokens.size() && tokens[i].type != CssTokenType::Semicolon) {
            const bool block = tokens[i].type == CssTokenType::OpenCurly;
            i = tokens.SkipComponent(i);
            if (atRule && block) {
                break;  // an at-rule ends with its block
            }
        }
        if (!atRule) {
            ReadDeclaration(tokens, first, i, declarations);
        }
    }
    return declarations;
}

}  // namespace quirelle
