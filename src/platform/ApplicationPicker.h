#pragma once

#include <QList>
#include <QString>

#include <optional>

// One application chosen by the user from disk, as read from its desktop file.
struct ChosenApplication
{
    QString location;
    // The ID the application declares; nullopt when its file declares none.
    std::optional<QString> bundleIdentifier;
    // The display name keys of the file, when present.
    std::optional<QString> displayName;
    std::optional<QString> name;
    // False when the chosen file is not a readable application.
    bool readable = false;
};

// A modal chooser of application files, several at once, starting in the applications folder.
class ApplicationPicker
{
public:
    virtual ~ApplicationPicker() = default;

    // Runs the chooser; nullopt when the user cancels.
    virtual std::optional<QList<ChosenApplication>> chooseApplications(const QString &prompt,
                                                                       const QString &message) = 0;
};
