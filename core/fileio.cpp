#include "core/fileio.h"

#include "core/errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lorix {

namespace {

std::string ErrnoText(int err)
{
    return std::strerror(err);
}

std::string KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a plain file";
}

// Splits a path into its folder ("" for the working folder) and its own name.
std::pair<std::string, std::string> SplitPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

// Temporary files of a file are named ".lorix-HASH-RANDOM.tmp", HASH standing
// for the file's own name: short enough for any name the folder can hold,
// and recognisable as belonging to that file when a killed save left one.
std::string TempPrefix(const std::string& fileName)
{
    std::uint32_t h = 2166136261u; // FNV-1a
    for (unsigned char c : fileName)
        h = (h ^ c) * 16777619u;
    char buf[32];
    std::snprintf(buf, sizeof buf, ".lorix-%08x-", static_cast<unsigned>(h));
    return buf;
}

std::string TempName(const std::string& dir, const std::string& fileName)
{
    static std::mt19937_64 rng{std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32)};
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = TempPrefix(fileName);
    std::uint64_t r = rng();
    for (int i = 0; i < 8; ++i, r /= 36)
        name += digits[r % 36];
    return JoinPath(dir, name + ".tmp");
}

// name is stem followed by one or more digits: the temporary names that
// earlier versions of the program gave (".NAME.tmp123", ".NAME.saving.tmp123").
bool OldTempName(std::string_view name, std::string_view stem)
{
    if (name.size() <= stem.size() || name.substr(0, stem.size()) != stem)
        return false;
    for (char c : name.substr(stem.size()))
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Removes the temporary files that killed saves of fileName left in dir. A
// writer holds a lock on its temporary file for as long as it lives, so a
// file nobody holds locked belongs to no running save.
void RemoveStaleTemps(const std::string& dir, const std::string& fileName)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    const std::string prefix = TempPrefix(fileName);
    const std::string old = "." + fileName + ".tmp", oldSaving = "." + fileName + ".saving.tmp";
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        const bool ours = (name.size() > prefix.size() + 4 && name.substr(0, prefix.size()) == prefix &&
                           name.substr(name.size() - 4) == ".tmp") ||
                          OldTempName(name, old) || OldTempName(name, oldSaving);
        if (!ours)
            continue;
        const std::string full = JoinPath(dir, std::string(name));
        int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            fd = ::open(full.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

// Creates and locks a new temporary file for fileName in dir.
int CreateTemp(const std::string& dir, const std::string& fileName, std::string& tmp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = TempName(dir, fileName);
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // The lock lives as long as the descriptor: the mark of a running save.
        ::flock(fd, LOCK_EX);
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink == 0) {
            // Another save of the same file took it for a stale one between
            // the open and the lock.
            ::close(fd);
            continue;
        }
        return fd;
    }
    errno = EEXIST;
    return -1;
}

// Text written beyond this since the last start is handed to the disk.
constexpr size_t kStartWriteback = 1 << 20;
// A file that grows past kDirectFrom is written on directly, in blocks of
// kBlock, through a stage of kDirectStage.
constexpr size_t kDirectFrom = 16 << 20;
constexpr size_t kBlock = 4096;
constexpr size_t kDirectStage = 4 << 20;

bool WriteAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    return true;
}

// Gives a new file the owner (where allowed), group and mode of the file it
// replaces; the owner first, since a change of owner clears the set-id bits.
// A file system without modes (a FAT stick) refuses fchmod but gives every
// file the same mode, which is fine; what must never happen is a new file
// more open than the old one.
bool TakeOwnerAndMode(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    const mode_t mode = old.st_mode & 07777;
    struct stat now {};
    return ::fchmod(fd, mode) == 0 || (::fstat(fd, &now) == 0 && (now.st_mode & 07777 & ~mode) == 0);
}

// fsync, where the file system offers it.
bool Sync(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

} // namespace

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string NotAFileKind(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {};
    return KindOf(st.st_mode);
}

std::string ReadWholeFile(const std::string& path)
{
    std::string data;
    ReadFileUpTo(path, std::string::npos, data);
    return data;
}

bool ReadFileUpTo(const std::string& path, size_t maxBytes, std::string& data)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw FileError("Cannot open file \"" + path + "\". " + ErrnoText(errno));
    data.clear();
    // Sized once for a plain file (a file that grows meanwhile still reads whole).
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= maxBytes)
        data.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    size_t n;
    bool fits = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (n > maxBytes - data.size()) {
            fits = false;
            break;
        }
        data.append(buf, n);
    }
    const bool failed = fits && std::ferror(f);
    const int err = errno;
    std::fclose(f);
    if (failed)
        throw FileError("Cannot read file \"" + path + "\". " + ErrnoText(err));
    if (!fits)
        data.clear();
    return fits;
}

