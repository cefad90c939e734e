// The ignored-applications list: its stored form, the installed defaults, add, remove, the ignore
// test, choosing from disk and the running applications offered.
#include "fakes/FakeWorkspace.h"
#include "fakes/MemoryDefaultsStore.h"
#include "fakes/StdoutCapture.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"

#include <QTest>

namespace {

const QString Key = QStringLiteral("Kavla_IgnoredApplications");

QList<IgnoredApp> apps(std::initializer_list<const char *> pairs)
{
    QList<IgnoredApp> list;
    for (auto it = pairs.begin(); it != pairs.end(); it += 2)
        list.append({QString::fromUtf8(*it), QString::fromUtf8(*(it + 1))});
    return list;
}

QStringList installed(const QStringList &ids)
{
    return ids;
}

} // namespace

class IgnoredAppsManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storedForm()
    {
        QCOMPARE(IgnoredAppsManager::encode(apps({"com.bitwarden.desktop", "Bitwarden"})),
                 QByteArray(R"([{"bundleIdentifier":"com.bitwarden.desktop","name":"Bitwarden"}])"));
        QCOMPARE(IgnoredAppsManager::encode({}), QByteArray("[]"));
        const QList<IgnoredApp> tricky = apps({"a\"b\\c", "Acesso às Chaves\n"});
        QString error;
        QCOMPARE(IgnoredAppsManager::decode(IgnoredAppsManager::encode(tricky), &error), tricky);
    }

    void load_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("installedIds");
        QTest::addColumn<QList<IgnoredApp>>("expected");
        QTest::addColumn<bool>("logsLoadError");

        QTest::newRow("first launch with Bitwarden and Keychain Access")
            << QVariant() << installed({QStringLiteral("com.apple.keychainaccess"), QStringLiteral("com.bitwarden.desktop")})
            << apps({"com.bitwarden.desktop", "Bitwarden", "com.apple.keychainaccess", "Acesso às Chaves"}) << false;
        QTest::newRow("Linux password managers, found ignoring case")
            << QVariant() << installed({QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("Bitwarden"),
                                        QStringLiteral("org.gnome.seahorse.application")})
            << apps({"org.keepassxc.keepassxc", "KeePassXC", "bitwarden", "Bitwarden",
                     "org.gnome.seahorse.Application", "Senhas e Chaves"})
            << false;
        QTest::newRow("nothing installed") << QVariant() << QStringList() << QList<IgnoredApp>() << false;
        QTest::newRow("empty stored list is filled again")
            << QVariant(QByteArray("[]")) << installed({QStringLiteral("1password")})
            << apps({"1password", "1Password"}) << false;
        QTest::newRow("stored list kept as it is, defaults not merged")
            << QVariant(QByteArray(R"([{"name":"Velho","bundleIdentifier":"com.example.old"}])"))
            << installed({QStringLiteral("com.bitwarden.desktop")}) << apps({"com.example.old", "Velho"}) << false;
        QTest::newRow("stored record with an empty identifier is taken as it is")
            << QVariant(QByteArray(R"([{"bundleIdentifier":"","name":""}])")) << QStringList()
            << apps({"", ""}) << false;
        QTest::newRow("not JSON") << QVariant(QByteArray("{{{")) << installed({QStringLiteral("bitwarden")})
                                  << apps({"bitwarden", "Bitwarden"}) << true;
        QTest::newRow("not an array") << QVariant(QByteArray(R"({"bundleIdentifier":"x","name":"y"})"))
                                      << QStringList() << QList<IgnoredApp>() << true;
        QTest::newRow("a member missing spoils the whole list")
            << QVariant(QByteArray(R"([{"bundleIdentifier":"a","name":"A"},{"bundleIdentifier":"b"}])"))
            << QStringList() << QList<IgnoredApp>() << true;
        QTest::newRow("a member of another type")
            << QVariant(QByteArray(R"([{"bundleIdentifier":7,"name":"A"}])")) << QStringList() << QList<IgnoredApp>() << true;
    }

    void load()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, installedIds);
        QFETCH(QList<IgnoredApp>, expected);
        QFETCH(bool, logsLoadError);

        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        defaults.set(Key, stored);
        FakeWorkspace workspace;
        for (const QString &id : installedIds)
            workspace.installed.insert(id, QStringLiteral("/apps/%1.desktop").arg(id));
        StdoutCapture output;
        IgnoredAppsManager manager(&preferences, &workspace, nullptr);
        const QString written = output.text();

        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(written.startsWith(QStringLiteral("Erro ao carregar aplicativos ignorados: ")), logsLoadError);
        QCOMPARE(written.count(QLatin1Char('\n')), logsLoadError ? 1 : 0);
        // Whatever was loaded or put in place is what is stored (the undecodable value is replaced).
        if (stored.isValid() && !logsLoadError && stored.toByteArray() != "[]")
            QCOMPARE(defaults.object(Key), stored);
        else
            QCOMPARE(defaults.object(Key).toByteArray(), IgnoredAppsManager::encode(expected));
    }

    void isIgnored_data()
    {
        QTest::addColumn<QVariant>("identifier"); // invalid: absent
        QTest::addColumn<bool>("ignored");
        QTest::newRow("listed") << QVariant(QStringLiteral("com.bitwarden.desktop")) << true;
        QTest::newRow("listed, in capitals") << QVariant(QStringLiteral("COM.BITWARDEN.DESKTOP")) << true;
        QTest::newRow("not listed") << QVariant(QStringLiteral("org.mozilla.firefox")) << false;
        QTest::newRow("a prefix is not a match") << QVariant(QStringLiteral("com.bitwarden")) << false;
        QTest::newRow("empty, though a record has an empty identifier") << QVariant(QString()) << false;
        QTest::newRow("absent") << QVariant() << false;
    }

    void isIgnored()
    {
        QFETCH(QVariant, identifier);
        QFETCH(bool, ignored);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        defaults.set(Key, QByteArray(R"([{"bundleIdentifier":"","name":""},)"
                                     R"({"bundleIdentifier":"com.bitwarden.desktop","name":"Bitwarden"}])"));
        FakeWorkspace workspace;
        IgnoredAppsManager manager(&preferences, &workspace, nullptr);
        const std::optional<QString> id = identifier.isValid() ? std::optional<QString>(identifier.toString()) : std::nullopt;
        QCOMPARE(manager.isIgnored(id), ignored);
    }

    void add_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<IgnoredApp>>("expected");
        QTest::addColumn<bool>("saved");

        const QList<IgnoredApp> start = apps({"com.bitwarden.desktop", "Bitwarden"});
        QTest::newRow("new application") << QStringLiteral("org.mozilla.firefox") << QStringLiteral("Firefox")
                                         << start + apps({"org.mozilla.firefox", "Firefox"}) << true;
        QTest::newRow("trimmed identifier, empty name")
            << QStringLiteral("  org.gnome.Terminal\n") << QString()
            << start + apps({"org.gnome.Terminal", "org.gnome.Terminal"}) << true;
        QTest::newRow("name kept untrimmed") << QStringLiteral("x") << QStringLiteral(" X ")
                                             << start + apps({"x", " X "}) << true;
        QTest::newRow("same identifier in other letter case") << QStringLiteral("COM.Bitwarden.Desktop")
                                                              << QStringLiteral("Outro") << start << false;
        QTest::newRow("only white space") << QStringLiteral(" \n\t") << QStringLiteral("Nada") << start << false;
    }

    void add()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, name);
        QFETCH(QList<IgnoredApp>, expected);
        QFETCH(bool, saved);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        FakeWorkspace workspace;
        workspace.installed.insert(QStringLiteral("com.bitwarden.desktop"), QStringLiteral("/apps/b.desktop"));
        IgnoredAppsManager manager(&preferences, &workspace, nullptr);
        const int writes = defaults.writeCount();
        manager.add(identifier, name);
        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(defaults.writeCount() > writes, saved);
        QCOMPARE(defaults.object(Key).toByteArray(), IgnoredAppsManager::encode(expected));
    }

    void remove_data()
    {
        QTest::addColumn<QList<IgnoredApp>>("stored");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QList<IgnoredApp>>("expected");
        const QList<IgnoredApp> three = apps({"a", "A", "b", "B", "c", "C"});
        QTest::newRow("exact") << three << QStringLiteral("b") << apps({"a", "A", "c", "C"});
        QTest::newRow("other letter case removes every match, order kept")
            << apps({"a", "A", "b", "B", "a", "A2", "c", "C"}) << QStringLiteral("A") << apps({"b", "B", "c", "C"});
        QTest::newRow("absent changes nothing") << three << QStringLiteral("z") << three;
    }

    void remove()
    {
        QFETCH(QList<IgnoredApp>, stored);
        QFETCH(QString, identifier);
        QFETCH(QList<IgnoredApp>, expected);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        defaults.set(Key, IgnoredAppsManager::encode(stored));
        FakeWorkspace workspace;
        IgnoredAppsManager manager(&preferences, &workspace, nullptr);
        manager.remove(identifier);
        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(defaults.object(Key).toByteArray(), IgnoredAppsManager::encode(expected));
    }

    void removingEverythingStoresAnEmptyArrayAndDefaultsReturn()
    {
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        FakeWorkspace workspace;
        workspace.installed.insert(QStringLiteral("com.bitwarden.desktop"), QStringLiteral("/apps/b.desktop"));
        {
            IgnoredAppsManager manager(&preferences, &workspace, nullptr);
            manager.remove(QStringLiteral("com.bitwarden.desktop"));
            QCOMPARE(defaults.object(Key).toByteArray(), QByteArray("[]"));
        }
        IgnoredAppsManager next(&preferences, &workspace, nullptr);
        QCOMPARE(next.ignoredApps(), apps({"com.bitwarden.desktop", "Bitwarden"}));
    }

    void selectAppFromDisk_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QList<ChosenApplication>>("chosen");
        QTest::addColumn<QList<IgnoredApp>>("expected");

        ChosenApplication keepass{QStringLiteral("/usr/share/applications/org.keepassxc.KeePassXC.desktop"),
                                  QStringLiteral("org.keepassxc.KeePassXC"), QStringLiteral("KeePassXC (pt)"),
                                  QStringLiteral("KeePassXC"), true};
        ChosenApplication plain{QStringLiteral("/home/ana/Área de Trabalho/meu-app.desktop"), std::nullopt,
                                std::nullopt, std::nullopt, true};
        ChosenApplication named{QStringLiteral("/opt/x/editor.desktop"), std::nullopt, std::nullopt,
                                QStringLiteral("Editor"), true};
        ChosenApplication broken{QStringLiteral("/tmp/quebrado.desktop"), std::nullopt, std::nullopt,
                                 std::nullopt, false};
        ChosenApplication duplicate{QStringLiteral("/x/ORG.KEEPASSXC.KEEPASSXC.desktop"), std::nullopt,
                                    std::nullopt, QStringLiteral("Outro"), true};
        QTest::newRow("cancelled") << false << QList<ChosenApplication>{keepass} << QList<IgnoredApp>();
        QTest::newRow("display name first") << true << QList<ChosenApplication>{keepass}
                                            << apps({"org.keepassxc.KeePassXC", "KeePassXC (pt)"});
        QTest::newRow("file name when nothing else")
            << true << QList<ChosenApplication>{plain} << apps({"meu-app", "meu-app"});
        QTest::newRow("name when there is no display name")
            << true << QList<ChosenApplication>{named} << apps({"editor", "Editor"});
        QTest::newRow("unreadable skipped, duplicates skipped, order kept")
            << true << QList<ChosenApplication>{broken, keepass, duplicate, plain}
            << apps({"org.keepassxc.KeePassXC", "KeePassXC (pt)", "meu-app", "meu-app"});
    }

    void selectAppFromDisk()
    {
        QFETCH(bool, confirmed);
        QFETCH(QList<ChosenApplication>, chosen);
        QFETCH(QList<IgnoredApp>, expected);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        FakeWorkspace workspace;
        FakeApplicationPicker picker;
        if (confirmed)
            picker.answer = chosen;
        IgnoredAppsManager manager(&preferences, &workspace, &picker);
        manager.selectAppFromDisk();
        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(picker.lastPrompt, QStringLiteral("Adicionar aos Ignorados"));
        QCOMPARE(picker.lastMessage, QStringLiteral("Selecione aplicativos cujo conteúdo copiado deve ser ignorado pelo Kavla."));
    }

    void runningApplications()
    {
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        defaults.set(Key, IgnoredAppsManager::encode(apps({"com.bitwarden.desktop", "Bitwarden"})));
        FakeWorkspace workspace;
        auto app = [](const char *id, const char *name, bool regular = true) {
            RunningApplication application;
            if (id)
                application.bundleIdentifier = QString::fromUtf8(id);
            if (name)
                application.localizedName = QString::fromUtf8(name);
            application.isRegular = regular;
            return application;
        };
        workspace.running = {app("org.gnome.Nautilus", "files"), app("com.tarnwick.Kavla", "Kavla"),
                             app("COM.BITWARDEN.DESKTOP", "Bitwarden"), app("org.xfce.panel", "Panel", false),
                             app(nullptr, "Sem ID"), app("b.second", "Files"), app("z.noname", nullptr),
                             app("a.first", "Editor"), app("com.tarnwick.kavla", "kavla minúsculo")};
        IgnoredAppsManager manager(&preferences, &workspace, nullptr);
        QCOMPARE(manager.getRunningApplications(),
                 apps({"a.first", "Editor", "org.gnome.Nautilus", "files", "b.second", "Files",
                       "com.tarnwick.kavla", "kavla minúsculo", "z.noname", "z.noname"}));
    }
};

QTEST_MAIN(IgnoredAppsManagerTest)
#include "tst_ignoredappsmanager.moc"
