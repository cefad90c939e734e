#pragma once

// The desktop's alert sound.
class AlertSound
{
public:
    virtual ~AlertSound() = default;
    virtual void play() = 0;
};
