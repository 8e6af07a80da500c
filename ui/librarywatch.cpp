#include "ui/librarywatch.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

namespace lorix {

LibraryWatch::LibraryWatch(QObject* parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { Check(); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Check(); });
}

void LibraryWatch::Take(const std::string& path)
{
    m_path = path;
    m_stamp = TakeDiskStamp(path);
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (!path.empty()) {
        const QFileInfo file(QString::fromStdString(path));
        m_watcher->addPath(file.absolutePath());
        if (file.exists())
            m_watcher->addPath(file.absoluteFilePath());
    }
    if (m_changed) {
        m_changed = false;
        emit changedOnDisk(false);
    }
}

bool LibraryWatch::ChangedSinceTaken(const std::string& path)
{
    return !m_path.empty() && SameFilePath(path, m_path) && ChangedOnDisk(m_stamp, m_path);
}

void LibraryWatch::Check()
{
    if (m_path.empty())
        return;
    const QFileInfo file(QString::fromStdString(m_path));
    if (file.exists() && !m_watcher->files().contains(file.absoluteFilePath()))
        m_watcher->addPath(file.absoluteFilePath()); // replaced by a rename: watch the new file
    const bool changed = ChangedOnDisk(m_stamp, m_path);
    if (changed != m_changed) {
        m_changed = changed;
        emit changedOnDisk(changed);
    }
}

} // namespace lorix
