#pragma once
// Keeps an eye on the library's file while it is open. After every load and
// save the window hands it the file (Take); from then on any change of that
// file by another program is signalled at once. Editors often replace a file
// by writing a new one and renaming it over the old, which ends a watch on
// the file itself, so the folder is watched as well and the file is watched
// again whenever it is back.

#include "core/diskstamp.h"

#include <QObject>
#include <string>

class QFileSystemWatcher;

namespace lorix {

class LibraryWatch final : public QObject {
    Q_OBJECT
  public:
    explicit LibraryWatch(QObject* parent);

    // The library now matches the file at path as it is on disk ("": the
    // library has no file).
    void Take(const std::string& path);
    // Whether path is the watched file and differs from what was taken.
    bool ChangedSinceTaken(const std::string& path);
    bool Changed() const { return m_changed; }
    // Looks at the file now (the watch does this on every notice it gets).
    void Check();

  signals:
    // The file now differs (true) or again matches (false) what was taken.
    void changedOnDisk(bool changed);

  private:
    QFileSystemWatcher* m_watcher = nullptr;
    std::string m_path;
    DiskStamp m_stamp;
    bool m_changed = false;
};

} // namespace lorix
