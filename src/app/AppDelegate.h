#pragma once

#include <QObject>

class HistoryService;

// Starts the long-lived services once the application has finished launching and stops them at
// termination, in a fixed order.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(HistoryService *history, QObject *parent = nullptr);

public Q_SLOTS:
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // A later launch of Kavla asked this one to show itself.
    void applicationShouldReopen();
    // A later launch (or this one's `--guide`) asked for the user guide: "OpenHelpWindowRequested".
    void applicationShouldOpenHelp();

private:
    HistoryService *m_history;
    bool m_launched = false;
    bool m_terminated = false;
};
