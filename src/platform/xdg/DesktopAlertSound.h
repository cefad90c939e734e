#pragma once

#include "platform/AlertSound.h"

struct ca_context;

// The sound theme's "bell" event through libcanberra, else the X bell.
class DesktopAlertSound : public AlertSound
{
public:
    DesktopAlertSound();
    ~DesktopAlertSound() override;
    DesktopAlertSound(const DesktopAlertSound &) = delete;
    DesktopAlertSound &operator=(const DesktopAlertSound &) = delete;

    void play() override;

private:
    ca_context *m_context = nullptr;
};
