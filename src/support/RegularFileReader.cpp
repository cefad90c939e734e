#include "support/RegularFileReader.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RegularFileReader::Result RegularFileReader::read(const QString &path, qint64 maxBytes)
{
    Result result;
    const auto refuse = [&result](const QString &problem) {
        result.outcome = Outcome::Refused;
        result.bytes.clear();
        result.problem = problem;
        return result;
    };
    const auto unreadable = [&refuse](int error) {
        return refuse(QStringLiteral("cannot be read (%1)").arg(QString::fromLocal8Bit(std::strerror(error))));
    };
    const auto tooLarge = [&refuse, maxBytes] { return refuse(QStringLiteral("is larger than %1 bytes").arg(maxBytes)); };

    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // Nothing there, or a file where a folder of the path should be: nothing to read.
        if (errno == ENOENT || errno == ENOTDIR)
            return result;
        return unreadable(errno);
    }
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return unreadable(errno);
    if (!S_ISREG(info.st_mode))
        return refuse(QStringLiteral("is not a regular file"));
    if (info.st_size > maxBytes)
        return tooLarge();
    // The file may grow while it is read: one byte past the bound is as far as it is read.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes)
                return tooLarge();
            bytes.resize(qsizetype(std::min<qint64>(filled + 4096, maxBytes + 1)));
        }
        const ssize_t count = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return unreadable(errno);
        }
        if (count == 0)
            break;
        filled += count;
    }
    if (filled > maxBytes)
        return tooLarge();
    bytes.truncate(filled);
    result.outcome = Outcome::Read;
    result.bytes = std::move(bytes);
    return result;
}
