#include "fakes/MemoryDefaultsStore.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"

#include <QSignalSpy>
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

    // The lookup switches before observers hear of the change, the store is written next, and the
    // announcement comes last. Every step runs also when the language is the current one, so a
    // store changed behind the manager's back is put right.
    void setLanguageRunsEveryStepInOrder_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("a language") << u"system"_qs << u"en"_qs
                                    << QStringList{u"changed en: Settings"_qs, u"didChange en, stored en [en]"_qs};
        QTest::newRow("the same language again")
            << u"ja"_qs << u"ja"_qs << QStringList{u"changed ja: 設定"_qs, u"didChange ja, stored ja [ja]"_qs};
        QTest::newRow("system removes AppleLanguages")
            << u"es"_qs << u"system"_qs
            << QStringList{u"changed system: Ajustes"_qs, u"didChange system, stored system []"_qs};
        QTest::newRow("unknown code is stored as given")
            << u"system"_qs << u"fr"_qs << QStringList{u"changed fr: Ajustes"_qs, u"didChange fr, stored fr [fr]"_qs};
    }

    void setLanguageRunsEveryStepInOrder()
    {
        QFETCH(QString, initial);
        QFETCH(QString, code);
        QFETCH(QStringList, events);

        MemoryDefaultsStore store;
        store.set(u"selectedLanguage"_qs, initial);
        Preferences preferences(&store);
        LanguageManager manager(&preferences, m_bundle.get());
        // Written by someone else since: setLanguage must still store its own choice.
        store.set(u"selectedLanguage"_qs, u"it"_qs);
        store.set(u"AppleLanguages"_qs, QStringList{u"de"_qs, u"en"_qs});

        QStringList log;
        connect(&manager, &LanguageManager::currentLanguageChanged, this,
                [&](const QString &changed) { log << u"changed %1: %2"_qs.arg(changed, L("Ajustes")); });
        connect(&manager, &LanguageManager::appLanguageDidChange, this, [&](const QString &changed) {
            log << u"didChange %1, stored %2 [%3]"_qs.arg(changed, store.object(u"selectedLanguage"_qs).toString(),
                                                         store.object(u"AppleLanguages"_qs).toStringList().join(u','));
        });
        manager.setLanguage(code);
        QCOMPARE(log, events);
        QCOMPARE(manager.currentLanguage(), code);
        QCOMPARE(store.contains(u"AppleLanguages"_qs), code != u"system");
    }

    // French has no table: texts come from the platform's choice (here none: Portuguese), while
    // the locale the views format numbers with is French. Qt's own texts (its dialogs' buttons)
    // are in the language the interface is shown in.
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
        QTest::newRow("es") << u"es"_qs << QLocale(QLocale::Spanish) << u"Salir de Kavla"_qs << cancelar;
        QTest::newRow("it") << u"it"_qs << QLocale(QLocale::Italian) << u"Esci da Kavla"_qs << u"Annulla"_qs;
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
    }

    void worksWithoutAStore()
    {
        LanguageManager manager(nullptr, m_bundle.get());
        QCOMPARE(manager.currentLanguage(), u"system"_qs);
        QSignalSpy announced(&manager, &LanguageManager::appLanguageDidChange);
        manager.setLanguage(u"it"_qs);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(L("Excluir"), u"Elimina"_qs);
    }

private:
    std::unique_ptr<LocalizedAppBundle> m_bundle;
};

QTEST_MAIN(TestLanguageManager)
#include "tst_languagemanager.moc"
