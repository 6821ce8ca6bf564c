#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quirelle {

// Folds text for matching, one code point at a time, so that every folded unit can be traced
// back to the code point it came from: canonical decomposition with the nonspacing marks
// dropped (accents, Arabic vowel marks), full case folding unless case is to match ("ß" becomes
// "ss"), and invisible characters (soft hyphens, joiners, the tatweel) dropped. White space is
// the caller's business (IsSearchSpace), since runs of it collapse.
class TextFolder {
  public:
    explicit TextFolder(bool matchCase);

    // The folded form of one code point: empty when it is dropped.
    std::u32string_view Fold(char32_t c) {
        if (c < 0x80) {
            ascii_ = static_cast<char32_t>(!matchCase_ && c >= 'A' && c <= 'Z' ? c + 32 : c);
            return {&ascii_, 1};
        }
        return FoldOther(c);
    }

    // A search term folded the same way, its white space collapsed to single spaces and trimmed.
    std::u32string FoldTerm(std::string_view utf8);

  private:
    std::u32string_view FoldOther(char32_t c);
    std::u32string Compute(char32_t c) const;

    bool matchCase_;
    char32_t ascii_ = 0;
    // Each code point of the Basic Multilingual Plane, folded when first met: (start << 8 |
    // length) into pool_, or kUnknown. Books in any one script meet only a few hundred.
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    std::vector<std::uint32_t> known_;
    std::u32string pool_;
    std::u32string other_;  // the last code point beyond the plane, folded
};

// White space as the page collapses it, and the no-break spaces a reader types as spaces.
bool IsSearchSpace(char32_t c);

// Appends the code point to `out` as UTF-8.
void AppendCodePoint(std::string& out, char32_t c);

}  // namespace quirelle
