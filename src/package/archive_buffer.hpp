#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>

namespace quirelle {

struct FreeBytes {
    void operator()(char* bytes) const { std::free(bytes); }
};
using ZeroedBytes = std::unique_ptr<char[], FreeBytes>;

// `size` zero bytes, or null when there is no memory for them. They come from calloc: the large
// buffers (the 8 MB document buffer) then cost memory only for the pages a document fills,
// where clearing them would have touched every page.
inline ZeroedBytes AllocateZeroed(std::size_t size) {
    return ZeroedBytes(static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1)));
}

// The bytes of one archive member, always followed by at least one zero byte so that the text can
// be handed to C parsers as a string.
struct ArchiveBuffer {
    ZeroedBytes data;
    std::uint32_t size = 0;    // bytes of the member (for a loaded document: its text length)
    std::size_t capacity = 0;  // bytes that data can hold, the terminating NUL included

    // A zero-filled buffer of a fixed capacity, owned by whoever keeps it (the view's document
    // buffer, the cover's buffer).
    static ArchiveBuffer WithCapacity(std::size_t capacity) {
        ArchiveBuffer buffer;
        buffer.data = AllocateZeroed(capacity);
        if (!buffer.data) {
            throw std::bad_alloc();
        }
        buffer.capacity = capacity;
        return buffer;
    }

    std::string_view Text() const {
        return data ? std::string_view(data.get(), size) : std::string_view();
    }
};

}  // namespace quirelle
