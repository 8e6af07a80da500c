#include <QApplication>
#include <QLabel>

// Placeholder until the main window lands.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorix"));
    QLabel label(QStringLiteral("No loaded items."));
    label.setWindowTitle(QStringLiteral("Lorix for Windows V0.99"));
    label.show();
    return app.exec();
}
