#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// Keeps one Kavla per user session. The first launch holds a lock in $XDG_RUNTIME_DIR and listens
// on a local socket beside it; a later launch finds the lock taken, asks the first one to show
// itself (or to open its user guide) through the socket, and exits.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running instance.
    bool claim();
    // What a later launch asks of the running instance.
    enum class Request { ShowPopup, OpenHelp };

    // Hands the request to the running instance; true when it answered.
    bool handOver(Request request = Request::ShowPopup);

Q_SIGNALS:
    void activationRequested();
    // "OpenHelpWindowRequested": a later launch asked for the user guide (`kavla --guide`).
    void helpWindowRequested();

private:
    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
