#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// Keeps one Kavla per user session. The first launch holds a lock in $XDG_RUNTIME_DIR and listens
// on a local socket beside it; a later launch finds the lock taken, asks the first one to show
// itself through the socket, and exits.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running instance.
    bool claim();
    // Asks the running instance to open its popup; true when it answered.
    bool handOver();

Q_SIGNALS:
    void activationRequested();

private:
    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
