#include "ui/librarydrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace lorix {

QString DroppedLibrary(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (path.endsWith(QLatin1String(".bib"), Qt::CaseInsensitive))
            return path;
    }
    return {};
}

namespace {

// A copy where the source allows it: the file stays where it is.
void Take(QDropEvent* event)
{
    if (event->possibleActions() & Qt::CopyAction)
        event->setDropAction(Qt::CopyAction);
    event->accept();
}

class LibraryDrop final : public QObject {
  public:
    LibraryDrop(QWidget* window, std::function<void(const QString&)> open)
        : QObject(window), m_open(std::move(open))
    {
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedLibrary(drag->mimeData()).isEmpty())
                return false; // text and other files: as the widget handles them
            Take(drag);
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = DroppedLibrary(drop->mimeData());
            if (path.isEmpty())
                return false;
            Take(drop);
            QTimer::singleShot(0, this, [this, path] { m_open(path); });
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

  private:
    std::function<void(const QString&)> m_open;
};

} // namespace

void AcceptLibraryDrops(QWidget* window, std::function<void(const QString&)> open)
{
    auto* filter = new LibraryDrop(window, std::move(open));
    window->setAcceptDrops(true);
    window->installEventFilter(filter);
    // A drop goes to the innermost widget that takes drops (an edit box, the
    // viewport of a list); the others pass it on to the window.
    for (QWidget* child : window->findChildren<QWidget*>())
        if (child->acceptDrops())
            child->installEventFilter(filter);
}

} // namespace lorix
