#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/reading_place.hpp"

namespace quirelle {

// The place of every book the user read, and which book was read last, kept in the file
// "places" of the user's state folder: each book's place survives the program, and starting
// without a file reopens the last book.
class PlaceStore {
  public:
    // Books beyond this many, the longest unread first, are forgotten: the file stays small.
    static constexpr std::size_t kMaxBooks = 500;

    // $XDG_STATE_HOME/quirelle/places, else ~/.local/state/quirelle/places.
    static std::filesystem::path DefaultFile();

    // Reads `file`. A missing file is an empty store; a damaged line is skipped, so that one
    // bad record loses its own place and nothing else.
    static PlaceStore Load(const std::filesystem::path& file);

    // Writes the store whole to its file, through a new file renamed over the old one, so that
    // a crash leaves the old store or the new one. False (and the file as it was) on failure.
    bool Save() const;

    std::optional<ReadingPlace> Find(std::string_view bookKey) const;
    // Keeps `place` as the book's, and the book as the one read last.
    void Remember(std::string_view bookKey, const std::string& bookPath, ReadingPlace place);
    // The path of the book read last; empty when there is none.
    std::string LastBook() const;

  private:
    struct Record {
        std::string key;
        std::string path;
        ReadingPlace place;
    };
    std::filesystem::path file_;
    std::vector<Record> records_;  // the book read last first
};

// The key a book's place is kept under: the package's unique identifier, else a digest of the
// file's bytes (a book without one is still the same book after a move or a rename).
std::string BookKey(std::string_view uniqueIdentifier, const std::filesystem::path& bookFile);

}  // namespace quirelle
