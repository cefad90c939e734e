#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

// Collects what the process writes to standard output (the system's log lines) or to standard
// error (notes to the user) until text().
class OutputCapture
{
public:
    enum Stream { StandardOutput, StandardError };

    explicit OutputCapture(Stream stream = StandardOutput)
        : m_stream(stream == StandardOutput ? stdout : stderr)
        , m_fd(stream == StandardOutput ? STDOUT_FILENO : STDERR_FILENO)
    {
        std::fflush(m_stream);
        m_file.open();
        m_saved = ::dup(m_fd);
        ::dup2(m_file.handle(), m_fd);
    }
    ~OutputCapture() { restore(); }
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

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
        std::fflush(m_stream);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }

    FILE *m_stream;
    int m_fd;
    QTemporaryFile m_file;
    int m_saved = -1;
};
