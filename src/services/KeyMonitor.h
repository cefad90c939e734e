#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;

// An application-wide watcher of key presses, active for as long as it exists: each press is
// offered to the handler first, which returns true to consume it.
class KeyMonitor : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<bool(QKeyEvent *)>;

    explicit KeyMonitor(Handler handler, QObject *parent = nullptr);
    ~KeyMonitor() override;

    // How many monitors are installed in the process.
    static int installedCount();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
};
