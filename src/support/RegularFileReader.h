#pragma once

#include <QByteArray>
#include <QString>

// Reads a small file a person or another program may have replaced by anything: only a regular
// file of bounded size is read. It is opened without blocking, so a named pipe costs nothing, and
// a link to a device or a huge file is refused before anything is read; links to regular files
// are followed.
class RegularFileReader
{
public:
    enum class Outcome { Read, Missing, Refused };
    struct Result
    {
        Outcome outcome = Outcome::Missing;
        QByteArray bytes;
        // Why a file was refused, to follow its path: "is not a regular file", "is larger than
        // 1048576 bytes", "cannot be read (Permission denied)".
        QString problem;
    };

    static Result read(const QString &path, qint64 maxBytes);
};
