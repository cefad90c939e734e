#pragma once

// What the Qt helpers share: answering on standard output, and commands from standard input.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QString>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

// One line on standard output, at once: the test waits for it.
inline void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Calls `answer` with each line read from standard input, trimmed, and says what it returns;
// quits the application when the input ends.
inline void answerCommands(QCoreApplication *app, std::function<QString(const QString &)> answer)
{
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, app);
    auto pending = std::make_shared<QByteArray>();
    QObject::connect(input, &QSocketNotifier::activated, app, [pending, answer = std::move(answer)] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending->append(buffer, count);
        for (qsizetype newline; (newline = pending->indexOf('\n')) >= 0; pending->remove(0, newline + 1))
            say(answer(QString::fromUtf8(pending->left(newline).trimmed())));
    });
}