std::vector<std::string> SplitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c == '\n' || c == '\r') {
            lines.emplace_back(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string FollowLinks(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::error_code ec;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            return p;
        p = to.is_absolute() ? to.string() : (fs::path(p).parent_path() / to).string();
    }
    throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(ELOOP));
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, Backup backup)
    : m_path(path), m_target(FollowLinks(path)), m_backup(backup)
{
    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            throw FileError("Cannot write file \"" + path + "\". It is " + KindOf(old.st_mode) +
                            ", not a file.");
        // Renaming needs only the folder's permission; a file the user may
        // not write is refused as a write to it would be.
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
            throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(errno));
    }
    const auto [dir, name] = SplitPath(m_target);
    RemoveStaleTemps(dir, name);
    m_fd = CreateTemp(dir, name, m_tmp);
    if (m_fd < 0)
        throw FileError("Cannot create file \"" + path + "\". " + ErrnoText(errno));
    if (exists && !TakeOwnerAndMode(m_fd, old))
        Fail("Cannot write file \"" + path + "\".", errno);
}

AtomicFileWriter::~AtomicFileWriter()
{
    std::free(m_stage);
    if (m_fd >= 0) {
        ::unlink(m_tmp.c_str());
        ::close(m_fd);
    }
}

void AtomicFileWriter::Fail(const std::string& what, int err)
{
    if (m_fd >= 0) {
        ::unlink(m_tmp.c_str());
        ::close(m_fd);
    }
    m_fd = -1;
    throw FileError(what + " " + ErrnoText(err));
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    if (m_fd < 0)
        throw FileError("Cannot write file \"" + m_path + "\".");
    m_written = m_written || !bytes.empty();
    if (m_direct) {
        Stage(bytes);
        return;
    }
    if (m_size + bytes.size() >= kDirectFrom && !m_triedDirect) {
        // Up to a block boundary through the page cache, the rest directly.
        const size_t head = std::min(bytes.size(), (kBlock - m_size % kBlock) % kBlock);
        WriteBuffered(bytes.substr(0, head));
        bytes.remove_prefix(head);
        if (m_size % kBlock == 0 && StartDirect()) {
            Stage(bytes);
            return;
        }
    }
    WriteBuffered(bytes);
}

void AtomicFileWriter::WriteBuffered(std::string_view bytes)
{
    if (!WriteAll(m_fd, bytes))
        Fail("Cannot write file \"" + m_path + "\".", errno);
    m_size += bytes.size();
#if defined(SYNC_FILE_RANGE_WRITE)
    // The disk starts on the text written so far while the rest is being
    // made, so that Commit's sync waits only for the last piece. Only a
    // start: the sync before the rename is what counts.
    if (m_size - m_started >= kStartWriteback) {
        (void)::sync_file_range(m_fd, static_cast<off_t>(m_started), static_cast<off_t>(m_size - m_started),
                                SYNC_FILE_RANGE_WRITE);
        m_started = m_size;
    }
#endif
}

// A large file is written past the page cache (O_DIRECT): copying a
// gigabyte into the cache cost several times the formatting, most of it the
// system finding fresh memory for the cache, and the cache then held a
// second copy of the library. The sync before the rename stays as it is.
bool AtomicFileWriter::StartDirect()
{
#if defined(O_DIRECT)
    if (m_triedDirect)
        return false;
    m_triedDirect = true;
    void* stage = nullptr;
    if (::posix_memalign(&stage, kBlock, kDirectStage) != 0)
        return false;
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags | O_DIRECT) != 0) {
        std::free(stage); // a file system without it: through the cache
        return false;
    }
    m_stage = static_cast<char*>(stage);
    m_staged = 0;
    m_direct = true;
    return true;
#else
    return false;
#endif
}

void AtomicFileWriter::Stage(std::string_view bytes)
{
    while (!bytes.empty()) {
        const size_t n = std::min(bytes.size(), kDirectStage - m_staged);
        std::memcpy(m_stage + m_staged, bytes.data(), n);
        m_staged += n;
        bytes.remove_prefix(n);
        if (m_staged == kDirectStage)
            WriteStaged(false);
    }
}

// Writes the whole blocks of the stage directly, and with last also the
// part block after them, through the page cache.
void AtomicFileWriter::WriteStaged(bool last)
{
    const size_t whole = m_staged - m_staged % kBlock;
    if (whole > 0 && !WriteAll(m_fd, std::string_view(m_stage, whole))) {
        // A direct write the file system refuses after all (EINVAL): the
        // same bytes through the cache. Any other error fails the save.
        const int err = errno;
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (err != EINVAL || flags < 0 || ::fcntl(m_fd, F_SETFL, flags & ~O_DIRECT) != 0 ||
            ::lseek(m_fd, static_cast<off_t>(m_size), SEEK_SET) < 0 || !WriteAll(m_fd, std::string_view(m_stage, whole)))
            Fail("Cannot write file \"" + m_path + "\".", err);
    }
    m_size += whole;
    std::memmove(m_stage, m_stage + whole, m_staged - whole);
    m_staged -= whole;
    if (last) {
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags >= 0)
            (void)::fcntl(m_fd, F_SETFL, flags & ~O_DIRECT);
        if (!WriteAll(m_fd, std::string_view(m_stage, m_staged)))
            Fail("Cannot write file \"" + m_path + "\".", errno);
        m_size += m_staged;
        m_staged = 0;
        m_direct = false;
    }
}

