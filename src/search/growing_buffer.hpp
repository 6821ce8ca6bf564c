#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace quirelle {

// An array of plain values that keeps its memory from use to use and leaves what it grows by
// unset: text is gathered into room made for a whole run at a time, and zeroing that room
// first cost as much as filling it.
template <typename T>
class GrowingBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T back() const { return data_[size_ - 1]; }
    const T* begin() const { return data_.get(); }
    const T* end() const { return data_.get() + size_; }

    void clear() { size_ = 0; }
    // Elements past the old size are unset until written.
    void resize(std::size_t size) {
        if (size > capacity_) {
            const std::size_t capacity = std::max(size, capacity_ * 2);
            auto grown = std::make_unique_for_overwrite<T[]>(capacity);
            if (size_ > 0) {
                std::memcpy(grown.get(), data_.get(), size_ * sizeof(T));
            }
            data_ = std::move(grown);
            capacity_ = capacity;
        }
        size_ = size;
    }

  private:
    std::unique_ptr<T[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace quirelle
