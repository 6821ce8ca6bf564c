#pragma once

namespace quirelle {

// Asks the C allocator to keep freed blocks of up to 32 MB in the heap for the next allocation,
// rather than map and unmap each one. Decoded pictures are blocks of a few megabytes, made and
// dropped by the hundred while a book is exported, and a layout's arrays are megabytes that the
// next layout (a new page, a new width) needs again; left to itself the allocator hands them
// back, and the kernel clears every page again when they are wanted, which took as long as
// laying the text out. Past 64 MB free at the top of the heap, memory goes back.
void KeepFreedMemoryForReuse();

}  // namespace quirelle
