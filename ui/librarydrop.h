#pragma once
// A BibTeX library dropped on a window, from a file manager or a desktop,
// is opened as the Load command opens a chosen file.

#include <QObject>
#include <QString>
#include <functional>

class QMimeData;
class QWidget;

namespace lorix {

// The first local file of the drag whose name ends in ".bib" (in any letter
// case), or an empty string. Other files are never taken for a library: a
// later save would write BibTeX over them.
QString DroppedLibrary(const QMimeData* data);

// Lets window and every widget in it take such a drop, the edit boxes
// included (they would otherwise paste the file's name as text). open runs
// once the drop has ended, so that a question it asks does not hold up the
// program the file came from.
void AcceptLibraryDrops(QWidget* window, std::function<void(const QString&)> open);

} // namespace lorix
