#include "views/widgets/WindowRoot.h"

#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "views/widgets/AccessibleWindows.h"

#include <QVBoxLayout>

WindowRoot::WindowRoot(LanguageManager *languages, AppearanceManager *appearance, ContentFactory factory, QWidget *parent)
    : QWidget(parent)
    , m_languages(languages)
    , m_appearance(appearance)
    , m_factory(std::move(factory))
    , m_layout(new QVBoxLayout(this))
{
    AccessibleWindows::install();
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    if (m_languages)
        connect(m_languages, &LanguageManager::currentLanguageChanged, this, &WindowRoot::refresh);
    if (m_appearance) {
        connect(m_appearance, &AppearanceManager::currentAppearanceChanged, this, &WindowRoot::refresh);
        connect(m_appearance, &AppearanceManager::appearanceApplied, this, &WindowRoot::applyEnvironment);
    }
    refresh();
}

QString WindowRoot::identityFor(const QString &language, const QString &appearance)
{
    return language + u'-' + appearance;
}

void WindowRoot::setTitleSource(TitleSource source)
{
    m_titleSource = std::move(source);
    applyTitle();
}

void WindowRoot::refresh()
{
    applyEnvironment();
    const QString system = QStringLiteral("system");
    const QString identity = identityFor(m_languages ? m_languages->currentLanguage() : system,
                                         m_appearance ? m_appearance->currentAppearance() : system);
    if (identity == m_identity && m_content)
        return;
    m_identity = identity;
    rebuild();
}

void WindowRoot::applyEnvironment()
{
    setLocale(m_languages ? m_languages->appLocale() : LanguageManager::localeForLanguage(QString()));
    setPalette(AppearanceManager::widgetPalette(m_appearance ? m_appearance->preferredColorScheme() : std::nullopt));
}

void WindowRoot::rebuild()
{
    if (m_content) {
        m_layout->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
        m_content.clear();
    }
    if (m_factory) {
        QWidget *content = m_factory();
        if (content) {
            m_layout->addWidget(content);
            m_content = content;
        }
    }
    applyTitle();
    Q_EMIT contentRebuilt(m_content);
}

void WindowRoot::applyTitle()
{
    if (m_titleSource)
        window()->setWindowTitle(m_titleSource());
}
