#include "view/reading_history.hpp"

namespace quirelle {

void ReadingHistory::Leave(const ReadingPlace& left) {
    // Following two links from the same place leaves it once.
    if (back_.empty() || !(back_.back() == left)) {
        back_.push_back(left);
    }
    if (back_.size() > kMaxPlaces) {
        back_.erase(back_.begin());
    }
    forward_.clear();
}

std::optional<ReadingPlace> ReadingHistory::Back(const ReadingPlace& current) {
    if (back_.empty()) {
        return std::nullopt;
    }
    const ReadingPlace place = back_.back();
    back_.pop_back();
    forward_.push_back(current);
    return place;
}

std::optional<ReadingPlace> ReadingHistory::Forward(const ReadingPlace& current) {
    if (forward_.empty()) {
        return std::nullopt;
    }
    const ReadingPlace place = forward_.back();
    forward_.pop_back();
    back_.push_back(current);
    return place;
}

void ReadingHistory::Clear() {
    back_.clear();
    forward_.clear();
}

}  // namespace quirelle
