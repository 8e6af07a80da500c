// Preloaded (LD_PRELOAD) into a Qt program to be timed from its start to its
// first painted list: when a list view that has lines has painted them and the event loop
// is idle again (the frame sent to the display), "painted" is written to
// standard output and the process ends at once, writing nothing else.
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

class PaintProbe final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
            if (view && view->viewport() == watched && view->model() && view->model()->rowCount() > 0) {
                m_seen = true;
                QTimer::singleShot(0, this, [] {
                    std::fputs("painted\n", stdout);
                    std::fflush(stdout);
                    _exit(0);
                });
            }
        }
        return false;
    }

  private:
    bool m_seen = false;
};

void InstallProbe()
{
    QCoreApplication::instance()->installEventFilter(new PaintProbe(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(InstallProbe)
