#include "search/text_folding.hpp"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace quirelle {

namespace {

const icu::Normalizer2* Decomposer() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? nfd : nullptr;
}

bool Dropped(UChar32 c) {
    // The tatweel only stretches an Arabic word; a reader never types it.
    return c == 0x0640 || u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) ||
           u_charType(c) == U_NON_SPACING_MARK;
}

// The canonical decomposition of `text` with the marks and invisible characters dropped.
icu::UnicodeString Stripped(const icu::UnicodeString& text) {
    icu::UnicodeString decomposed = text;
    if (const icu::Normalizer2* nfd = Decomposer()) {
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString normal = nfd->normalize(text, status);
        if (U_SUCCESS(status)) {
            decomposed = normal;
        }
    }
    icu::UnicodeString kept;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        i += U16_LENGTH(c);
        if (!Dropped(c)) {
            kept.append(c);
        }
    }
    return kept;
}

}  // namespace

TextFolder::TextFolder(bool matchCase) : matchCase_(matchCase), known_(0x10000, kUnknown) {}

std::u32string TextFolder::Compute(char32_t c) const {
    if (IsSearchSpace(c)) {
        return U" ";
    }
    // A Hangul syllable stays whole: decomposed into its letters, the first syllables of a word
    // would match inside another syllable.
    if (c >= 0xAC00 && c <= 0xD7A3) {
        return std::u32string(1, c);
    }
    icu::UnicodeString folded = Stripped(icu::UnicodeString(static_cast<UChar32>(c)));
    if (!matchCase_) {
        // Folding can bring marks back ("İ" folds to "i" and a dot above).
        folded = Stripped(folded.foldCase(U_FOLD_CASE_DEFAULT));
    }
    std::u32string out;
    for (int32_t i = 0; i < folded.length();) {
        const UChar32 unit = folded.char32At(i);
        i += U16_LENGTH(unit);
        out += static_cast<char32_t>(unit);
    }
    return out;
}

std::u32string_view TextFolder::FoldOther(char32_t c) {
    if (c >= 0x10000) {
        other_ = Compute(c);
        return other_;
    }
    std::uint32_t& entry = known_[c];
    if (entry == kUnknown) {
        const std::u32string folded = Compute(c);
        entry = static_cast<std::uint32_t>(pool_.size()) << 8 |
                static_cast<std::uint32_t>(folded.size());
        pool_ += folded;
    }
    return std::u32string_view(pool_).substr(entry >> 8, entry & 0xFF);
}

std::u32string TextFolder::FoldTerm(std::string_view utf8) {
    std::u32string term;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT_OR_FFFD(bytes, i, length, c);
        for (const char32_t unit : Fold(static_cast<char32_t>(c))) {
            if (unit == U' ' && (term.empty() || term.back() == U' ')) {
                continue;
            }
            term += unit;
        }
    }
    while (!term.empty() && term.back() == U' ') {
        term.pop_back();
    }
    return term;
}

bool IsSearchSpace(char32_t c) {
    if (c < 0x80) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    }
    return u_isUWhiteSpace(static_cast<UChar32>(c));
}

void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace quirelle
