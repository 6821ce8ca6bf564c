#include "search/document_search.hpp"

#include <unicode/brkiter.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace quirelle {

namespace {

// Elements that start and end a block of their own on the page, as the reader's own sheet
// lays them out; `br` ends a line, which a match must not run across either.
constexpr std::array<std::string_view, 53> kBlockNames = {
    "html",    "body",      "address", "blockquote", "center",     "div",     "figure",  "footer",
    "form",    "header",    "hr",      "legend",     "figcaption", "listing", "main",    "p",
    "pre",     "plaintext", "search",  "xmp",        "dialog",     "details", "summary", "fieldset",
    "article", "aside",     "h1",      "h2",         "h3",         "h4",      "h5",      "h6",
    "hgroup",  "nav",       "section", "dir",        "dd",         "dl",      "dt",      "menu",
    "ol",      "ul",        "li",      "table",      "caption",    "thead",   "tbody",   "tfoot",
    "tr",      "td",        "th",      "br",         "option"};

// What a few words around a hit may take on each side, in code points and in words.
constexpr std::size_t kContextReach = 60;
constexpr int kContextWords = 5;

// Text is gathered this many bytes at a time, and a block longer than kLongBlock code points is
// matched before it ends.
constexpr std::size_t kTextPiece = 64 * 1024;
constexpr std::size_t kLongBlock = 256 * 1024;

// Chinese and Japanese put no spaces between words: a hit beside one of their letters is a
// whole word whatever the dictionary of word breaks says.
bool WithoutSpaces(char32_t c) {
    if (c < 0x2E80) {
        return false;
    }
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    return script == USCRIPT_HAN || script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA;
}

}  // namespace

// The word boundaries of the current block, found by ICU when the first hit needs them.
struct DocumentSearcher::WordBreaks {
    std::unique_ptr<icu::BreakIterator> iterator;
    icu::UnicodeString text;
    // Per code point of the block, where it starts in `text`; one more for the end.
    std::vector<std::int32_t> units;
    bool ready = false;

    WordBreaks() {
        UErrorCode status = U_ZERO_ERROR;
        iterator.reset(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            iterator.reset();
        }
    }

    bool IsBoundary(std::u32string_view shown, std::size_t index) {
        if (!iterator) {
            return true;
        }
        if (!ready) {
            text.remove();
            units.clear();
            for (const char32_t c : shown) {
                units.push_back(text.length());
                text.append(static_cast<UChar32>(c));
            }
            units.push_back(text.length());
            iterator->setText(text);
            ready = true;
        }
        return iterator->isBoundary(units[index]);
    }
};

DocumentSearcher::DocumentSearcher(std::string_view term, const SearchOptions& options)
    : options_(options), folder_(options.matchCase), words_(std::make_unique<WordBreaks>()) {
    term_ = folder_.FoldTerm(term);
}

DocumentSearcher::~DocumentSearcher() = default;

std::vector<SearchHit> DocumentSearcher::Search(const DocumentTree& tree,
                                                const HiddenElements& hidden,
                                                const std::atomic<bool>* cancelled) {
    std::vector<SearchHit> hits;
    hits_ = &hits;
    cancelled_ = cancelled;
    offset_ = 0;
    nameKinds_.clear();
    shown_.clear();
    shownOffset_.clear();
    folded_.clear();
    foldedFrom_.clear();
    skipBefore_ = 0;
    if (tree.root() != kNoNode && !term_.empty()) {
        if (hidden.IsHidden(tree, tree.root())) {
            return hits;
        }
        Walk(tree, tree.root(), hidden);
        EndBlock();
    }
    hits_ = nullptr;
    return hits;
}

bool DocumentSearcher::IsBlock(const DocumentTree& tree, NodeIndex element) {
    const NameId local = tree.name(element).local;
    if (local >= nameKinds_.size()) {
        nameKinds_.resize(local + 1, 0);
    }
    std::uint8_t& kind = nameKinds_[local];
    if (kind == 0) {
        const std::string_view name = tree.Text(local);
        kind = std::find(kBlockNames.begin(), kBlockNames.end(), name) != kBlockNames.end() ? 2 : 1;
    }
    return kind == 2;
}

