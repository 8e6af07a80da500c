#include "core/fileio.h"

#include "core/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lorix {

namespace {
std::string ErrnoText(int err) { return std::strerror(err); }
} // namespace

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

std::string ReadWholeFile(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw FileError("Cannot open file \"" + path + "\". " + ErrnoText(errno));
    std::string data;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.append(buf, n);
    bool failed = std::ferror(f);
    int err = errno;
    std::fclose(f);
    if (failed)
        throw FileError("Cannot read file \"" + path + "\". " + ErrnoText(err));
    return data;
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

void WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    fs::path target(path);
    fs::path dir = target.parent_path();
    std::random_device rd;
    std::string tmpName = "." + target.filename().string() + ".tmp" + std::to_string(rd() % 1000000);
    fs::path tmp = dir.empty() ? fs::path(tmpName) : dir / tmpName;
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        throw FileError("Cannot create file \"" + path + "\". " + ErrnoText(errno));
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        (void)::fchmod(fd, st.st_mode & 07777);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(err));
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        int err = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(err));
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(err));
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw FileError("Cannot write file \"" + path + "\". " + ErrnoText(err));
    }
}

void WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                      std::string_view lineEnd)
{
    size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + lineEnd.size();
    std::string out;
    out.reserve(total);
    for (const auto& l : lines)
        out.append(l).append(lineEnd);
    WriteFileAtomic(path, out);
}

void RemoveFile(const std::string& path)
{
    if (std::remove(path.c_str()) != 0 && errno != ENOENT)
        throw FileError("Cannot delete file \"" + path + "\". " + ErrnoText(errno));
}

bool RenameFile(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno == ENOENT)
        return false;
    throw FileError("Cannot rename file \"" + from + "\" to \"" + to + "\". " + ErrnoText(errno));
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
