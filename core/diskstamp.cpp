#include "core/diskstamp.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace lorix {

namespace {

// File systems keep modification times as coarse as two seconds: a write
// that close to the stamp may not have moved the time.
constexpr std::int64_t kTimeGrainNs = 2'000'000'000;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Everything but the digest; Exists false when there is no regular file.
DiskStamp StatOnly(const std::string& path)
{
    DiskStamp d;
    d.TakenNs = NowNs();
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return d;
    d.Exists = true;
    d.Size = static_cast<std::uintmax_t>(st.st_size);
    d.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    d.Device = static_cast<std::uint64_t>(st.st_dev);
    d.Inode = static_cast<std::uint64_t>(st.st_ino);
    return d;
}

// The file is read in pieces of kDigestPiece, each hashed and folded into
// the digest in order: a library of a gigabyte is never in memory twice.
constexpr size_t kDigestPiece = 1 << 20;

bool Digest(const std::string& path, std::uint64_t& digest)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    const auto piece = std::make_unique_for_overwrite<char[]>(kDigestPiece);
    std::uint64_t h = 14695981039346656037ull;
    size_t n;
    while ((n = std::fread(piece.get(), 1, kDigestPiece, f)) > 0)
        h = (h ^ std::hash<std::string_view>{}(std::string_view(piece.get(), n))) * 1099511628211ull + n;
    const bool failed = std::ferror(f);
    std::fclose(f);
    digest = h;
    return !failed;
}

} // namespace

DiskStamp TakeDiskStamp(const std::string& path)
{
    DiskStamp d = StatOnly(path);
    if (d.Exists && !Digest(path, d.Digest))
        d = DiskStamp{.TakenNs = d.TakenNs};
    return d;
}

bool ChangedOnDisk(DiskStamp& stamp, const std::string& path)
{
    DiskStamp now = StatOnly(path);
    if (now.Exists != stamp.Exists)
        return true;
    if (!now.Exists)
        return false;
    if (now.Size != stamp.Size)
        return true;
    const bool sameFile = now.Device == stamp.Device && now.Inode == stamp.Inode;
    const bool settled = stamp.ModifiedNs + kTimeGrainNs < stamp.TakenNs;
    if (sameFile && now.ModifiedNs == stamp.ModifiedNs && settled)
        return false;
    if (!Digest(path, now.Digest) || now.Digest != stamp.Digest)
        return true;
    stamp = now; // the same bytes: remember the time they have now
    return false;
}

bool SameFilePath(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(a, ea);
    const fs::path pb = fs::weakly_canonical(b, eb);
    return !ea && !eb && pa == pb;
}

} // namespace lorix
