// Memory freed by a program stays with the process until the allocator hands it back, which it
// does by itself only from the top of its heaps: after a large, short-lived structure (the listing
// of a directory of many thousands of files) the pages it used would stay resident, and repeated
// large listings, made on different threads, would grow a long-running process without bound.
#pragma once

namespace ostrel {

// Hands the pages of freed memory back to the system, in every heap of the process. Costs time in
// proportion to the heaps' size: for after the release of large structures, not for every one.
void ReturnFreedMemory() noexcept;

}  // namespace ostrel
