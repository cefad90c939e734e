#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Keeps one Kavla per user session. The first launch holds a lock in $XDG_RUNTIME_DIR and listens
// on a local socket beside it; a later launch finds the lock taken, asks the first one to show
// itself (or to open its user guide) through the socket, and exits.
//
// The lock is an flock() on kavla.lock, which the system lets go when the process ends, however
// it ends: what the file holds means nothing, so a leftover or garbage file never blocks a start.
// Anything at that path that is not a regular file of this user's (a symlink, a pipe, another
// user's file) is removed and replaced; a socket path taken by anything is taken over by the
// instance that holds the lock.
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
    enum class Lock { Taken, HeldElsewhere, Unavailable };
    Lock takeLock();

    QString m_lockPath;
    QString m_socketPath;
    int m_lockFd = -1;
    QLocalServer *m_server = nullptr;
};
