#include "style/css_tokenizer.hpp"

#include <algorithm>

namespace quirelle {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsNewline(char c) {
    return c == '\n' || c == '\r' || c == '\f';
}
bool IsWhitespace(char c) {
    return c == ' ' || c == '\t' || IsNewline(c);
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80 || c == 0;
}
bool IsName(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '-';
}
int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

class Tokenizer {
  public:
    explicit Tokenizer(std::string_view text) : s_(text) {}

    void Run(std::vector<CssToken>& out) {
        while (pos_ < s_.size()) {
            if (At(0) == '/' && At(1) == '*') {
                const std::size_t close = s_.find("*/", pos_ + 2);
                pos_ = close == std::string_view::npos ? s_.size() : close + 2;
                continue;
            }
            CssToken token;
            token.start = static_cast<std::uint32_t>(pos_);
            Next(token);
            token.end = static_cast<std::uint32_t>(pos_);
            out.push_back(std::move(token));
        }
    }

  private:
    char At(std::size_t ahead) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }
    bool Has(std::size_t ahead) const { return pos_ + ahead < s_.size(); }
    bool ValidEscape(std::size_t ahead) const {
        return Has(ahead) && s_[pos_ + ahead] == '\\' &&
               (!Has(ahead + 1) || !IsNewline(s_[pos_ + ahead + 1]));
    }
    bool StartsIdent(std::size_t ahead) const {
        const char c = At(ahead);
        if (!Has(ahead)) {
            return false;
        }
        if (c == '-') {
            return (Has(ahead + 1) && (IsNameStart(At(ahead + 1)) || At(ahead + 1) == '-')) ||
                   ValidEscape(ahead + 1);
        }
        if (IsNameStart(c)) {
            return true;
        }
        return ValidEscape(ahead);
    }
    bool StartsNumber(std::size_t ahead) const {
        const char c = At(ahead);
        if (!Has(ahead)) {
            return false;
        }
        if (c == '+' || c == '-') {
            return IsDigit(At(ahead + 1)) || (At(ahead + 1) == '.' && IsDigit(At(ahead + 2)));
        }
        if (c == '.') {
            return IsDigit(At(ahead + 1));
        }
        return IsDigit(c);
    }

