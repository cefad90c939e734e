#include "platform/DefaultsStore.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"

#include <QHash>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A defaults store in memory that writes every operation to a shared event log.
class LoggingDefaultsStore : public DefaultsStore
{
public:
    explicit LoggingDefaultsStore(QStringList *log = nullptr) : m_log(log) {}

    QVariant object(const QString &key) const override { return m_values.value(key); }
    void set(const QString &key, const QVariant &value) override
    {
        m_values.insert(key, value);
        if (m_log)
            m_log->append(u"set "_qs + key + u'=' + describe(value));
    }
    void remove(const QString &key) override
    {
        m_values.remove(key);
        if (m_log)
            m_log->append(u"remove "_qs + key);
    }

    static QString describe(const QVariant &value)
    {
        if (value.typeId() == QMetaType::QStringList)
            return u'[' + value.toStringList().join(u',') + u']';
        return value.toString();
    }

private:
    QHash<QString, QVariant> m_values;
    QStringList *m_log;
};

} // namespace

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
        QTest::newRow("empty string kept") << QVariant(QString()) << QString();
        QTest::newRow("unknown code kept") << QVariant(u"fr"_qs) << u"fr"_qs;
        QTest::newRow("boolean: not a string") << QVariant(true) << u"system"_qs;
        QTest::newRow("number: not a string") << QVariant(qint64(3)) << u"system"_qs;
        QTest::newRow("list: not a string") << QVariant(QStringList{u"en"_qs}) << u"system"_qs;
    }

    void readsTheStoredLanguageAtCreation()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, expected);

        LoggingDefaultsStore store;
        if (stored.isValid())
            store.set(u"selectedLanguage"_qs, stored);
        LanguageManager manager(&store, m_bundle.get());
        QCOMPARE(manager.currentLanguage(), expected);
        QCOMPARE(LocalizedAppBundle::selectedLanguage(), expected);
        QCOMPARE(LocalizedAppBundle::shared(), m_bundle.get());
    }

    // The lookup switches before observers hear of the change, then the store is written, and the
    // announcement comes last. Every step runs also when nothing changes.
    void setLanguageRunsEveryStepInOrder_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("a language") << u"system"_qs << u"en"_qs
                                    << QStringList{u"changed en (lookup en: Settings)"_qs,
                                                   u"set selectedLanguage=en"_qs, u"set AppleLanguages=[en]"_qs,
                                                   u"didChange en"_qs};
        QTest::newRow("the same language again")
            << u"ja"_qs << u"ja"_qs
            << QStringList{u"changed ja (lookup ja: 設定)"_qs, u"set selectedLanguage=ja"_qs,
                           u"set AppleLanguages=[ja]"_qs, u"didChange ja"_qs};
        QTest::newRow("system removes AppleLanguages")
            << u"es"_qs << u"system"_qs
            << QStringList{u"changed system (lookup system: Ajustes)"_qs, u"set selectedLanguage=system"_qs,
                           u"remove AppleLanguages"_qs, u"didChange system"_qs};
        QTest::newRow("unknown code is stored as given")
            << u"system"_qs << u"fr"_qs
            << QStringList{u"changed fr (lookup fr: Ajustes)"_qs, u"set selectedLanguage=fr"_qs,
                           u"set AppleLanguages=[fr]"_qs, u"didChange fr"_qs};
        QTest::newRow("empty code is not system")
            << u"en"_qs << QString()
            << QStringList{u"changed  (lookup : Ajustes)"_qs, u"set selectedLanguage="_qs,
                           u"set AppleLanguages=[]"_qs, u"didChange "_qs};
    }

    void setLanguageRunsEveryStepInOrder()
    {
        QFETCH(QString, initial);
        QFETCH(QString, code);
        QFETCH(QStringList, events);

        QStringList log;
        LoggingDefaultsStore store(&log);
        store.set(u"selectedLanguage"_qs, initial);
        LanguageManager manager(&store, m_bundle.get());
        log.clear();

        connect(&manager, &LanguageManager::currentLanguageChanged, this, [&](const QString &changed) {
            log << u"changed %1 (lookup %2: %3)"_qs.arg(changed, LocalizedAppBundle::selectedLanguage(), L("Ajustes"));
        });
        connect(&manager, &LanguageManager::appLanguageDidChange, this,
                [&](const QString &changed) { log << u"didChange "_qs + changed; });

        manager.setLanguage(code);
        QCOMPARE(log, events);
        QCOMPARE(manager.currentLanguage(), code);
    }

    void systemRemovesAppleLanguagesWrittenByAnyone()
    {
        LoggingDefaultsStore store;
        store.set(u"AppleLanguages"_qs, QStringList{u"de"_qs, u"en"_qs});
        LanguageManager manager(&store, m_bundle.get());
        manager.setLanguage(u"system"_qs);
        QVERIFY(!store.contains(u"AppleLanguages"_qs));
        QCOMPARE(store.object(u"selectedLanguage"_qs), QVariant(u"system"_qs));
    }

    void choosingJapaneseStoresAOneElementList()
    {
        LoggingDefaultsStore store;
        LanguageManager manager(&store, m_bundle.get());
        manager.setLanguage(u"ja"_qs);
        QCOMPARE(store.object(u"AppleLanguages"_qs), QVariant(QStringList{u"ja"_qs}));
        QCOMPARE(L("Ajustes"), u"設定"_qs);
    }

    void appLocaleFollowsTheCode_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QLocale::Language>("language");
        QTest::addColumn<bool>("isSystem");

        QTest::newRow("system") << u"system"_qs << QLocale::system().language() << true;
        QTest::newRow("empty") << QString() << QLocale::system().language() << true;
        QTest::newRow("pt-BR") << u"pt-BR"_qs << QLocale::Portuguese << false;
        QTest::newRow("ja") << u"ja"_qs << QLocale::Japanese << false;
        QTest::newRow("fr without a table") << u"fr"_qs << QLocale::French << false;
    }

    void appLocaleFollowsTheCode()
    {
        QFETCH(QString, code);
        QFETCH(QLocale::Language, language);
        QFETCH(bool, isSystem);

        LoggingDefaultsStore store;
        LanguageManager manager(&store, m_bundle.get());
        manager.setLanguage(code);
        QCOMPARE(manager.appLocale().language(), language);
        if (isSystem)
            QCOMPARE(manager.appLocale(), QLocale::system());
        QCOMPARE(LanguageManager::localeForLanguage(code), manager.appLocale());
    }

    // French has no table: texts come from the platform's choice (here none: Portuguese), while
    // numbers are formatted the French way.
    void unknownCodeFallsBackWhileTheLocaleFollowsIt()
    {
        LoggingDefaultsStore store;
        LanguageManager manager(&store, m_bundle.get());
        manager.setLanguage(u"fr"_qs);
        QCOMPARE(L("Encerrar Kavla"), u"Encerrar Kavla"_qs);
        QCOMPARE(manager.appLocale().toString(1234.5, 'f', 1), QLocale(QLocale::French).toString(1234.5, 'f', 1));
        QCOMPARE(manager.appLocale().decimalPoint(), u","_qs);
    }

    void textsFollowEachLanguage_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("expected");

        QTest::newRow("pt-BR") << u"pt-BR"_qs << u"Encerrar Kavla"_qs;
        QTest::newRow("en") << u"en"_qs << u"Quit Kavla"_qs;
        QTest::newRow("es") << u"es"_qs << u"Salir de Kavla"_qs;
        QTest::newRow("it") << u"it"_qs << u"Esci da Kavla"_qs;
        QTest::newRow("ja") << u"ja"_qs << u"Kavlaを終了"_qs;
        QTest::newRow("back to system") << u"system"_qs << u"Encerrar Kavla"_qs;
    }

    void textsFollowEachLanguage()
    {
        QFETCH(QString, code);
        QFETCH(QString, expected);

        LoggingDefaultsStore store;
        LanguageManager manager(&store, m_bundle.get());
        manager.setLanguage(u"en"_qs);
        manager.setLanguage(code);
        QCOMPARE(L("Encerrar Kavla"), expected);
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
