#pragma once

#include <QObject>

// Where the tray is a service on the session bus (a StatusNotifier item), the desktop's host that
// shows it. Qt looks for a host only once, when the first tray item is made, so the item is made
// only once a host runs: at start, or when the desktop's panel starts after Kavla.
class TrayHost : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayHost() override = default;

    // Starts looking, without waiting: answered by found() once a host runs (at once when one
    // does), or by absent() first when none does yet.
    virtual void watch() = 0;

Q_SIGNALS:
    void found();
    void absent();
};
