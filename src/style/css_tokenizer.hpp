#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

enum class CssTokenType : std::uint8_t {
    Ident,
    Function,   // value: the name, without "("
    AtKeyword,  // value: the name, without "@"
    Hash,
    String,
    BadString,
    Url,
    BadUrl,
    Delim,
    Number,
    Percentage,
    Dimension,
    Whitespace,
    Cdo,
    Cdc,
    Colon,
    Semicolon,
    Comma,
    OpenSquare,
    CloseSquare,
    OpenParen,
    CloseParen,
    OpenCurly,
    CloseCurly,
};

enum class HashKind : std::uint8_t { Unrestricted, Id };

// One token, with where it stands in the source so that a value can be given back as written.
struct CssToken {
    CssTokenType type = CssTokenType::Delim;
    HashKind hashKind = HashKind::Unrestricted;
    char32_t delim = 0;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    // Idents, functions, at-keywords, hashes, strings and URLs with their escapes resolved.
    std::string value;
};

// A text cut into tokens as CSS Syntax Level 3 cuts it: comments dropped, escapes resolved,
// unterminated strings, comments and URLs closed at the end as a browser closes them.
class CssTokens {
  public:
    // Against hostile input: a text longer than this is read only up to it.
    static constexpr std::size_t kMaxSourceBytes = 64u << 20;

    explicit CssTokens(std::string_view source);

    std::string_view source() const { return source_; }
    std::size_t size() const { return tokens_.size(); }
    const CssToken& operator[](std::size_t i) const { return tokens_[i]; }
    // The index just past the token that closes the block or function opened at `i` (the end
    // when it is never closed); for any other token, i + 1.
    std::size_t SkipComponent(std::size_t i) const;
    // The source text from the start of token `first` to the end of token `last - 1`.
    std::string_view Slice(std::size_t first, std::size_t last) const;

  private:
    std::string_view source_;
    std::vector<CssToken> tokens_;
    std::vector<std::uint32_t> blockEnds_;  // per token: the index of its closer, for openers
};

// The tokens of [first, last) as a value is kept: white space runs (and comments between two
// tokens) become one space, the whole trimmed.
std::string CssTokensText(const CssTokens& tokens, std::size_t first, std::size_t last);

bool CssEqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
std::string CssAsciiLower(std::string_view text);

}  // namespace quirelle
