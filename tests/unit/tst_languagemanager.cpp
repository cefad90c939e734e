#include "fakes/MemoryDefaultsStore.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"

#include <QtTest>

class TestLanguageManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_bundle = std::make_unique<LocalizedAppBundle>(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), QStringList{});
    }

    void cleanup()
    {
        m_bundle.reset();
        LocalizedAppBundle::setSelectedLanguage(u"system"_qs);
    }

    void readsTheStoredLanguageAtCreation_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("expected");

        QTest::newRow("missing") << QVariant() << u"system"_qs;
        QTest::newRow("a code") << QVariant(u"ja"_qs) << u"ja"_qs;
        QTest::newRow("unknown code kept") << QVariant(u"fr"_qs) << u"fr"_qs;
    }

    void readsTheStoredLanguageAtCreation()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);
        MemoryDefaultsStore store;
        if (stored.isValid())
            store.set(u"selectedLanguage"_qs, stored);
        Preferences preferences(&store);
        LanguageManager manager(&preferences, m_bundle.get());
        QCOMPARE(manager.currentLanguage(), expected);
        QCOMPARE(LocalizedAppBundle::selectedLanguage(), expected);
        QCOMPARE(Localization::installed(), m_bundle.get());
    }

    // The chosen code is stored, and mirrored in "AppleLanguages" unless it is "system". French
    // has no table: texts come from the platform's choice (here none: Portuguese), while the
    // locale the views format numbers with is French. Qt's own texts (its dialogs' buttons) are in
    // the language the interface is shown in.
    void localeFollowsTheCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("quit");
        QTest::addColumn<QString>("qtCancel");

        const QString cancelar = u"Cancelar"_qs;
        QTest::newRow("system") << u"system"_qs << QLocale::system() << u"Encerrar Kavla"_qs << cancelar;
        QTest::newRow("empty") << QString() << QLocale::system() << u"Encerrar Kavla"_qs << cancelar;
        QTest::newRow("pt-BR") << u"pt-BR"_qs << QLocale(QLocale::Portuguese, QLocale::Brazil) << u"Encerrar Kavla"_qs << cancelar;
        QTest::newRow("en") << u"en"_qs << QLocale(QLocale::English) << u"Quit Kavla"_qs << u"Cancel"_qs;
        QTest::newRow("ja") << u"ja"_qs << QLocale(QLocale::Japanese) << u"Kavlaを終了"_qs << u"キャンセル"_qs;
        QTest::newRow("fr without a table") << u"fr"_qs << QLocale(QLocale::French) << u"Encerrar Kavla"_qs << cancelar;
    }

    void localeFollowsTheCode()
    {
        QFETCH(QString, code);
        QFETCH(QLocale, locale);
        QFETCH(QString, quit);
        QFETCH(QString, qtCancel);

        MemoryDefaultsStore store;
        Preferences preferences(&store);
        LanguageManager manager(&preferences, m_bundle.get());
        manager.setLanguage(u"en"_qs);
        manager.setLanguage(code);
        QCOMPARE(manager.appLocale(), locale);
        QCOMPARE(LanguageManager::localeForLanguage(code), locale);
        QCOMPARE(L("Encerrar Kavla"), quit);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
        QCOMPARE(store.object(u"selectedLanguage"_qs), QVariant(code));
        QCOMPARE(preferences.appleLanguages(), code == u"system" ? QStringList() : QStringList{code});
    }

private:
    std::unique_ptr<LocalizedAppBundle> m_bundle;
};

QTEST_MAIN(TestLanguageManager)
#include "tst_languagemanager.moc"
