#pragma once
// What a library file looked like on disk when the program last read or
// wrote it: size, modification time, file identity and a digest of the
// content. A save compares it with the file as it is now, so that a change
// made by another program is never overwritten without a question.

#include <cstdint>
#include <string>

namespace lorix {

struct DiskStamp {
    bool Exists = false;
    std::uintmax_t Size = 0;
    std::int64_t ModifiedNs = 0; // modification time, nanoseconds since the epoch
    std::uint64_t Device = 0, Inode = 0;
    std::uint64_t Digest = 0; // of the whole content
    std::int64_t TakenNs = 0; // when the stamp was taken, on the same clock
};

// The stamp of the file at path as it is now; Exists is false when there is
// no regular file there (or it cannot be read).
DiskStamp TakeDiskStamp(const std::string& path);

// Whether the file at path differs from what the stamp describes. Size, time
// and identity unchanged count as unchanged without reading the file, unless
// the file was written so shortly before the stamp was taken that a later
// write may have kept its time; otherwise the content decides, so a file
// written again with the same bytes (a copy, a touch) is no change. A stamp
// found unchanged by its content takes the file's new time, so the file is
// read again only after it was written again.
bool ChangedOnDisk(DiskStamp& stamp, const std::string& path);

// Whether two names lead to the same file (or, for files that do not exist,
// to the same place).
bool SameFilePath(const std::string& a, const std::string& b);

} // namespace lorix
