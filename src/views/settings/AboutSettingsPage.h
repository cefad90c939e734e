#pragma once

#include "views/settings/SettingsPage.h"

#include <QUrl>

// The About section: name, version, brand line, and links to the maker's website and to the
// privacy statement installed with Kavla.
class AboutSettingsPage : public SettingsPage
{
    Q_OBJECT
public:
    static inline const QString WebsiteAddress = QStringLiteral("https://www.tarnwick.com/");
    static inline const QString PrivacyFileName = QStringLiteral("privacy.html");

    explicit AboutSettingsPage(SettingsView *view);

    // The privacy statement beside the string tables (build tree or installed share/kavla).
    static QUrl privacyStatementUrl();
};
