#pragma once
// Files through std::filesystem. Failures throw FileError with a text that
// names the file and the reason.

#include <string>
#include <string_view>
#include <vector>

namespace lorix {

bool FileExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
// Splits on LF, CR LF or CR; the line ends produce no character. A last line
// without a line end counts; a final line end does not start another line.
std::vector<std::string> SplitLines(std::string_view bytes);

// Writes bytes to a temporary file in the same folder, flushes it and renames
// it over path, so that a failed or interrupted write leaves the previous
// file whole.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
// The same atomic replacement, written in pieces: Write appends to the
// temporary file, Commit flushes it and renames it over path. Without Commit
// (an exception on the way) the temporary file is removed and path is left
// as it was.
class AtomicFileWriter {
  public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    void Write(std::string_view bytes);
    void Commit();

  private:
    void Fail(int err);
    std::string m_path;
    std::string m_tmp;
    int m_fd = -1;
};

void WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                      std::string_view lineEnd);

// Deletes a file; a missing file is not an error. Throws FileError otherwise.
void RemoveFile(const std::string& path);
// Renames; returns false when from does not exist, throws FileError on other failures.
bool RenameFile(const std::string& from, const std::string& to);

std::string CurrentDir();
// dir + separator + name ("name" alone when dir is empty).
std::string JoinPath(const std::string& dir, const std::string& name);

} // namespace lorix
