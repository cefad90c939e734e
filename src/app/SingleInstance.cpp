#include "app/SingleInstance.h"

#include "support/Log.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
const QByteArray ActivateMessage = QByteArrayLiteral("activate\n");
}

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
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
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->canReadLine() && socket->readLine() == ActivateMessage) {
                    socket->write("ok\n");
                    Q_EMIT activationRequested();
                }
            });
        }
    });
    return true;
}

bool SingleInstance::handOver()
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(ActivateMessage);
    if (!socket.waitForBytesWritten(2000))
        return false;
    return socket.waitForReadyRead(2000);
}
