#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/reading_place.hpp"

namespace quirelle {

// Back and Forward through the places the reader jumped from, as a browser keeps them: a jump
// keeps the place left and forgets the places ahead.
class ReadingHistory {
  public:
    // A long reading session keeps this many places back; the oldest go first.
    static constexpr std::size_t kMaxPlaces = 1000;

    // A jump away from `left`.
    void Leave(const ReadingPlace& left);
    // The place to go back to, with `current` kept for Forward; nothing when there is none.
    std::optional<ReadingPlace> Back(const ReadingPlace& current);
    // The place to go forward to, with `current` kept for Back; nothing when there is none.
    std::optional<ReadingPlace> Forward(const ReadingPlace& current);

    bool CanGoBack() const { return !back_.empty(); }
    bool CanGoForward() const { return !forward_.empty(); }
    void Clear();

  private:
    std::vector<ReadingPlace> back_;
    std::vector<ReadingPlace> forward_;
};

}  // namespace quirelle
