#include "app/SingleInstance.h"

#include "support/Log.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
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
}

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0))
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
