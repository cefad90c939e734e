#pragma once

#include <QObject>

#include <memory>

class DefaultsStore;

// The application description: builds the process-wide services in their start-up order and
// keeps them for the life of the process.
class KavlaApp : public QObject
{
    Q_OBJECT
public:
    explicit KavlaApp(QObject *parent = nullptr);
    ~KavlaApp() override;

private:
    std::unique_ptr<DefaultsStore> m_defaults;
};
