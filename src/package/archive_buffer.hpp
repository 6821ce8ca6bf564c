#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace quirelle {

// The bytes of one archive member, always followed by at least one zero byte so that the text can
// be handed to C parsers as a string.
struct ArchiveBuffer {
    std::unique_ptr<char[]> data;
    std::uint32_t size = 0;    // bytes of the member (for a loaded document: its text length)
    std::size_t capacity = 0;  // bytes that data can hold, the terminating NUL included

    // A zero-filled buffer of a fixed capacity, owned by whoever keeps it (the view's document
    // buffer, the cover's buffer).
    static ArchiveBuffer WithCapacity(std::size_t capacity) {
        ArchiveBuffer buffer;
        buffer.data = std::make_unique<char[]>(capacity);  // value-initialised: all zero
        buffer.capacity = capacity;
        return buffer;
    }

    std::string_view Text() const {
        return data ? std::string_view(data.get(), size) : std::string_view();
    }
};

}  // namespace quirelle
