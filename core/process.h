#pragma once

namespace lorix {

// Allocations of at least kHugeBufferBytes through operator new (the text of
// a library written, the item array, ...) are mappings of their own; while
// they and the heap are small, they are advised to the kernel as huge-page
// memory before they are first touched (process.cpp says when that stops).
// On by default; the switch is for measuring what it gains.
inline constexpr unsigned long kHugeBufferBytes = 4ul << 20;
void SetHugeBuffers(bool on);

// A write past the file-size limit (ulimit -f) raises SIGXFSZ, which ends the
// process in the middle of a save and leaves its temporary file behind.
// Ignored, the write fails with EFBIG instead and the save reports it.
void IgnoreFileSizeSignal();

} // namespace lorix
