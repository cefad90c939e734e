#include "fakes/TestData.h"
#include "services/LocalizedAppBundle.h"
#include "services/StringsTable.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

void writeTable(const QString &root, const QString &code, const QByteArray &body)
{
    QVERIFY(TestData::writeFile(root + u'/' + code + QStringLiteral(".lproj/Localizable.strings"), body));
}

// Restores the process-wide choice, so tests do not leak it into one another.
struct SelectedLanguageScope
{
    const QString saved = LocalizedAppBundle::selectedLanguage();
    ~SelectedLanguageScope() { LocalizedAppBundle::setSelectedLanguage(saved); }
};

} // namespace

class TestLocalizedAppBundle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        writeTable(m_root.path(), QStringLiteral("en"),
                   "/* English */\n\"Ajustes\" = \"Settings\";\n\"Excluir\" = \"Delete\";\n"
                   "\"Marcado\" = \"__TARNWICK_MISSING_KEY__\";\n\"%lld itens\" = \"%lld items\";\n");
        writeTable(m_root.path(), QStringLiteral("it"),
                   "\"Ajustes\" = \"Impostazioni\";\n\"Só italiano\" = \"Solo italiano\";\n"
                   "\"Marcado\" = \"Segnato\";\n");
        writeTable(m_root.path(), QStringLiteral("pt-BR"),
                   "\"Ajustes\" = \"Ajustes\";\n\"Iniciar no login do macOS\" = \"Iniciar ao entrar na sessão\";\n");
        // Malformed (a semicolon missing): no entry of it is used, not even those before the fault.
        writeTable(m_root.path(), QStringLiteral("es"), "\"Ajustes\" = \"Ajustes (es)\";\n\"Excluir\" = \"Eliminar\"\n");
    }

    void parsesStringsFiles_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("key"); // empty: the whole table is refused
        QTest::addColumn<QString>("value");

        const auto good = [](const char *name, const QByteArray &source, const QString &key, const QString &value) {
            QTest::newRow(name) << source << key << value;
        };
        good("escapes", "\"Diga \\\"oi\\\"\" = \"Say \\\"hi\\\" \\\\ \\u00e9\\n\\t\";", u"Diga \"oi\""_qs, u"Say \"hi\" \\ é\n\t"_qs);
        good("utf-8 after a byte order mark", "\xEF\xBB\xBF\"Ação\" = \"操作\";", u"Ação"_qs, u"操作"_qs);
        good("comments around entries", "// a\n/* b\n \"x\" = \"y\"; */\n\"k\" /* c */ = \"v\"; // d\n", u"k"_qs, u"v"_qs);
        good("slashes inside a string are text", "\"de /Apps\" = \"https://example.org\";", u"de /Apps"_qs,
             u"https://example.org"_qs);
        good("duplicate key keeps the last", "\"k\" = \"one\";\n\"k\" = \"two\";", u"k"_qs, u"two"_qs);
        const std::pair<const char *, const char *> refused[] = {
            {"missing semicolon", "\"k\" = \"v\"\n\"l\" = \"w\";"}, {"unterminated string", "\"k\" = \"v;"},
            {"unknown escape", "\"k\" = \"\\q\";"}, {"unterminated comment", "\"k\" = \"v\"; /* open"},
            {"invalid utf-8", "\"k\" = \"\xC3\x28\";"}};
        for (const auto &[name, source] : refused)
            QTest::addRow("refused: %s", name) << QByteArray(source) << QString() << QString();
    }

    void parsesStringsFiles()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, key);
        QFETCH(QString, value);

        const StringsTable table = StringsTable::parse(source);
        QCOMPARE(table.isValid(), !key.isEmpty());
        QCOMPARE(table.errors().isEmpty(), !key.isEmpty());
        QCOMPARE(table.entries().size(), key.isEmpty() ? 0 : 1);
        if (!key.isEmpty()) {
            QCOMPARE(table.value(key, u"<none>"_qs), value);
            const bool givenTwice = source.count("\"" + key.toUtf8() + "\" =") > 1;
            QCOMPARE(table.duplicateKeys(), givenTwice ? QStringList{key} : QStringList());
        }
    }

    // Chosen table, then the table the platform's choice picked, then the Portuguese table (whose
    // values carry the Linux wording a key may lack), then the caller's default or the key.
    void looksUpInOrder_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("platform");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");

        const auto row = [](const char *name, const QString &selected, const QString &key, const QString &expected,
                            const QString &value = {}, const QStringList &platform = {u"it-IT"_qs}) {
            QTest::newRow(name) << selected << platform << key << value << expected;
        };
        row("chosen table wins", u"en"_qs, u"Ajustes"_qs, u"Settings"_qs);
        row("missing from chosen: platform table", u"en"_qs, u"Só italiano"_qs, u"Solo italiano"_qs);
        row("missing everywhere: caller's default", u"en"_qs, u"Nada"_qs, u"padrão"_qs, u"padrão"_qs);
        row("missing everywhere, no default: the key", u"en"_qs, u"Nada"_qs, u"Nada"_qs);
        row("system: platform table only", u"system"_qs, u"Ajustes"_qs, u"Impostazioni"_qs);
        row("system without platform match: the key", u"system"_qs, u"Ajustes"_qs, u"Ajustes"_qs, {}, {u"de"_qs});
        row("German desktop: the Portuguese table, never the key", u"system"_qs, u"Iniciar no login do macOS"_qs,
            u"Iniciar ao entrar na sessão"_qs, {}, {u"de-DE"_qs});
        row("missing from chosen and platform tables: the Portuguese table", u"en"_qs, u"Iniciar no login do macOS"_qs,
            u"Iniciar ao entrar na sessão"_qs);
        row("code without folder (fr): platform table", u"fr"_qs, u"Ajustes"_qs, u"Impostazioni"_qs);
        row("malformed chosen table: platform table", u"es"_qs, u"Ajustes"_qs, u"Impostazioni"_qs);
        row("translation equal to the marker counts as missing", u"en"_qs, u"Marcado"_qs, u"Segnato"_qs);
        row("marker without platform entry: the default, never the marker", u"en"_qs, u"Marcado"_qs, u"fallback"_qs,
            u"fallback"_qs, {u"de"_qs});
        row("path outside the root is no folder", u"../"_qs + QFileInfo(m_root.path()).fileName() + u"/en"_qs,
            u"Ajustes"_qs, u"Ajustes"_qs, {}, {u"de"_qs});
    }

    void looksUpInOrder()
    {
        QFETCH(QString, selected);
        QFETCH(QStringList, platform);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, expected);

        SelectedLanguageScope scope;
        LocalizedAppBundle bundle(m_root.path(), platform);
        LocalizedAppBundle::setSelectedLanguage(selected);
        QCOMPARE(bundle.localizedString(key, value), expected);
    }

    void resolvesThePlatformLanguage_data()
    {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("expected");

        QTest::newRow("underscore form") << QStringList{u"pt_BR"_qs} << u"pt-BR"_qs;
        QTest::newRow("region dropped") << QStringList{u"en-GB"_qs} << u"en"_qs;
        QTest::newRow("same language, other region") << QStringList{u"pt-PT"_qs} << u"pt-BR"_qs;
        QTest::newRow("first wanted that exists") << QStringList{u"de-DE"_qs, u"it"_qs, u"en"_qs} << u"it"_qs;
        QTest::newRow("letter case ignored") << QStringList{u"EN-us"_qs} << u"en"_qs;
        QTest::newRow("nothing matches") << QStringList{u"de"_qs, u"fr"_qs} << QString();
    }

    void resolvesThePlatformLanguage()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QString, expected);
        QCOMPARE(LocalizedAppBundle::resolveLanguage(m_root.path(), preferred), expected);
    }

    // A count is put into the text looked up; a destroyed bundle is no longer the translator.
    void fillsTheCountAfterTheLookup()
    {
        SelectedLanguageScope scope;
        {
            LocalizedAppBundle bundle(m_root.path(), {});
            Localization::install(&bundle);
            LocalizedAppBundle::setSelectedLanguage(u"en"_qs);
            QCOMPARE(L("%lld itens", qint64(200)), u"200 items"_qs);
        }
        QVERIFY(!Localization::installed());
        QCOMPARE(L("Ajustes"), u"Ajustes"_qs);
    }

    // Lookups on several threads while the language changes: no deadlock, and every answer is
    // one whole translation of the key (never a mix, never the marker).
    void concurrentLookupsWhileTheLanguageChanges()
    {
        SelectedLanguageScope scope;
        LocalizedAppBundle bundle(m_root.path(), {u"it"_qs});
        const QStringList allowed{u"Settings"_qs, u"Impostazioni"_qs, u"Ajustes"_qs};

        std::atomic<bool> stop{false};
        std::atomic<int> wrong{0};
        std::atomic<long> lookups{0};
        std::vector<std::thread> workers;
        for (int i = 0; i < 6; ++i) {
            workers.emplace_back([&] {
                while (!stop.load()) {
                    if (!allowed.contains(bundle.localizedString(u"Ajustes"_qs)))
                        ++wrong;
                    if (bundle.localizedString(u"Marcado"_qs) != u"Segnato"_qs)
                        ++wrong;
                    ++lookups;
                }
            });
        }
        const QStringList codes{u"en"_qs, u"es"_qs, u"system"_qs, u"pt-BR"_qs, u"fr"_qs, u"it"_qs};
        for (int i = 0; i < 3000; ++i)
            LocalizedAppBundle::setSelectedLanguage(codes.at(i % codes.size()));
        while (lookups.load() < 2000)
            std::this_thread::yield();
        stop = true;
        for (std::thread &worker : workers)
            worker.join();
        QCOMPARE(wrong.load(), 0);
    }

private:
    QTemporaryDir m_root;
};

QTEST_MAIN(TestLocalizedAppBundle)
#include "tst_localizedappbundle.moc"
