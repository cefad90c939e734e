#include "services/AppearanceManager.h"

#include "services/Preferences.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <memory>

namespace {

const QString FusionStyle = QStringLiteral("Fusion");

QApplication *widgetApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance());
}

QPalette darkPalette()
{
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x26, 0x26, 0x26);
    const QColor text(0xee, 0xee, 0xee);
    const QColor disabledText(0x80, 0x80, 0x80);
    // Dark enough that white selected text reads on it at 4.5:1.
    const QColor accent(0x26, 0x70, 0xbf);

    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x55, 0x55));
    palette.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    palette.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    palette.setColor(QPalette::Mid, QColor(0x2c, 0x2c, 0x2c));
    palette.setColor(QPalette::Dark, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
    palette.setColor(QPalette::Link, accent.lighter(120));
    palette.setColor(QPalette::LinkVisited, accent.lighter(140));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x50, 0x50, 0x50));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    return palette;
}

QPalette lightPalette()
{
    // Fusion's own palette is its light one; a fresh style object so no desktop tint leaks in.
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(FusionStyle));
    QPalette palette = fusion ? fusion->standardPalette() : QPalette(QColor(0xef, 0xef, 0xef));
    // Fusion's selection blue is too light for its white text (3.7:1); this one reads at 4.5:1.
    palette.setColor(QPalette::Highlight, QColor(0x2d, 0x74, 0xb8));
    return palette;
}

void repaintNow(QWidget *window)
{
    window->update();
    if (window->isVisible())
        window->repaint();
}

} // namespace

AppearanceManager::AppearanceManager(Preferences *preferences, QObject *parent)
    : QObject(parent)
    , m_preferences(preferences)
    , m_currentAppearance(preferences ? preferences->selectedAppearance() : Preferences::SystemAppearance)
{
    if (QApplication *app = widgetApplication()) {
        m_systemStyleName = app->style() ? app->style()->name() : QString();
        m_systemPalette = QApplication::palette();
    }
    applyAppearance(m_currentAppearance);
}

AppearanceManager::~AppearanceManager() = default;

void AppearanceManager::setAppearance(const QString &code)
{
    if (m_preferences)
        m_preferences->setSelectedAppearance(code);
    const bool changed = code != m_currentAppearance;
    m_currentAppearance = code;
    applyAppearance(code);
    if (changed)
        Q_EMIT currentAppearanceChanged(code);
}

void AppearanceManager::applyAppearance(const QString &code)
{
    const std::optional<ColorScheme> scheme = schemeFor(code);
    if (QApplication *app = widgetApplication()) {
        const QString styleName = scheme ? FusionStyle : m_systemStyleName;
        if (!styleName.isEmpty() && (!app->style() || app->style()->name().compare(styleName, Qt::CaseInsensitive) != 0))
            QApplication::setStyle(styleName);
        QApplication::setPalette(scheme ? paletteFor(*scheme) : m_systemPalette);

        for (QWidget *window : QApplication::topLevelWidgets()) {
            window->setPalette(widgetPalette(scheme));
            repaintNow(window);
        }
    }
    Q_EMIT appearanceApplied(code);
}

void AppearanceManager::applyTargetAppearance(QWidget *window) const
{
    if (window)
        window->setPalette(widgetPalette(targetWindowAppearance()));
}

std::optional<AppearanceManager::ColorScheme> AppearanceManager::schemeFor(const QString &code)
{
    if (code == QLatin1String("light"))
        return ColorScheme::Light;
    if (code == QLatin1String("dark"))
        return ColorScheme::Dark;
    return std::nullopt;
}

QPalette AppearanceManager::paletteFor(ColorScheme scheme)
{
    return scheme == ColorScheme::Dark ? darkPalette() : lightPalette();
}

QPalette AppearanceManager::widgetPalette(std::optional<ColorScheme> scheme)
{
    return scheme ? paletteFor(*scheme) : QPalette();
}
