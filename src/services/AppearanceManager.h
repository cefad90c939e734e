#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

#include <optional>

class Preferences;
class QWidget;

// Light or dark appearance regardless of the desktop, or following it. The code is read from
// "selectedAppearance" once, at creation; "light" and "dark" (exactly, case included) select the
// Fusion style with a light or dark palette, every other value follows the desktop's own style
// and palette. Main thread only.
class AppearanceManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString currentAppearance READ currentAppearance NOTIFY currentAppearanceChanged)

public:
    enum class ColorScheme { Light, Dark };
    Q_ENUM(ColorScheme)

    // Remembers the desktop's style and palette (what "system" restores), reads the stored code
    // and applies it. Without preferences nothing is read or stored.
    explicit AppearanceManager(Preferences *preferences, QObject *parent = nullptr);
    ~AppearanceManager() override;

    QString currentAppearance() const { return m_currentAppearance; }

    // The appearance picker's choice: stores the code, makes it current and applies it to the
    // application, every open window and the popup at once.
    void setAppearance(const QString &code);

    // Applies a code to the application and every open top-level window, repainting them at once,
    // without storing it or changing currentAppearance.
    void applyAppearance(const QString &code);

    // For a window created later: the appearance of the current code, none to follow the desktop.
    std::optional<ColorScheme> targetWindowAppearance() const { return schemeFor(m_currentAppearance); }
    // Gives a new window the target appearance before it is shown.
    void applyTargetAppearance(QWidget *window) const;
    // For the root of a window's views: the same mapping, applied by WindowRoot.
    std::optional<ColorScheme> preferredColorScheme() const { return schemeFor(m_currentAppearance); }

    static std::optional<ColorScheme> schemeFor(const QString &code);
    static QPalette paletteFor(ColorScheme scheme);
    // The palette a widget sets to follow the scheme, or an empty one (inherit) for none.
    static QPalette widgetPalette(std::optional<ColorScheme> scheme);

    // What "system" restores.
    QString systemStyleName() const { return m_systemStyleName; }
    QPalette systemPalette() const { return m_systemPalette; }

Q_SIGNALS:
    void currentAppearanceChanged(const QString &code);
    void appearanceApplied(const QString &code);

private:
    Preferences *m_preferences;
    QString m_currentAppearance;
    QString m_systemStyleName;
    QPalette m_systemPalette;
};
