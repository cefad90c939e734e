#include "services/LocalizedAppBundle.h"
#include "services/StringsTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

void writeTable(const QString &root, const QString &code, const QByteArray &body)
{
    QDir().mkpath(root + u'/' + code + QStringLiteral(".lproj"));
    QFile file(root + u'/' + code + QStringLiteral(".lproj/Localizable.strings"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(body);
}

// Restores the process-wide choice after each test, so tests do not leak it into one another.
class SelectedLanguageScope
{
public:
    SelectedLanguageScope() : m_saved(LocalizedAppBundle::selectedLanguage()) {}
    ~SelectedLanguageScope() { LocalizedAppBundle::setSelectedLanguage(m_saved); }

private:
    QString m_saved;
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
        writeTable(m_root.path(), QStringLiteral("pt-BR"), "\"Ajustes\" = \"Ajustes\";\n");
    }

    void parsesStringsFiles_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        QTest::newRow("plain entry") << QByteArray("\"a\" = \"b\";") << true << u"a"_qs << u"b"_qs;
        QTest::newRow("escaped quote and backslash")
            << QByteArray(R"("Diga \"oi\"" = "Say \"hi\" \\ there";)") << true << u"Diga \"oi\""_qs
            << u"Say \"hi\" \\ there"_qs;
        QTest::newRow("newline and tab escapes") << QByteArray(R"("k" = "one\ntwo\tthree";)") << true << u"k"_qs
                                                 << u"one\ntwo\tthree"_qs;
        QTest::newRow("unicode escape") << QByteArray(R"("k" = "\u00e9";)") << true << u"k"_qs << u"é"_qs;
        QTest::newRow("utf-8 text") << QByteArray("\"Ação\" = \"操作\";") << true << u"Ação"_qs << u"操作"_qs;
        QTest::newRow("comments around entries")
            << QByteArray("// line\n/* block\n \"x\" = \"y\"; */\n\"k\" /* mid */ = \"v\"; // after\n") << true
            << u"k"_qs << u"v"_qs;
        QTest::newRow("slashes inside a string are text")
            << QByteArray("\"de /Applications...\" = \"https://example.org\";") << true
            << u"de /Applications..."_qs << u"https://example.org"_qs;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF\"k\" = \"v\";") << true << u"k"_qs << u"v"_qs;
        QTest::newRow("missing semicolon drops the table")
            << QByteArray("\"k\" = \"v\"\n\"l\" = \"w\";") << false << u"k"_qs << QString();
        QTest::newRow("unterminated string") << QByteArray("\"k\" = \"v;") << false << u"k"_qs << QString();
        QTest::newRow("unknown escape") << QByteArray(R"("k" = "\q";)") << false << u"k"_qs << QString();
        QTest::newRow("unterminated comment") << QByteArray("\"k\" = \"v\"; /* open") << false << u"k"_qs << QString();
        QTest::newRow("invalid utf-8") << QByteArray("\"k\" = \"\xC3\x28\";") << false << u"k"_qs << QString();
    }

    void parsesStringsFiles()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, valid);
        QFETCH(QString, key);
        QFETCH(QString, value);

        const StringsTable table = StringsTable::parse(source);
        QCOMPARE(table.isValid(), valid);
        if (valid) {
            QCOMPARE(table.value(key, u"<none>"_qs), value);
            QCOMPARE(table.entries().size(), 1);
        } else {
            QVERIFY(table.entries().isEmpty());
            QVERIFY(!table.errors().isEmpty());
        }
    }

    void reportsDuplicateKeys()
    {
        const StringsTable table = StringsTable::parse("\"k\" = \"one\";\n\"k\" = \"two\";\n");
        QVERIFY(table.isValid());
        QCOMPARE(table.duplicateKeys(), QStringList{u"k"_qs});
        QCOMPARE(table.value(u"k"_qs, {}), u"two"_qs);
    }

    // Chosen table, then the table the platform's choice picked, then the caller's default or the key.
    void looksUpInOrder_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("platform");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");

        const QStringList italian{u"it-IT"_qs};
        QTest::newRow("chosen table wins") << u"en"_qs << italian << u"Ajustes"_qs << QString() << u"Settings"_qs;
        QTest::newRow("key missing from chosen: platform table")
            << u"en"_qs << italian << u"Só italiano"_qs << QString() << u"Solo italiano"_qs;
        QTest::newRow("missing everywhere: caller's default")
            << u"en"_qs << italian << u"Nada"_qs << u"padrão"_qs << u"padrão"_qs;
        QTest::newRow("missing everywhere, no default: the key") << u"en"_qs << italian << u"Nada"_qs << QString()
                                                                 << u"Nada"_qs;
        QTest::newRow("system: platform table only") << u"system"_qs << italian << u"Ajustes"_qs << QString()
                                                     << u"Impostazioni"_qs;
        QTest::newRow("system without platform match: the key")
            << u"system"_qs << QStringList{u"de-DE"_qs} << u"Ajustes"_qs << QString() << u"Ajustes"_qs;
        QTest::newRow("code without folder (fr): platform table")
            << u"fr"_qs << italian << u"Ajustes"_qs << QString() << u"Impostazioni"_qs;
        QTest::newRow("empty code: platform table") << QString() << italian << u"Ajustes"_qs << QString()
                                                    << u"Impostazioni"_qs;
        QTest::newRow("translation equal to the marker counts as missing")
            << u"en"_qs << italian << u"Marcado"_qs << QString() << u"Segnato"_qs;
        QTest::newRow("marker translation without platform entry: the default, never the marker")
            << u"en"_qs << QStringList{u"de"_qs} << u"Marcado"_qs << u"fallback"_qs << u"fallback"_qs;
        QTest::newRow("code is compared exactly: System is a code without folder")
            << u"System"_qs << italian << u"Ajustes"_qs << QString() << u"Impostazioni"_qs;
        QTest::newRow("path outside the root is no folder")
            << u"../"_qs + QFileInfo(m_root.path()).fileName() + u"/en"_qs << QStringList{u"de"_qs} << u"Ajustes"_qs
            << QString() << u"Ajustes"_qs;
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

        QTest::newRow("full code") << QStringList{u"pt-BR"_qs} << u"pt-BR"_qs;
        QTest::newRow("underscore form") << QStringList{u"pt_BR"_qs} << u"pt-BR"_qs;
        QTest::newRow("region dropped") << QStringList{u"en-GB"_qs} << u"en"_qs;
        QTest::newRow("same language, other region") << QStringList{u"pt-PT"_qs} << u"pt-BR"_qs;
        QTest::newRow("first wanted that exists") << QStringList{u"de-DE"_qs, u"it"_qs, u"en"_qs} << u"it"_qs;
        QTest::newRow("letter case ignored") << QStringList{u"EN-us"_qs} << u"en"_qs;
        QTest::newRow("nothing matches") << QStringList{u"de"_qs, u"fr"_qs} << QString();
        QTest::newRow("empty list") << QStringList{} << QString();
    }

    void resolvesThePlatformLanguage()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QString, expected);
        QCOMPARE(LocalizedAppBundle::resolveLanguage(m_root.path(), preferred), expected);
    }

    void findsAFolderAddedAfterAFailedSearch()
    {
        SelectedLanguageScope scope;
        QTemporaryDir root;
        LocalizedAppBundle bundle(root.path(), {});
        LocalizedAppBundle::setSelectedLanguage(u"es"_qs);
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"Ajustes"_qs);

        writeTable(root.path(), u"es"_qs, "\"Ajustes\" = \"Ajustes (es)\";");
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"Ajustes (es)"_qs);
    }

    void neverReloadsALoadedLanguage()
    {
        SelectedLanguageScope scope;
        QTemporaryDir root;
        writeTable(root.path(), u"es"_qs, "\"Ajustes\" = \"primera\";");
        LocalizedAppBundle bundle(root.path(), {});
        LocalizedAppBundle::setSelectedLanguage(u"es"_qs);
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"primera"_qs);

        writeTable(root.path(), u"es"_qs, "\"Ajustes\" = \"segunda\";");
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"primera"_qs);
        QVERIFY(QDir(root.path() + u"/es.lproj"_qs).removeRecursively());
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"primera"_qs);
    }

    void aMalformedTableFallsBackWhole()
    {
        SelectedLanguageScope scope;
        QTemporaryDir root;
        writeTable(root.path(), u"es"_qs, "\"Ajustes\" = \"Ajustes (es)\";\n\"Excluir\" = \"Eliminar\"\n");
        LocalizedAppBundle bundle(root.path(), {});
        LocalizedAppBundle::setSelectedLanguage(u"es"_qs);
        QCOMPARE(bundle.localizedString(u"Ajustes"_qs), u"Ajustes"_qs);
    }

    void fillsTheCountAfterTheLookup_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("expected");

        QTest::newRow("portuguese") << u"system"_qs << qint64(30) << u"30 itens"_qs;
        QTest::newRow("english") << u"en"_qs << qint64(200) << u"200 items"_qs;
        QTest::newRow("no folder") << u"fr"_qs << qint64(5) << u"5 itens"_qs;
    }

    void fillsTheCountAfterTheLookup()
    {
        QFETCH(QString, language);
        QFETCH(qint64, count);
        QFETCH(QString, expected);

        SelectedLanguageScope scope;
        LocalizedAppBundle bundle(m_root.path(), {});
        LocalizedAppBundle::setShared(&bundle);
        LocalizedAppBundle::setSelectedLanguage(language);
        QCOMPARE(L("%lld itens", count), expected);
    }

    void destroyedBundleIsNoLongerShared()
    {
        {
            LocalizedAppBundle bundle(m_root.path(), {});
            LocalizedAppBundle::setShared(&bundle);
            QCOMPARE(LocalizedAppBundle::shared(), &bundle);
        }
        QVERIFY(LocalizedAppBundle::shared() != nullptr);
        QCOMPARE(L("Ajustes").isEmpty(), false);
    }

    // Lookups on several threads while the language changes: no deadlock, and every answer is
    // one whole translation of the key (never a mix, never the marker).
    void concurrentLookupsWhileTheLanguageChanges()
    {
        SelectedLanguageScope scope;
        QTemporaryDir root;
        writeTable(root.path(), u"en"_qs, "\"Ajustes\" = \"Settings\";\n\"Marcado\" = \"__TARNWICK_MISSING_KEY__\";");
        writeTable(root.path(), u"es"_qs, "\"Ajustes\" = \"Ajustes (es)\";");
        writeTable(root.path(), u"ja"_qs, "\"Ajustes\" = \"設定\";");
        writeTable(root.path(), u"it"_qs, "\"Ajustes\" = \"Impostazioni\";\n\"Marcado\" = \"Segnato\";");
        LocalizedAppBundle bundle(root.path(), {u"it"_qs});
        const QStringList allowed{u"Settings"_qs, u"Ajustes (es)"_qs, u"設定"_qs, u"Impostazioni"_qs};

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
        const QStringList codes{u"en"_qs, u"es"_qs, u"system"_qs, u"ja"_qs, u"fr"_qs, u"it"_qs};
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
