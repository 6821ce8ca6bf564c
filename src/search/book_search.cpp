#include "search/book_search.hpp"

#include <algorithm>
#include <memory>

#include "document/document_tree.hpp"
#include "package/archive_reader.hpp"
#include "search/document_search.hpp"
#include "search/hidden_elements.hpp"
#include "style/sheet_cache.hpp"
#include "style/style_resolver.hpp"

namespace quirelle {

BookSearch::BookSearch(std::string bookPath, std::vector<DocumentEntry> documents, std::string term,
                       SearchOptions options, DocumentSink onDocument, DoneSink onDone,
                       unsigned threads)
    : bookPath_(std::move(bookPath)),
      documents_(std::move(documents)),
      term_(std::move(term)),
      options_(options),
      onDocument_(std::move(onDocument)),
      onDone_(std::move(onDone)),
      waiting_(documents_.size()) {
    if (threads == 0) {
        threads = std::max(1u, std::thread::hardware_concurrency());
    }
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, documents_.size()));
    if (threads == 0) {
        // Nothing to search, but the caller still learns that the search is over.
        if (onDone_) {
            onDone_();
        }
        return;
    }
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

BookSearch::~BookSearch() {
    Cancel();
    Wait();
}

void BookSearch::Cancel() {
    cancelled_ = true;
    // A delivery under way on a worker ends before this returns.
    const std::lock_guard lock(delivery_);
}

void BookSearch::Wait() {
    for (std::jthread& worker : workers_) {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) {
            worker.join();
        }
    }
}

void BookSearch::Work() {
    ArchiveReader archive(bookPath_);
    SheetCache sheets;
    DocumentSearcher searcher(term_, options_);
    HiddenElements hidden;
    const MemberReader read = [&archive](std::string_view path) { return archive.Read(path); };
    while (!cancelled_.load(std::memory_order_relaxed)) {
        const std::size_t index = next_.fetch_add(1);
        if (index >= documents_.size()) {
            break;
        }
        const DocumentEntry& entry = documents_[index];
        DocumentHits result;
        result.document = static_cast<int>(index);
        if (searcher.HasTerm() &&
            ContentKindOf(entry.mediaType, entry.href) == ContentKind::Document) {
            std::optional<DocumentTree> tree;
            if (const std::optional<std::string> text = archive.Read(entry.href)) {
                tree = DocumentTree::Parse(*text);
            }
            result.read = tree.has_value();
            if (tree) {
                hidden.Prepare(options_.bookSheets
                                   ? DocumentSheets(*tree, entry.href, read, &sheets)
                                   : std::vector<std::shared_ptr<const CssSheet>>(),
                               *tree);
                result.hits = searcher.Search(*tree, hidden, &cancelled_);
                for (SearchHit& hit : result.hits) {
                    hit.document = result.document;
                    hit.href = entry.href;
                }
            }
        }
        Deliver(std::move(result));
    }
}

void BookSearch::Deliver(DocumentHits&& result) {
    const std::lock_guard lock(delivery_);
    waiting_[static_cast<std::size_t>(result.document)] = std::move(result);
    while (delivered_ < waiting_.size() && waiting_[delivered_]) {
        if (cancelled_) {
            return;
        }
        DocumentHits ready = std::move(*waiting_[delivered_]);
        waiting_[delivered_].reset();
        ++delivered_;
        if (onDocument_) {
            onDocument_(std::move(ready));
        }
    }
    if (delivered_ == waiting_.size() && !cancelled_ && onDone_) {
        onDone_();
    }
}

std::vector<DocumentHits> SearchBook(const std::string& bookPath,
                                     const std::vector<DocumentEntry>& documents,
                                     const std::string& term, const SearchOptions& options) {
    std::vector<DocumentHits> found;
    BookSearch search(bookPath, documents, term, options,
                      [&found](DocumentHits&& result) { found.push_back(std::move(result)); });
    search.Wait();
    return found;
}

}  // namespace quirelle
