// Another application for the end-to-end tests: owns the clipboard with several formats at once
// and stays alive to answer for them. Commands, one per line on standard input:
//   offer TYPE=FILE [TYPE=FILE ...]   own the clipboard offering each type with that file's bytes
//   hang MILLISECONDS TYPE=FILE ...   the same, then stop answering anyone at once
//   window NAME                       show a small window; prints "window <id>"
//   freeze MILLISECONDS               stop answering anyone (the event loop blocks)
//   quit
// Each command is acknowledged with one line on standard output. Start it with "-name ID" to
// give its window that WM_CLASS instance name.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void reply(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget *window = nullptr;
    QByteArray pending;

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            QApplication::quit();
            return;
        }
        pending.append(buffer, count);
        qsizetype newline;
        while ((newline = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(newline).trimmed();
            pending.remove(0, newline + 1);
            const QList<QByteArray> words = line.split(' ');
            const QByteArray command = words.value(0);
            if (command == "offer" || command == "hang") {
                const bool hang = command == "hang";
                auto *contents = new QMimeData;
                for (qsizetype i = hang ? 2 : 1; i < words.size(); ++i) {
                    const qsizetype equals = words[i].indexOf('=');
                    QFile file(QString::fromUtf8(words[i].mid(equals + 1)));
                    if (equals <= 0 || !file.open(QIODevice::ReadOnly)) {
                        reply("error " + words[i]);
                        continue;
                    }
                    contents->setData(QString::fromUtf8(words[i].left(equals)), file.readAll());
                }
                QGuiApplication::clipboard()->setMimeData(contents, QClipboard::Clipboard);
                reply("offered");
                // The ownership request leaves when the event loop next runs; only then hang.
                if (hang) {
                    const unsigned long milliseconds = words.value(1).toULong();
                    QTimer::singleShot(0, [milliseconds] { QThread::msleep(milliseconds); });
                }
            } else if (command == "window") {
                delete window;
                window = new QWidget;
                window->setWindowTitle(QString::fromUtf8(words.value(1)));
                window->resize(200, 100);
                window->show();
                reply("window " + QByteArray::number(window->winId()));
            } else if (command == "freeze") {
                reply("frozen");
                QThread::msleep(words.value(1).toULong());
            } else if (command == "quit") {
                reply("bye");
                QApplication::quit();
            } else {
                reply("unknown " + command);
            }
        }
    });
    reply("ready");
    const int status = QApplication::exec();
    delete window;
    return status;
}