// Keeps the file that the target name holds now under the backup name. The
// target name is never taken away: a hard link (or a synced copy) goes to a
// temporary name, which then replaces the previous backup in one rename. A
// failure leaves the previous backup as it was. A name too long to take
// ".bak" gets no backup (false): the name limit would otherwise forbid every
// save of such a library.
bool AtomicFileWriter::KeepBackup()
{
    struct stat st {};
    if (::lstat(m_target.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return true; // a first save: nothing to keep
    const std::string backup = m_target + ".bak";
    const std::string what = "Cannot make the backup \"" + backup + "\".";
    struct stat bak {};
    if (::lstat(backup.c_str(), &bak) == 0 && bak.st_dev == st.st_dev && bak.st_ino == st.st_ino)
        return true; // a save killed after its backup: the backup is this file already

    const auto [dir, name] = SplitPath(m_target);
    std::string tmp;
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        tmp = TempName(dir, name);
        if (::link(m_target.c_str(), tmp.c_str()) == 0)
            linked = true;
        else if (errno != EEXIST)
            break;
    }
    int copy = -1; // a copy's descriptor, with its lock, is kept until the rename
    if (!linked) {
        // Folders without hard links (or a file with too many of them): a copy.
        if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK && errno != EXDEV)
            Fail(what, errno);
        std::string bytes;
        try {
            bytes = ReadWholeFile(m_target);
        } catch (const FileError&) {
            Fail(what, EIO);
        }
        copy = CreateTemp(dir, name, tmp);
        if (copy < 0)
            Fail(what, errno);
        if (!TakeOwnerAndMode(copy, st) || !WriteAll(copy, bytes) || !Sync(copy)) {
            const int err = errno;
            ::unlink(tmp.c_str());
            ::close(copy);
            Fail(what, err);
        }
    }
    const bool renamed = ::rename(tmp.c_str(), backup.c_str()) == 0;
    const int err = errno;
    if (!renamed)
        ::unlink(tmp.c_str());
    if (copy >= 0)
        ::close(copy);
    if (!renamed) {
        if (err == ENAMETOOLONG)
            return false;
        Fail(what, err);
    }
    return true;
}

void AtomicFileWriter::Commit(FolderSync folderSync)
{
    if (m_fd < 0)
        throw FileError("Cannot write file \"" + m_path + "\".");
    const std::string what = "Cannot write file \"" + m_path + "\".";
    if (m_direct)
        WriteStaged(true);
    // The text must be on the disk before the name can point to it: a crash
    // after the rename would otherwise leave the name with a file whose
    // blocks never arrived. An empty file has no blocks; its creation is
    // recorded with the rename and reaches the disk with the folder's sync.
    if (m_written && !Sync(m_fd))
        Fail(what, errno);
    if (m_backup == Backup::Keep)
        m_backupSkipped = !KeepBackup();
    // The descriptor, and with it the lock, is kept until the rename: an
    // unlocked temporary file would look stale to another save.
    if (::rename(m_tmp.c_str(), m_target.c_str()) != 0)
        Fail(what, errno);
    ::close(m_fd);
    m_fd = -1;
    if (folderSync == FolderSync::Now)
        SyncFolder();
}

std::string AtomicFileWriter::Folder() const
{
    const std::string dir = SplitPath(m_target).first;
    return dir.empty() ? "." : dir;
}

void AtomicFileWriter::SyncFolder() const
{
    // The rename (and the backup's) lasts through a crash only once the
    // folder is synced.
    const std::string what = "Cannot write file \"" + m_path + "\".";
    const int dfd = ::open(Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        throw FileError(what + " " + ErrnoText(errno));
    const bool synced = Sync(dfd);
    const int err = errno;
    ::close(dfd);
    if (!synced)
        throw FileError(what + " " + ErrnoText(err));
}

void WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    w.Write(bytes);
    w.Commit();
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd)
{
    size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + lineEnd.size();
    std::string out;
    out.reserve(total);
    for (const auto& l : lines)
        out.append(l).append(lineEnd);
    return out;
}

void WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                      std::string_view lineEnd)
{
    WriteFileAtomic(path, JoinLines(lines, lineEnd));
}

std::string CurrentDir()
{
    std::error_code ec;
    return fs::current_path(ec).string();
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace lorix
