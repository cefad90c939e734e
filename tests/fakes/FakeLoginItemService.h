#pragma once

#include "platform/LoginItemService.h"

// A login item held in memory: the status the desktop reports, what each call turns it into,
// and a failure to give instead.
class FakeLoginItemService : public LoginItemService
{
public:
    int current = NotRegistered;
    int afterRegister = Enabled;      // e.g. RequiresApproval: the desktop waits for the user
    QString failure;                  // non-empty: the next register/unregister fails with it
    int registers = 0;
    int unregisters = 0;

    int status() const override { return current; }
    bool registerItem(QString *error) override
    {
        ++registers;
        return apply(afterRegister, error);
    }
    bool unregisterItem(QString *error) override
    {
        ++unregisters;
        return apply(NotRegistered, error);
    }
    void openSystemSettings() override {}

private:
    bool apply(int next, QString *error)
    {
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
        current = next;
        return true;
    }
};
