#include "fakes/MemoryDefaultsStore.h"
#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "views/widgets/WindowRoot.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Content the way a view builds it: every text looked up when the widget is made.
QWidget *makeContent(int *built)
{
    ++*built;
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *label = new QLabel(L("Encerrar Kavla"));
    label->setObjectName(QStringLiteral("quit"));
    layout->addWidget(label);
    return content;
}

QString quitText(const WindowRoot &root)
{
    const auto *label = root.content() ? root.content()->findChild<QLabel *>(QStringLiteral("quit")) : nullptr;
    return label ? label->text() : QString();
}

} // namespace

class TestWindowRoot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_bundle = std::make_unique<LocalizedAppBundle>(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), QStringList{});
        m_store = std::make_unique<MemoryDefaultsStore>();
        m_desktopPalette = QApplication::palette();
        m_desktopStyle = QApplication::style()->name();
    }

    void cleanup()
    {
        m_languages.reset();
        m_appearance.reset();
        m_bundle.reset();
        LocalizedAppBundle::setSelectedLanguage(QStringLiteral("system"));
        QApplication::setStyle(m_desktopStyle);
        QApplication::setPalette(m_desktopPalette);
    }

    // A language change rebuilds the content in the new language and locale; setting the same
    // language again keeps the content (and the state a user has typed into it).
    void rebuildsOnlyWhenTheIdentityChanges_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("builds");
        QTest::addColumn<QString>("text");

        QTest::newRow("one change") << QStringList{u"en"_qs} << 2 << u"Quit Kavla"_qs;
        QTest::newRow("same language twice") << QStringList{u"es"_qs, u"es"_qs} << 2 << u"Salir de Kavla"_qs;
        QTest::newRow("initial language again") << QStringList{u"system"_qs} << 1 << u"Encerrar Kavla"_qs;
        QTest::newRow("code without a table") << QStringList{u"fr"_qs} << 2 << u"Encerrar Kavla"_qs;
    }

    void rebuildsOnlyWhenTheIdentityChanges()
    {
        QFETCH(QStringList, codes);
        QFETCH(int, builds);
        QFETCH(QString, text);

        makeManagers();
        int built = 0;
        WindowRoot root(m_languages.get(), m_appearance.get(), [&] { return makeContent(&built); });
        for (const QString &code : codes)
            m_languages->setLanguage(code);
        QCOMPARE(built, builds);
        QCOMPARE(quitText(root), text);
        QCOMPARE(root.identity(), m_languages->currentLanguage() + u"-system"_qs);
        QCOMPARE(root.content()->locale(), m_languages->appLocale());
    }

    void appliesThePreferredColorScheme_data()
    {
        QTest::addColumn<QString>("appearance");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("explicitPalette");

        QTest::newRow("dark") << u"dark"_qs << true << true;
        QTest::newRow("system follows the desktop") << u"system"_qs << false << false;
        QTest::newRow("DARK follows the desktop") << u"DARK"_qs << false << false;
    }

    void appliesThePreferredColorScheme()
    {
        QFETCH(QString, appearance);
        QFETCH(bool, dark);
        QFETCH(bool, explicitPalette);

        m_store->set(u"selectedAppearance"_qs, appearance);
        makeManagers();
        int built = 0;
        WindowRoot root(m_languages.get(), m_appearance.get(), [&] { return makeContent(&built); });
        QCOMPARE(root.testAttribute(Qt::WA_SetPalette), explicitPalette);
        const QColor window = root.content()->palette().color(QPalette::Window);
        if (dark)
            QCOMPARE(window, AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Dark).color(QPalette::Window));
        else
            QVERIFY(window.lightness() > 128);
    }

private:
    void makeManagers()
    {
        m_preferences = std::make_unique<Preferences>(m_store.get());
        m_languages = std::make_unique<LanguageManager>(m_preferences.get(), m_bundle.get());
        m_appearance = std::make_unique<AppearanceManager>(m_preferences.get());
    }

    std::unique_ptr<LocalizedAppBundle> m_bundle;
    std::unique_ptr<MemoryDefaultsStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<LanguageManager> m_languages;
    std::unique_ptr<AppearanceManager> m_appearance;
    QPalette m_desktopPalette;
    QString m_desktopStyle;
};

QTEST_MAIN(TestWindowRoot)
#include "tst_windowroot.moc"