    // After the backslash of a valid escape: a hexadecimal escape is a code point, written out
    // in UTF-8; any other character stands for itself, its bytes copied as they come.
    void AppendEscaped(std::string& out) {
        if (pos_ >= s_.size()) {
            AppendUtf8(out, kReplacement);
            return;
        }
        if (!IsHex(s_[pos_])) {
            AppendChar(out, s_[pos_++]);
            return;
        }
        char32_t value = 0;
        int digits = 0;
        while (digits < 6 && pos_ < s_.size() && IsHex(s_[pos_])) {
            value = value * 16 + static_cast<char32_t>(HexValue(s_[pos_]));
            ++pos_;
            ++digits;
        }
        if (pos_ < s_.size() && IsWhitespace(s_[pos_])) {
            if (s_[pos_] == '\r' && At(1) == '\n') {
                ++pos_;
            }
            ++pos_;
        }
        if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            value = kReplacement;
        }
        AppendUtf8(out, value);
    }

    void AppendChar(std::string& out, char c) {
        if (c == 0) {
            AppendUtf8(out, kReplacement);
        } else {
            out.push_back(c);
        }
    }

    std::string ConsumeName() {
        std::string name;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (IsName(c)) {
                AppendChar(name, c);
                ++pos_;
            } else if (ValidEscape(0)) {
                ++pos_;
                AppendEscaped(name);
            } else {
                break;
            }
        }
        return name;
    }

    void ConsumeNumber() {
        if (At(0) == '+' || At(0) == '-') {
            ++pos_;
        }
        while (IsDigit(At(0))) {
            ++pos_;
        }
        if (At(0) == '.' && IsDigit(At(1))) {
            pos_ += 1;
            while (IsDigit(At(0))) {
                ++pos_;
            }
        }
        if ((At(0) == 'e' || At(0) == 'E') &&
            (IsDigit(At(1)) || ((At(1) == '+' || At(1) == '-') && IsDigit(At(2))))) {
            pos_ += 2;
            while (IsDigit(At(0))) {
                ++pos_;
            }
        }
    }

    void ConsumeNumeric(CssToken& token) {
        ConsumeNumber();
        if (StartsIdent(0)) {
            token.type = CssTokenType::Dimension;
            token.value = ConsumeName();
        } else if (At(0) == '%' && Has(0)) {
            ++pos_;
            token.type = CssTokenType::Percentage;
        } else {
            token.type = CssTokenType::Number;
        }
    }

    void ConsumeString(CssToken& token, char quote) {
        token.type = CssTokenType::String;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == quote) {
                ++pos_;
                return;
            }
            if (IsNewline(c)) {
                token.type = CssTokenType::BadString;
                return;
            }
            if (c == '\\') {
                if (!Has(1)) {
                    ++pos_;
                    return;
                }
                if (IsNewline(s_[pos_ + 1])) {
                    pos_ += (s_[pos_ + 1] == '\r' && At(2) == '\n') ? 3 : 2;
                    continue;
                }
                ++pos_;
                AppendEscaped(token.value);
                continue;
            }
            AppendChar(token.value, c);
            ++pos_;
        }
    }

    void ConsumeBadUrlRemnants() {
        while (pos_ < s_.size()) {
            if (s_[pos_] == ')') {
                ++pos_;
                return;
            }
            if (ValidEscape(0)) {
                // The escaped character cannot end the URL.
                pos_ = std::min(pos_ + 2, s_.size());
            } else {
                ++pos_;
            }
        }
    }

    void ConsumeUrl(CssToken& token) {
        token.type = CssTokenType::Url;
        while (IsWhitespace(At(0)) && Has(0)) {
            ++pos_;
        }
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == ')') {
                ++pos_;
                return;
            }
            if (IsWhitespace(c)) {
                while (Has(0) && IsWhitespace(At(0))) {
                    ++pos_;
                }
                if (!Has(0)) {
                    return;
                }
                if (At(0) == ')') {
                    ++pos_;
                    return;
                }
                token.type = CssTokenType::BadUrl;
                token.value.clear();
                ConsumeBadUrlRemnants();
                return;
            }
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\'' || c == '(' || (u < 0x20 && c != '\t' && c != 0) ||
                u == 0x7F) {
                token.type = CssTokenType::BadUrl;
                token.value.clear();
                ConsumeBadUrlRemnants();
                return;
            }
            if (c == '\\') {
                if (ValidEscape(0)) {
                    ++pos_;
                    AppendEscaped(token.value);
                    continue;
                }
                token.type = CssTokenType::BadUrl;
                token.value.clear();
                ConsumeBadUrlRemnants();
                return;
            }
            AppendChar(token.value, c);
            ++pos_;
        }
    }

    void ConsumeIdentLike(CssToken& token) {
        token.value = ConsumeName();
        if (At(0) == '(' && Has(0)) {
            ++pos_;
            if (CssEqualsIgnoringAsciiCase(token.value, "url")) {
                std::size_t ahead = 0;
                while (Has(ahead) && IsWhitespace(At(ahead))) {
                    ++ahead;
                }
                if (At(ahead) != '"' && At(ahead) != '\'') {
                    token.value.clear();
                    ConsumeUrl(token);
                    return;
                }
            }
            token.type = CssTokenType::Function;
            return;
        }
        token.type = CssTokenType::Ident;
    }

    void Next(CssToken& token) {
        const char c = s_[pos_];
        if (IsWhitespace(c)) {
            while (Has(0) && IsWhitespace(At(0))) {
                ++pos_;
            }
            token.type = CssTokenType::Whitespace;
            return;
        }
        switch (c) {
            case '"':
            case '\'':
                ++pos_;
                ConsumeString(token, c);
                return;
            case '#':
                if (Has(1) && (IsName(At(1)) || ValidEscape(1))) {
                    ++pos_;
                    token.type = CssTokenType::Hash;
                    token.hashKind = StartsIdent(0) ? HashKind::Id : HashKind::Unrestricted;
                    token.value = ConsumeName();
                    return;
                }
                break;
            case '(':
                ++pos_;
                token.type = CssTokenType::OpenParen;
                return;
            case ')':
                ++pos_;
                token.type = CssTokenType::CloseParen;
                return;
            case '[':
                ++pos_;
                token.type = CssTokenType::OpenSquare;
                return;
            case ']':
                ++pos_;
                token.type = CssTokenType::CloseSquare;
                return;
            case '{':
                ++pos_;
                token.type = CssTokenType::OpenCurly;
                return;
            case '}':
                ++pos_;
                token.type = CssTokenType::CloseCurly;
                return;
            case ',':
                ++pos_;
                token.type = CssTokenType::Comma;
                return;
            case ':':
                ++pos_;
                token.type = CssTokenType::Colon;
                return;
            case ';':
                ++pos_;
                token.type = CssTokenType::Semicolon;
                return;
            case '+':
            case '.':
                if (StartsNumber(0)) {
                    ConsumeNumeric(token);
                    return;
                }
                break;
            case '-':
                if (StartsNumber(0)) {
                    ConsumeNumeric(token);
                    return;
                }
                if (At(1) == '-' && At(2) == '>') {
                    pos_ += 3;
                    token.type = CssTokenType::Cdc;
                    return;
                }
                if (StartsIdent(0)) {
                    ConsumeIdentLike(token);
                    return;
                }
                break;
            case '<':
                if (s_.substr(pos_, 4) == "<!--") {
                    pos_ += 4;
                    token.type = CssTokenType::Cdo;
                    return;
                }
                break;
            case '@':
                if (StartsIdent(1)) {
                    ++pos_;
                    token.type = CssTokenType::AtKeyword;
                    token.value = ConsumeName();
                    return;
                }
                break;
            case '\\':
                if (ValidEscape(0)) {
                    ConsumeIdentLike(token);
                    return;
                }
                break;
            default:
                if (IsDigit(c)) {
                    ConsumeNumeric(token);
                    return;
                }
                if (IsNameStart(c)) {
                    ConsumeIdentLike(token);
                    return;
                }
                break;
        }
        ++pos_;
        token.type = CssTokenType::Delim;
        token.delim = static_cast<unsigned char>(c);
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

CssTokenType CloserOf(CssTokenType type) {
    switch (type) {
        case CssTokenType::OpenSquare:
            return CssTokenType::CloseSquare;
        case CssTokenType::OpenCurly:
            return CssTokenType::CloseCurly;
        default:
            return CssTokenType::CloseParen;
    }
}

bool IsOpener(CssTokenType type) {
    return type == CssTokenType::OpenSquare || type == CssTokenType::OpenCurly ||
           type == CssTokenType::OpenParen || type == CssTokenType::Function;
}

}  // namespace

