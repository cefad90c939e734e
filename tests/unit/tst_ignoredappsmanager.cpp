// The ignored-applications list: its stored form, the installed defaults, add, remove, the ignore
// test, choosing from disk and the running applications offered.
#include "fakes/FakeWorkspace.h"
#include "fakes/MemoryDefaultsStore.h"
#include "fakes/OutputCapture.h"
#include "services/IgnoredAppsManager.h"
#include "services/Preferences.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Apps = QList<IgnoredApp>;

namespace {

const QString Key = u"Kavla_IgnoredApplications"_s;

// Identifier and name pairs.
Apps apps(std::initializer_list<const char *> pairs)
{
    Apps list;
    for (auto it = pairs.begin(); it != pairs.end(); it += 2)
        list.append({QString::fromUtf8(*it), QString::fromUtf8(*(it + 1))});
    return list;
}

struct Harness
{
    MemoryDefaultsStore defaults;
    Preferences preferences{&defaults};
    FakeWorkspace workspace;
    FakeApplicationPicker picker;

    explicit Harness(const QVariant &stored = {}, const QStringList &installed = {})
    {
        if (stored.isValid())
            defaults.set(Key, stored);
        for (const QString &id : installed)
            workspace.installed.insert(id, u"/apps/%1.desktop"_s.arg(id));
    }
    QByteArray storedValue() const { return defaults.object(Key).toByteArray(); }
};

} // namespace

class IgnoredAppsManagerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void load_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<Apps>("expected");
        QTest::addColumn<bool>("logsLoadError");

        const QStringList bitwarden{u"bitwarden"_s};
        QTest::newRow("first launch: installed defaults, in their order")
            << QVariant() << QStringList{u"com.apple.keychainaccess"_s, u"com.bitwarden.desktop"_s}
            << apps({"com.bitwarden.desktop", "Bitwarden", "com.apple.keychainaccess", "Acesso às Chaves"}) << false;
        QTest::newRow("nothing installed") << QVariant() << QStringList() << Apps() << false;
        QTest::newRow("empty stored list is filled again") << QVariant(QByteArray("[]")) << bitwarden
                                                           << apps({"bitwarden", "Bitwarden"}) << false;
        QTest::newRow("stored list kept as it is, defaults not merged")
            << QVariant(QByteArray(R"([{"name":"Velho","bundleIdentifier":"com.example.old"}])")) << bitwarden
            << apps({"com.example.old", "Velho"}) << false;
        QTest::newRow("not JSON") << QVariant(QByteArray("{{{")) << bitwarden << apps({"bitwarden", "Bitwarden"}) << true;
        QTest::newRow("a member missing spoils the whole list")
            << QVariant(QByteArray(R"([{"bundleIdentifier":"a","name":"A"},{"bundleIdentifier":"b"}])"))
            << QStringList() << Apps() << true;
    }

    void load()
    {
        QFETCH(QVariant, stored);
        QFETCH(QStringList, installed);
        QFETCH(Apps, expected);
        QFETCH(bool, logsLoadError);

        Harness h(stored, installed);
        OutputCapture output;
        IgnoredAppsManager manager(&h.preferences, &h.workspace, nullptr);
        const QString written = output.text();
        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(written.startsWith(u"Erro ao carregar aplicativos ignorados: "_s), logsLoadError);
        QCOMPARE(written.count(u'\n'), logsLoadError ? 1 : 0);
        // A kept list is left as stored; anything else (the undecodable value too) is replaced.
        if (!logsLoadError && stored.isValid() && stored.toByteArray() != "[]")
            QCOMPARE(h.defaults.object(Key), stored);
        else
            QCOMPARE(h.storedValue(), IgnoredAppsManager::encode(expected));
    }

    // Defaults installed after the first launch are added at the next one; removed ones stay gone.
    void defaultsInstalledLater()
    {
        Harness h(QVariant(), {});
        { IgnoredAppsManager first(&h.preferences, &h.workspace, nullptr); }
        h.workspace.installed.insert(u"bitwarden"_s, u"/b.desktop"_s);
        IgnoredAppsManager second(&h.preferences, &h.workspace, nullptr);
        QCOMPARE(second.ignoredApps(), apps({"bitwarden", "Bitwarden"}));
        second.remove(u"bitwarden"_s);
        IgnoredAppsManager third(&h.preferences, &h.workspace, nullptr);
        QCOMPARE(third.ignoredApps(), Apps());
    }

    void isIgnored_data()
    {
        QTest::addColumn<QVariant>("identifier"); // invalid: absent
        QTest::addColumn<bool>("ignored");
        QTest::newRow("listed, in capitals") << QVariant(u"COM.BITWARDEN.DESKTOP"_s) << true;
        QTest::newRow("not listed") << QVariant(u"org.mozilla.firefox"_s) << false;
        QTest::newRow("a prefix is not a match") << QVariant(u"com.bitwarden"_s) << false;
        QTest::newRow("empty, though a record has an empty identifier") << QVariant(QString()) << false;
        QTest::newRow("absent") << QVariant() << false;
    }

    void isIgnored()
    {
        QFETCH(QVariant, identifier);
        QFETCH(bool, ignored);
        Harness h(IgnoredAppsManager::encode(apps({"", "", "com.bitwarden.desktop", "Bitwarden"})));
        IgnoredAppsManager manager(&h.preferences, &h.workspace, nullptr);
        QCOMPARE(manager.isIgnored(identifier.isValid() ? std::optional(identifier.toString()) : std::nullopt), ignored);
    }

    // Adds one application to [Bitwarden], or removes one from the list given.
    void change_data()
    {
        QTest::addColumn<Apps>("start");
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Apps>("expected");

        const Apps bitwarden = apps({"com.bitwarden.desktop", "Bitwarden"});
        QTest::newRow("add, name kept untrimmed") << bitwarden << true << u"x"_s << u" X "_s << bitwarden + apps({"x", " X "});
        QTest::newRow("add: identifier trimmed, empty name becomes it")
            << bitwarden << true << u"  org.gnome.Terminal\n"_s << QString()
            << bitwarden + apps({"org.gnome.Terminal", "org.gnome.Terminal"});
        QTest::newRow("add: listed in other letter case") << bitwarden << true << u"COM.Bitwarden.Desktop"_s
                                                          << u"Outro"_s << bitwarden;
        QTest::newRow("add: only white space") << bitwarden << true << u" \n\t"_s << u"Nada"_s << bitwarden;
        QTest::newRow("remove every match ignoring case, order kept")
            << apps({"a", "A", "b", "B", "a", "A2", "c", "C"}) << false << u"A"_s << QString() << apps({"b", "B", "c", "C"});
        QTest::newRow("remove the last one: an empty list is stored")
            << bitwarden << false << u"com.bitwarden.desktop"_s << QString() << Apps();
    }

    void change()
    {
        QFETCH(Apps, start);
        QFETCH(bool, adding);
        QFETCH(QString, identifier);
        QFETCH(QString, name);
        QFETCH(Apps, expected);

        Harness h(IgnoredAppsManager::encode(start));
        IgnoredAppsManager manager(&h.preferences, &h.workspace, nullptr);
        if (adding)
            manager.add(identifier, name);
        else
            manager.remove(identifier);
        QCOMPARE(manager.ignoredApps(), expected);
        QCOMPARE(h.storedValue(), IgnoredAppsManager::encode(expected));
    }

    void selectAppFromDisk_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QList<ChosenApplication>>("chosen");
        QTest::addColumn<Apps>("expected");

        const ChosenApplication keepass{u"/usr/share/applications/org.keepassxc.KeePassXC.desktop"_s,
                                        u"org.keepassxc.KeePassXC"_s, u"KeePassXC (pt)"_s, u"KeePassXC"_s, true};
        const ChosenApplication plain{u"/home/ana/Área de Trabalho/meu-app.desktop"_s, {}, {}, {}, true};
        const ChosenApplication named{u"/opt/x/editor.desktop"_s, {}, {}, u"Editor"_s, true};
        const ChosenApplication broken{u"/tmp/quebrado.desktop"_s, {}, {}, {}, false};
        const ChosenApplication duplicate{u"/x/ORG.KEEPASSXC.KEEPASSXC.desktop"_s, {}, {}, u"Outro"_s, true};
        QTest::newRow("cancelled") << false << QList{keepass} << Apps();
        QTest::newRow("display name, else name, else file name; unreadable and duplicates skipped")
            << true << QList{broken, keepass, duplicate, named, plain}
            << apps({"org.keepassxc.KeePassXC", "KeePassXC (pt)", "editor", "Editor", "meu-app", "meu-app"});
    }

    void selectAppFromDisk()
    {
        QFETCH(bool, confirmed);
        QFETCH(QList<ChosenApplication>, chosen);
        QFETCH(Apps, expected);
        Harness h;
        if (confirmed)
            h.picker.answer = chosen;
        IgnoredAppsManager manager(&h.preferences, &h.workspace, &h.picker);
        manager.selectAppFromDisk();
        QCOMPARE(manager.ignoredApps(), expected);
    }

    void runningApplications()
    {
        Harness h(IgnoredAppsManager::encode(apps({"com.bitwarden.desktop", "Bitwarden"})));
        h.workspace.running = {{u"org.gnome.Nautilus"_s, u"files"_s, true}, {u"com.tarnwick.Kavla"_s, u"Kavla"_s, true},
                               {u"COM.BITWARDEN.DESKTOP"_s, u"Bitwarden"_s, true}, {u"org.xfce.panel"_s, u"Panel"_s, false},
                               {std::nullopt, u"Sem ID"_s, true}, {u"b.second"_s, u"Files"_s, true},
                               {u"z.noname"_s, std::nullopt, true}, {u"a.first"_s, u"Editor"_s, true}};
        IgnoredAppsManager manager(&h.preferences, &h.workspace, nullptr);
        // Sorted by name ignoring case, equal names in running order; unnamed ones under their ID.
        QCOMPARE(manager.getRunningApplications(),
                 apps({"a.first", "Editor", "org.gnome.Nautilus", "files", "b.second", "Files", "z.noname", "z.noname"}));
    }
};

QTEST_MAIN(IgnoredAppsManagerTest)
#include "tst_ignoredappsmanager.moc"
