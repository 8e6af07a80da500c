#include "core/fileio.h"

#include "core/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace lorix {

namespace {
std::string ErrnoText(int err)
{
    return std::strerror(err);
}
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

AtomicFileWriter::AtomicFileWriter(const std::string& path) : m_path(path)
{
    fs::path target(path);
    fs::path dir = target.parent_path();
    std::random_device rd;
    std::string tmpName = "." + target.filename().string() + ".tmp" + std::to_string(rd() % 1000000);
    m_tmp = (dir.empty() ? fs::path(tmpName) : dir / tmpName).string();
    m_fd = ::open(m_tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0)
        throw FileError("Cannot create file \"" + path + "\". " + ErrnoText(errno));
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        (void)::fchmod(m_fd, st.st_mode & 07777);
}

AtomicFileWriter::~AtomicFileWriter()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_tmp.c_str());
    }
}

void AtomicFileWriter::Fail(int err)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_tmp.c_str());
    throw FileError("Cannot write file \"" + m_path + "\". " + ErrnoText(err));
}

void AtomicFileWriter::Write(std::string_view bytes)
{
    if (m_fd < 0)
        throw FileError("Cannot write file \"" + m_path + "\".");
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = ::write(m_fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
}

void AtomicFileWriter::Commit()
{
    if (m_fd < 0)
        throw FileError("Cannot write file \"" + m_path + "\".");
    if (::fsync(m_fd) != 0 && errno != EINVAL)
        Fail(errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(m_tmp.c_str());
        throw FileError("Cannot write file \"" + m_path + "\". " + ErrnoText(err));
    }
    if (std::rename(m_tmp.c_str(), m_path.c_str()) != 0) {
        int err = errno;
        ::unlink(m_tmp.c_str());
        throw FileError("Cannot write file \"" + m_path + "\". " + ErrnoText(err));
    }
}

void WriteFileAtomic(const std::string& path, std::string_view bytes)
{
    AtomicFileWriter w(path);
    w.Write(bytes);
    w.Commit();
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