CssTokens::CssTokens(std::string_view source)
    : source_(source.substr(0, std::min(source.size(), kMaxSourceBytes))) {
    // A token every few bytes is typical of a sheet; growing the array from empty would copy
    // every token a dozen times.
    tokens_.reserve(source_.size() / 4 + 8);
    Tokenizer(source_).Run(tokens_);
    // Matched once, with a stack rather than recursion, so that "((((" nested a million deep
    // costs no stack and skipping a block later costs nothing.
    blockEnds_.assign(tokens_.size(), 0);
    std::vector<std::uint32_t> open;
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
        const CssTokenType type = tokens_[i].type;
        if (!open.empty() && type == CloserOf(tokens_[open.back()].type)) {
            blockEnds_[open.back()] = static_cast<std::uint32_t>(i);
            open.pop_back();
        } else if (IsOpener(type)) {
            open.push_back(static_cast<std::uint32_t>(i));
        }
    }
    for (const std::uint32_t unclosed : open) {
        blockEnds_[unclosed] = static_cast<std::uint32_t>(tokens_.size());
    }
}

std::size_t CssTokens::SkipComponent(std::size_t i) const {
    if (i >= tokens_.size()) {
        return tokens_.size();
    }
    if (IsOpener(tokens_[i].type)) {
        return std::min<std::size_t>(blockEnds_[i] + std::size_t{1}, tokens_.size());
    }
    return i + 1;
}

std::string_view CssTokens::Slice(std::size_t first, std::size_t last) const {
    if (first >= last || first >= tokens_.size()) {
        return {};
    }
    last = std::min(last, tokens_.size());
    return source_.substr(tokens_[first].start, tokens_[last - 1].end - tokens_[first].start);
}

std::string CssTokensText(const CssTokens& tokens, std::size_t first, std::size_t last) {
    std::string text;
    bool pendingSpace = false;
    last = std::min(last, tokens.size());
    for (std::size_t i = first; i < last; ++i) {
        const CssToken& token = tokens[i];
        if (token.type == CssTokenType::Whitespace) {
            pendingSpace = true;
            continue;
        }
        // A comment between two tokens keeps them apart.
        if (i > first && tokens[i - 1].end != token.start) {
            pendingSpace = true;
        }
        if (pendingSpace && !text.empty()) {
            text.push_back(' ');
        }
        pendingSpace = false;
        text.append(tokens.source().substr(token.start, token.end - token.start));
    }
    return text;
}

bool CssEqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x + 32);
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y + 32);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string CssAsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return lower;
}

}  // namespace quirelle
