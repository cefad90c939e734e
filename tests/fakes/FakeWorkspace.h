#pragma once

#include "platform/ApplicationPicker.h"
#include "platform/AlertSound.h"
#include "platform/Workspace.h"

#include <QHash>

// A desktop held in memory: which applications are installed (ID -> location), which one is
// frontmost and which are running.
class FakeWorkspace : public Workspace
{
public:
    ApplicationIdentity frontmost;
    QHash<QString, QString> installed; // exact IDs; looked up ignoring case like the real one
    QList<RunningApplication> running;
    QHash<QString, QIcon> icons; // location -> the icon its desktop file names

    ApplicationIdentity frontmostApplication() override { return frontmost; }
    std::optional<QString> urlForApplication(const QString &bundleIdentifier) override
    {
        for (auto it = installed.cbegin(); it != installed.cend(); ++it) {
            if (it.key().compare(bundleIdentifier, Qt::CaseInsensitive) == 0)
                return it.value();
        }
        return std::nullopt;
    }
    QIcon iconForFile(const QString &location) override { return icons.value(location); }
    QList<RunningApplication> runningApplications() override { return running; }
    QString ownBundleIdentifier() const override { return QStringLiteral("com.tarnwick.Kavla"); }
};

// A chooser that answers with what the test prepared (nullopt: the user cancels).
class FakeApplicationPicker : public ApplicationPicker
{
public:
    std::optional<QList<ChosenApplication>> answer;

    std::optional<QList<ChosenApplication>> chooseApplications(const QString &, const QString &) override
    {
        return answer;
    }
};

class FakeAlertSound : public AlertSound
{
public:
    int plays = 0;
    void play() override { ++plays; }
};
