#pragma once
// Files through std::filesystem. Failures throw FileError with a text that
// names the file and the reason.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lorix {

bool FileExists(const std::string& path);
// What a name that is not a plain file stands for: "a folder", "a named
// pipe", "a device", "a socket"; empty for a plain file or a missing name.
// Links are followed.
std::string NotAFileKind(const std::string& path);
std::string ReadWholeFile(const std::string& path);
// Reads at most maxBytes of a file (or of a pipe or device) into out; false
// when it holds more, so that an endless source cannot fill the memory.
// Throws FileError when it cannot be read.
bool ReadFileUpTo(const std::string& path, size_t maxBytes, std::string& out);
// Splits on LF, CR LF or CR; the line ends produce no character. A last line
// without a line end counts; a final line end does not start another line.
std::vector<std::string> SplitLines(std::string_view bytes);

// The file a name stands for: symbolic links followed to their end (the end
// of a dangling link is where a write creates the file).
std::string FollowLinks(const std::string& path);

// Replaces the file at path with new text so that at every moment the name
// holds either the old text or the new one, whole:
//  - the text goes to a short hidden temporary name beside the file (beside
//    the target when path is a symbolic link; the link stays a link);
//  - Commit syncs it, gives it the old file's mode and group, optionally
//    keeps the old text under the name + ".bak" (a hard link, or a synced
//    copy where the folder has no hard links: the old name never goes
//    away; a failure there leaves the previous backup), renames the new text over the name in one step and syncs the
//    folder (or leaves that sync to SyncFolder, so that two files saved
//    together in one folder share it).
// A file the user may not write is refused, as is a folder. Without Commit
// (an exception on the way) the temporary file is removed and everything
// is left as it was. Temporary files that a killed save left beside the same
// file are removed when the next writer for it starts.
class AtomicFileWriter {
  public:
    enum class Backup { None, Keep };
    enum class FolderSync { Now, Later };
    explicit AtomicFileWriter(const std::string& path, Backup backup = Backup::None);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    void Write(std::string_view bytes);
    // With FolderSync::Later the new text is in place but its name lasts
    // through a crash only once SyncFolder has run.
    void Commit(FolderSync folderSync = FolderSync::Now);
    // Syncs the folder that holds the name (after Commit). Throws FileError.
    void SyncFolder() const;
    // The folder that holds the name, as SyncFolder opens it.
    std::string Folder() const;
    // After Commit: a backup was asked for, but the name with ".bak" is
    // longer than the folder allows, so none was kept.
    bool BackupSkipped() const { return m_backupSkipped; }

  private:
    [[noreturn]] void Fail(const std::string& what, int err);
    void WriteBuffered(std::string_view bytes);
    bool StartDirect();
    void Stage(std::string_view bytes);
    void WriteStaged(bool last);
    bool KeepBackup();
    std::string m_path;   // as given, for messages
    std::string m_target; // where the text goes: path with its links followed
    std::string m_tmp;
    int m_fd = -1;
    bool m_written = false; // any bytes at all
    size_t m_size = 0;      // bytes written
    size_t m_started = 0;   // bytes handed to the disk to write
    // Past the page cache: whole blocks from an aligned stage (see StartDirect).
    bool m_direct = false, m_triedDirect = false;
    char* m_stage = nullptr;
    size_t m_staged = 0;
    Backup m_backup;
    bool m_backupSkipped = false;
};

// The lines, each followed by lineEnd.
std::string JoinLines(const std::vector<std::string>& lines, std::string_view lineEnd);
// Writes bytes to path with AtomicFileWriter.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
void WriteLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                      std::string_view lineEnd);

std::string CurrentDir();
// dir + separator + name ("name" alone when dir is empty).
std::string JoinPath(const std::string& dir, const std::string& name);

} // namespace lorix
