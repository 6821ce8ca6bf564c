#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_tree.hpp"
#include "search/growing_buffer.hpp"
#include "search/hidden_elements.hpp"
#include "search/search_query.hpp"
#include "search/text_folding.hpp"

namespace quirelle {

// Finds a term in parsed documents, one after another, reusing its buffers and the folding it
// has learnt. Text is matched a block at a time (a paragraph, a heading, a cell: what a line
// break or a block element ends), over the shown text of the whole block, so that a word split
// by markup ("<i>wh</i>ale") is found and one paragraph never runs into the next. One searcher
// per thread.
class DocumentSearcher {
  public:
    DocumentSearcher(std::string_view term, const SearchOptions& options);
    ~DocumentSearcher();
    DocumentSearcher(const DocumentSearcher&) = delete;
    DocumentSearcher& operator=(const DocumentSearcher&) = delete;

    // False for a term that folds to nothing (blanks, marks alone): it matches nowhere.
    bool HasTerm() const { return !term_.empty(); }

    // The hits of one document in document order (their document and href left to the caller).
    // `hidden` must be prepared for this tree. Once `cancelled` is set it stops at the next
    // block, with what it found so far.
    std::vector<SearchHit> Search(const DocumentTree& tree, const HiddenElements& hidden,
                                  const std::atomic<bool>* cancelled = nullptr);

  private:
    struct WordBreaks;

    void Walk(const DocumentTree& tree, NodeIndex parent, const HiddenElements& hidden);
    void Skip(const DocumentTree& tree, NodeIndex parent);
    void AddText(std::string_view text);
    bool IsBlock(const DocumentTree& tree, NodeIndex element);
    // Matches the block gathered so far and starts the next.
    void EndBlock();
    // Matches the block, or while it goes on (`blockEnds` false) what of it can no longer be
    // part of a hit still to come.
    void MatchBlock(bool blockEnds);
    bool AtWordEdge(std::size_t shownIndex);
    void AddHit(std::size_t first, std::size_t end);

    std::u32string term_;
    SearchOptions options_;
    TextFolder folder_;
    std::unique_ptr<WordBreaks> words_;
    const std::atomic<bool>* cancelled_ = nullptr;
    std::vector<SearchHit>* hits_ = nullptr;

    // The document's character data so far, in code points.
    std::uint32_t offset_ = 0;
    // The block: its shown text (white space collapsed) with the offset of each code point, and
    // that text folded with the index in `shown_` each folded unit came from.
    GrowingBuffer<char32_t> shown_;
    GrowingBuffer<std::uint32_t> shownOffset_;
    GrowingBuffer<char32_t> folded_;
    GrowingBuffer<std::uint32_t> foldedFrom_;
    // The start of `shown_` kept from a long block's last round, already matched.
    std::size_t skipBefore_ = 0;
    // Per local name of the tree: 0 not known yet, 1 inline, 2 a block.
    std::vector<std::uint8_t> nameKinds_;
};

}  // namespace quirelle
