// Another application's window for the end-to-end tests: a plain window with a text field, so
// that keys can be pressed while something other than Kavla has the focus.
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLineEdit window;
    window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Other application"));
    window.resize(400, 80);
    window.move(60, 500);
    window.show();
    QTimer::singleShot(0, &window, [] { QTextStream(stdout) << "window shown" << Qt::endl; });
    return app.exec();
}