void DocumentSearcher::Walk(const DocumentTree& tree, NodeIndex parent,
                            const HiddenElements& hidden) {
    for (NodeIndex child = tree.firstChild(parent); child != kNoNode;
         child = tree.nextSibling(child)) {
        if (!tree.IsElement(child)) {
            // A run of text is taken a piece at a time, and a block grown long is matched as
            // it goes: a hostile book's megabytes without a break never sit in the buffers
            // whole.
            std::string_view text = tree.TextOf(child);
            while (!text.empty()) {
                std::size_t piece = std::min(text.size(), kTextPiece);
                while (piece < text.size() &&
                       (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80) {
                    ++piece;
                }
                AddText(text.substr(0, piece));
                text.remove_prefix(piece);
                if (shown_.size() > kLongBlock) {
                    MatchBlock(false);
                }
            }
            continue;
        }
        if (hidden.IsHidden(tree, child)) {
            Skip(tree, child);
            continue;
        }
        const bool block = IsBlock(tree, child);
        if (block) {
            EndBlock();
        }
        Walk(tree, child, hidden);
        if (block) {
            EndBlock();
        }
    }
}

void DocumentSearcher::Skip(const DocumentTree& tree, NodeIndex parent) {
    for (NodeIndex child = tree.firstChild(parent); child != kNoNode;
         child = tree.nextSibling(child)) {
        if (tree.IsElement(child)) {
            Skip(tree, child);
            continue;
        }
        // Expat hands over well-formed UTF-8: every byte but a continuation starts a code point.
        for (const char byte : tree.TextOf(child)) {
            offset_ += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
        }
    }
}

void DocumentSearcher::AddText(std::string_view text) {
    // Room up front for a code point per byte, folding to one unit each (the rare longer
    // foldings grow it), so that the loop below mostly only stores.
    std::size_t shown = shown_.size();
    std::size_t folded = folded_.size();
    shown_.resize(shown + text.size());
    shownOffset_.resize(shown + text.size());
    folded_.resize(folded + text.size() + 4);
    foldedFrom_.resize(folded_.size());
    char32_t* shownOut = shown_.data();
    std::uint32_t* offsetOut = shownOffset_.data();
    char32_t* foldedOut = folded_.data();
    std::uint32_t* fromOut = foldedFrom_.data();

    const bool lowerAscii = !options_.matchCase;
    // A local count: stores through the output pointers could otherwise alias the member.
    std::uint32_t offset = offset_;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        char32_t c = bytes[i];
        bool space = false;
        std::u32string_view units;
        if (c < 0x80) {
            ++i;
            space = c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f';
            if (!space) {
                // Most books are mostly ASCII: its letters fold without the table.
                fromOut[folded] = static_cast<std::uint32_t>(shown);
                foldedOut[folded++] = lowerAscii && c >= 'A' && c <= 'Z' ? c + 32 : c;
                shownOut[shown] = c;
                offsetOut[shown++] = offset++;
                continue;
            }
        } else {
            UChar32 decoded = 0;
            U8_NEXT_OR_FFFD(bytes, i, length, decoded);
            c = static_cast<char32_t>(decoded);
            units = folder_.Fold(c);
            // Every kind of white space folds to one blank.
            space = units.size() == 1 && units[0] == U' ';
        }
        const std::uint32_t at = offset++;
        if (space) {
            if (shown > 0 && shownOut[shown - 1] != U' ') {
                fromOut[folded] = static_cast<std::uint32_t>(shown);
                foldedOut[folded++] = U' ';
                shownOut[shown] = U' ';
                offsetOut[shown++] = at;
            }
            continue;
        }
        if (folded + units.size() > folded_.size()) {
            folded_.resize(folded + units.size() + text.size());
            foldedFrom_.resize(folded_.size());
            foldedOut = folded_.data();
            fromOut = foldedFrom_.data();
        }
        for (const char32_t unit : units) {
            fromOut[folded] = static_cast<std::uint32_t>(shown);
            foldedOut[folded++] = unit;
        }
        shownOut[shown] = c;
        offsetOut[shown++] = at;
    }
    offset_ = offset;
    shown_.resize(shown);
    shownOffset_.resize(shown);
    folded_.resize(folded);
    foldedFrom_.resize(folded);
}

void DocumentSearcher::EndBlock() {
    MatchBlock(true);
}

