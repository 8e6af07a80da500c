// The reference of the start-up benchmark: a bare Qt Widgets program with a
// main window, a menu and a list of a few lines, as small as a window
// program of this toolkit gets.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStringListModel>
#include <QListView>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("&Quit"), &app,
                                                                   &QApplication::quit);
    auto* list = new QListView(&window);
    list->setModel(new QStringListModel({QStringLiteral("first line"), QStringLiteral("second line")}, list));
    window.setCentralWidget(list);
    window.resize(900, 640);
    window.show();
    return app.exec();
}
