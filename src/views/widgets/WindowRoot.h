#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class AppearanceManager;
class LanguageManager;
class QVBoxLayout;

// The root of a window's content. It applies the interface locale and the preferred colour
// scheme, and builds the content from a factory under an identity made of the language code,
// "-" and the appearance code: when the identity changes the content is thrown away and built
// anew, so every text is looked up again in the new language.
//
//     auto *root = new WindowRoot(languages, appearance, [] { return new HelpView; });
//     root->setTitleSource([] { return L("Guia do Usuário do Kavla"); });
//     window->setCentralWidget(root);   // or a layout, or the root as the window itself
//
// The old content is deleted later, not at once, because a rebuild is often triggered from a
// signal of a widget inside that content (the language picker).
class WindowRoot : public QWidget
{
    Q_OBJECT

public:
    using ContentFactory = std::function<QWidget *()>;
    using TitleSource = std::function<QString()>;

    // Either manager may be null: its part of the identity is then "system" and it is not followed.
    WindowRoot(LanguageManager *languages, AppearanceManager *appearance, ContentFactory factory,
               QWidget *parent = nullptr);

    QString identity() const { return m_identity; }
    QWidget *content() const { return m_content; }
    // Sets the window's title now and after every rebuild.
    void setTitleSource(TitleSource source);

    static QString identityFor(const QString &language, const QString &appearance);

public Q_SLOTS:
    // Applies locale and colour scheme; rebuilds the content when the identity differs.
    void refresh();

Q_SIGNALS:
    void contentRebuilt(QWidget *content);

private:
    void rebuild();
    void applyEnvironment();
    void applyTitle();

    QPointer<LanguageManager> m_languages;
    QPointer<AppearanceManager> m_appearance;
    ContentFactory m_factory;
    TitleSource m_titleSource;
    QVBoxLayout *m_layout;
    QPointer<QWidget> m_content;
    QString m_identity;
};
