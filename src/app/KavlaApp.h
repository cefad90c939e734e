#pragma once

#include <QObject>

class DefaultsStore;
class Preferences;

// The application description: builds the process-wide services in their start-up order, makes
// them reachable through their shared() accessors, and keeps them for the life of the process.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    explicit KavlaApp(QObject *parent = nullptr);
    ~KavlaApp() override;

private:
    DefaultsStore *m_defaults = nullptr;
    Preferences *m_preferences = nullptr;
};