void DocumentSearcher::MatchBlock(bool blockEnds) {
    // Hits starting before this index of `shown_` are matched now; a block that goes on keeps
    // its last stretch, for the hits that may run on into the text still to come and for the
    // context before them.
    std::size_t reportBefore = shown_.size();
    std::size_t keepFrom = shown_.size();
    if (!blockEnds) {
        const std::size_t margin = term_.size() + 4 * kContextReach;
        if (folded_.size() <= margin) {
            return;
        }
        reportBefore = foldedFrom_[folded_.size() - margin];
        keepFrom = reportBefore > kContextReach ? reportBefore - kContextReach : 0;
        if (keepFrom <= skipBefore_) {
            return;
        }
    }
    if (!folded_.empty() && !(cancelled_ && cancelled_->load(std::memory_order_relaxed))) {
        words_->ready = false;
        const std::u32string_view folded(folded_.data(), folded_.size());
        std::size_t previousFirst = 0;
        std::size_t previousEnd = 0;
        for (std::size_t at = folded.find(term_); at != std::u32string_view::npos;) {
            const std::size_t first = foldedFrom_[at];
            if (first >= reportBefore) {
                break;
            }
            std::size_t end = foldedFrom_[at + term_.size() - 1] + 1;
            // The marks on the last letter belong to the hit, though they fold to nothing.
            const std::size_t after = at + term_.size();
            end = std::max<std::size_t>(end,
                                        after < folded.size() ? foldedFrom_[after] : shown_.size());
            // Before `skipBefore_` the text was matched in the last round.
            if (first < skipBefore_ ||
                (options_.wholeWords && !(AtWordEdge(first) && AtWordEdge(end)))) {
                at = folded.find(term_, at + 1);
                continue;
            }
            // "s" finds both letters "ß" folds to: the reader sees one place.
            if (first != previousFirst || end != previousEnd) {
                AddHit(first, end);
                previousFirst = first;
                previousEnd = end;
            }
            at = folded.find(term_, at + term_.size());
        }
    }
    if (blockEnds) {
        shown_.clear();
        shownOffset_.clear();
        folded_.clear();
        foldedFrom_.clear();
        skipBefore_ = 0;
        return;
    }
    // The kept stretch moves to the front.
    const std::size_t kept = shown_.size() - keepFrom;
    std::memmove(shown_.data(), shown_.data() + keepFrom, kept * sizeof(char32_t));
    std::memmove(shownOffset_.data(), shownOffset_.data() + keepFrom, kept * sizeof(std::uint32_t));
    shown_.resize(kept);
    shownOffset_.resize(kept);
    const std::size_t foldedFrom =
        static_cast<std::size_t>(std::lower_bound(foldedFrom_.begin(), foldedFrom_.end(),
                                                  static_cast<std::uint32_t>(keepFrom)) -
                                 foldedFrom_.begin());
    const std::size_t foldedKept = folded_.size() - foldedFrom;
    std::memmove(folded_.data(), folded_.data() + foldedFrom, foldedKept * sizeof(char32_t));
    for (std::size_t i = 0; i < foldedKept; ++i) {
        foldedFrom_[i] = foldedFrom_[foldedFrom + i] - static_cast<std::uint32_t>(keepFrom);
    }
    folded_.resize(foldedKept);
    foldedFrom_.resize(foldedKept);
    skipBefore_ = reportBefore - keepFrom;
}

bool DocumentSearcher::AtWordEdge(std::size_t index) {
    if (index == 0 || index >= shown_.size()) {
        return true;
    }
    if (WithoutSpaces(shown_[index - 1]) || WithoutSpaces(shown_[index])) {
        return true;
    }
    return words_->IsBoundary(std::u32string_view(shown_.data(), shown_.size()), index);
}

void DocumentSearcher::AddHit(std::size_t first, std::size_t end) {
    SearchHit hit;
    hit.offset = shownOffset_[first];
    hit.end = shownOffset_[end - 1] + 1;

    // A few words before the hit: back to the blank before the sixth word, or as far as the
    // reach allows, then forward to a word's start when the reach cut one.
    std::size_t from = first;
    int blanks = 0;
    while (from > 0 && first - from < kContextReach) {
        if (shown_[from - 1] == U' ' && ++blanks > kContextWords) {
            break;
        }
        --from;
    }
    if (from > 0 && shown_[from - 1] != U' ') {
        const std::size_t blank = std::u32string_view(shown_.data(), first).find(U' ', from);
        if (blank < first) {
            from = blank + 1;
        }
    }
    while (from < first && shown_[from] == U' ') {
        ++from;
    }
    std::size_t to = end;
    blanks = 0;
    while (to < shown_.size() && to - end < kContextReach) {
        if (shown_[to] == U' ' && ++blanks > kContextWords) {
            break;
        }
        ++to;
    }
    if (to < shown_.size() && shown_[to] != U' ') {
        const std::size_t blank = std::u32string_view(shown_.data(), shown_.size()).rfind(U' ', to);
        if (blank != std::u32string_view::npos && blank >= end) {
            to = blank;
        }
    }
    while (to > end && shown_[to - 1] == U' ') {
        --to;
    }
    for (std::size_t i = from; i < to; ++i) {
        AppendCodePoint(hit.context, shown_[i]);
    }
    hit.contextStart = static_cast<std::uint32_t>(first - from);
    hit.contextLength = static_cast<std::uint32_t>(end - first);
    hits_->push_back(std::move(hit));
}

}  // namespace quirelle
