#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Collects what the process writes to standard output (the system's log lines) until text().
class StdoutCapture
{
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        m_file.open();
        m_saved = ::dup(STDOUT_FILENO);
        ::dup2(m_file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    // Ends the capture (so a failing check after it is seen) and returns what was written.
    QString text()
    {
        restore();
        QFile reader(m_file.fileName());
        reader.open(QIODevice::ReadOnly);
        return QString::fromUtf8(reader.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};
