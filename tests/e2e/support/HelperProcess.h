#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QTemporaryDir>

// One of the helper programs of tests/e2e/helpers in a process of its own: each answers a command
// on its standard input with one line on its standard output. Killed when the object goes.
class HelperProcess
{
public:
    using Flavours = QList<QPair<QString, QByteArray>>;

    // Starts the helper `name` from the build folder; ready() once it has said `readyLine`, or at
    // once when that is empty.
    HelperProcess(const QString &name, const QProcessEnvironment &environment, const QStringList &arguments = {},
                  const QByteArray &readyLine = {});
    ~HelperProcess();

    bool ready() const { return m_ready; }
    // The next line, with events handled meanwhile; empty after `timeoutMs`.
    QByteArray nextLine(int timeoutMs = 10000);
    // Sends one command and returns its answer.
    QByteArray ask(const QByteArray &command);
    // " TYPE=FILE ..." for a command offering these flavours, each written to a file of its own.
    QByteArray flavourFiles(const Flavours &flavours);
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QTemporaryDir m_files;
    bool m_ready = false;
};
