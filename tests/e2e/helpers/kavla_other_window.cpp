// Another application's window for the end-to-end tests: a plain window with a text field, so
// that keys can be pressed while something other than Kavla has the focus. Each change of the
// field's text is written as a line "text: <text>".
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
    QObject::connect(&window, &QLineEdit::textChanged,
                     [](const QString &text) { QTextStream(stdout) << "text: " << text << Qt::endl; });
    QTimer::singleShot(0, &window, [] { QTextStream(stdout) << "window shown" << Qt::endl; });
    return app.exec();
}
