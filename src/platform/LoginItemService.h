#pragma once

#include <QString>

// The desktop's record that Kavla starts when the user logs in.
class LoginItemService
{
public:
    // The status numbers the settings window tells apart; a service may report others.
    enum Status : int {
        NotRegistered = 0,
        Enabled = 1,
        RequiresApproval = 2, // registered, but switched off by the desktop until the user allows it
    };

    virtual ~LoginItemService() = default;

    virtual int status() const = 0;
    // Each either succeeds or fails with a description of why in `error`.
    virtual bool registerItem(QString *error) = 0;
    virtual bool unregisterItem(QString *error) = 0;
    // Opens the desktop's own settings of the applications started at login.
    virtual void openSystemSettings() = 0;
};
