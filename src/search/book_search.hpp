#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "package/book.hpp"
#include "search/search_query.hpp"

namespace quirelle {

// What a search found in one document of the reading order.
struct DocumentHits {
    int document = 0;
    // False when the member could not be read: its text was not searched.
    bool read = true;
    std::vector<SearchHit> hits;
};

// A search of every document of a book, on worker threads of its own: each worker opens the
// archive for itself, then takes the next document not yet taken, reads it, parses it once and
// matches its shown text, holding one document at a time. Results are handed over in reading
// order as soon as every document before them is done; a document found early waits as hits,
// never as text.
class BookSearch {
  public:
    // Called once per document in reading order, pictures and unreadable members included, on
    // one of the workers (one call at a time).
    using DocumentSink = std::function<void(DocumentHits&&)>;
    // Called after the last document, unless the search was cancelled first.
    using DoneSink = std::function<void()>;

    // Starts at once. `threads` 0 takes one worker per core.
    BookSearch(std::string bookPath, std::vector<DocumentEntry> documents, std::string term,
               SearchOptions options, DocumentSink onDocument, DoneSink onDone = {},
               unsigned threads = 0);
    // Cancels, and waits for the workers, each of which stops within a block of text.
    ~BookSearch();
    BookSearch(const BookSearch&) = delete;
    BookSearch& operator=(const BookSearch&) = delete;

    // No sink is called once this returns (a sink may call it).
    void Cancel();
    // Waits until every worker has ended: the search is done or was cancelled.
    void Wait();

  private:
    void Work();
    void Deliver(DocumentHits&& result);

    const std::string bookPath_;
    const std::vector<DocumentEntry> documents_;
    const std::string term_;
    const SearchOptions options_;
    DocumentSink onDocument_;
    DoneSink onDone_;

    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> next_{0};
    // Recursive, so that a sink that cancels does not wait for itself.
    std::recursive_mutex delivery_;
    std::vector<std::optional<DocumentHits>> waiting_;  // done, not yet handed over
    std::size_t delivered_ = 0;
    std::vector<std::jthread> workers_;
};

// The same, run to the end on the calling thread's behalf: every document's hits in order.
std::vector<DocumentHits> SearchBook(const std::string& bookPath,
                                     const std::vector<DocumentEntry>& documents,
                                     const std::string& term, const SearchOptions& options);

}  // namespace quirelle
