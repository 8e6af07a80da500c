#pragma once

namespace lorix {

// Makes malloc back large heaps with transparent huge pages by re-executing
// the program once with glibc.malloc.hugetlb=1 added to GLIBC_TUNABLES.
// Returns normally when the tunable is already set, on other systems, or when
// the re-exec fails. Call it first thing in main, before any thread starts.
void PreferHugePages(int argc, char** argv);

// A write past the file-size limit (ulimit -f) raises SIGXFSZ, which ends the
// process in the middle of a save and leaves its temporary file behind.
// Ignored, the write fails with EFBIG instead and the save reports it.
void IgnoreFileSizeSignal();

} // namespace lorix
