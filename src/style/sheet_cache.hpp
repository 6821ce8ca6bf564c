#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "style/css_sheet.hpp"

namespace quirelle {

// The book's sheets as read, by member path: the chapters of a book link the same few sheets,
// which need not be read again for each chapter laid out. A holder keeps one per book and
// clears it when another book opens.
class SheetCache {
  public:
    // Past this many sheets nothing more is kept (a hostile book may name thousands).
    static constexpr std::size_t kMaxSheets = 256;

    std::shared_ptr<const CssSheet> Find(const std::string& path) const {
        const auto found = sheets_.find(path);
        return found == sheets_.end() ? nullptr : found->second;
    }
    void Keep(const std::string& path, std::shared_ptr<const CssSheet> sheet) {
        if (sheets_.size() < kMaxSheets) {
            sheets_.emplace(path, std::move(sheet));
        }
    }
    void Clear() { sheets_.clear(); }

  private:
    std::unordered_map<std::string, std::shared_ptr<const CssSheet>> sheets_;
};

}  // namespace quirelle
