#include "app/SingleInstance.h"

#include "support/Log.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray ActivateMessage = QByteArrayLiteral("activate\n");
const QByteArray OpenHelpMessage = QByteArrayLiteral("OpenHelpWindowRequested\n");
// A later launch sends one short line; a client sending more is cut off.
constexpr qint64 MaxMessageBytes = 64;

// Without a runtime folder: a folder of this user's own under the temporary folder, 0700, never
// one whose name any user could have taken first. Empty when it is not this user's alone.
QString privateTemporaryFolder()
{
    const QString folder = QDir::tempPath() + QStringLiteral("/kavla-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()
        || (info.st_mode & 0777) != 0700)
        return {};
    return folder;
}
} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = privateTemporaryFolder();
    if (folder.isEmpty()) {
        // The history's own folder is private too (0700).
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kavla");
        QDir().mkpath(folder);
    }
    m_lockPath = folder + QStringLiteral("/kavla.lock");
    m_socketPath = folder + QStringLiteral("/kavla.socket");
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

SingleInstance::Lock SingleInstance::takeLock()
{
    const QByteArray path = QFile::encodeName(m_lockPath);
    const auto unavailable = [this](const QString &why) {
        Log::note(QStringLiteral("cannot take the lock %1 (%2); running without the check for another Kavla")
                      .arg(m_lockPath, why));
        return Lock::Unavailable;
    };
    // A few rounds at most: each one replaces what should not be there, or finds the file
    // replaced under it by another launch.
    for (int attempt = 0; attempt < 4; ++attempt) {
        // Never through a symlink, and never blocking on a pipe.
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
        struct stat info = {};
        if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            struct stat found = {};
            if (::lstat(path.constData(), &found) != 0 || S_ISDIR(found.st_mode))
                return unavailable(QString::fromLocal8Bit(std::strerror(fd < 0 ? error : ENOTDIR)));
            if (::unlink(path.constData()) != 0 && errno != ENOENT)
                return unavailable(QString::fromLocal8Bit(std::strerror(errno)));
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Lock::HeldElsewhere;
            return unavailable(QString::fromLocal8Bit(std::strerror(error)));
        }
        // Another launch may have replaced the file between the open and the lock: the lock
        // counts only on the file the path names.
        struct stat named = {};
        if (::lstat(path.constData(), &named) != 0 || named.st_dev != info.st_dev || named.st_ino != info.st_ino) {
            ::close(fd);
            continue;
        }
        // For a person looking, which process holds it; the lock holds without it.
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        [[maybe_unused]] const bool noted = ::ftruncate(fd, 0) == 0
            && ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) == pid.size();
        m_lockFd = fd;
        return Lock::Taken;
    }
    return unavailable(QStringLiteral("it keeps being replaced"));
}

bool SingleInstance::claim()
{
    if (takeLock() == Lock::HeldElsewhere)
        return false;

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath)) {
        Log::note(QStringLiteral("cannot listen for later launches on %1: %2")
                      .arg(m_socketPath, m_server->errorString()));
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->setReadBufferSize(MaxMessageBytes);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() >= MaxMessageBytes)
                        socket->abort();
                    return;
                }
                const QByteArray message = socket->readLine(MaxMessageBytes);
                if (message == ActivateMessage) {
                    socket->write("ok\n");
                    Q_EMIT activationRequested();
                } else if (message == OpenHelpMessage) {
                    socket->write("ok\n");
                    Q_EMIT helpWindowRequested();
                }
            });
        }
    });
    return true;
}

bool SingleInstance::handOver(Request request)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(request == Request::OpenHelp ? OpenHelpMessage : ActivateMessage);
    if (!socket.waitForBytesWritten(2000))
        return false;
    return socket.waitForReadyRead(2000);
}
