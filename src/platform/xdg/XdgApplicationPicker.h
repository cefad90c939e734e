#pragma once

#include "platform/ApplicationPicker.h"

// A file dialog over the XDG applications folders listing desktop files.
class XdgApplicationPicker : public ApplicationPicker
{
public:
    std::optional<QList<ChosenApplication>> chooseApplications(const QString &prompt,
                                                               const QString &message) override;

    // What a chosen file says about its application.
    static ChosenApplication describe(const QString &path);
};
