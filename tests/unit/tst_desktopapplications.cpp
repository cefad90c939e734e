// Installed applications read from desktop files: IDs, lookups ignoring case, the folder order,
// window classes, localized names, and what the application chooser reads from a chosen file.
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/XdgApplicationPicker.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(contents);
}

} // namespace

class DesktopApplicationsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString home() const { return m_root.filePath(QStringLiteral("home/applications")); }
    QString system() const { return m_root.filePath(QStringLiteral("system/applications")); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("system")).toUtf8());
        QLocale::setDefault(QLocale(QStringLiteral("pt_BR")));
        writeFile(home() + QStringLiteral("/org.example.Editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Editor\nName[pt]=Editor pt\n"
                  "Name[pt_BR]=Editor de Textos\nIcon=accessories-text-editor\n");
        writeFile(system() + QStringLiteral("/org.example.Editor.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Editor do sistema\n");
        writeFile(system() + QStringLiteral("/org.keepassxc.KeePassXC.desktop"),
                  "# comment\n[Desktop Entry]\nName=KeePassXC\nStartupWMClass=keepassxc\n"
                  "[Desktop Action New]\nName=Novo cofre\n");
        writeFile(system() + QStringLiteral("/kde/org.kde.dolphin.desktop"),
                  "[Desktop Entry]\nName=Gerenciador\\sde arquivos\n");
        writeFile(system() + QStringLiteral("/broken.desktop"), "Name=No group\n");
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("foundId"); // empty: not installed
        QTest::addColumn<QString>("name");

        QTest::newRow("exact") << QStringLiteral("org.keepassxc.KeePassXC") << QStringLiteral("org.keepassxc.KeePassXC")
                               << QStringLiteral("KeePassXC");
        QTest::newRow("letter case ignored") << QStringLiteral("org.keepassxc.keepassxc")
                                             << QStringLiteral("org.keepassxc.KeePassXC") << QStringLiteral("KeePassXC");
        QTest::newRow("own folder first, localized name") << QStringLiteral("org.example.editor")
                                                          << QStringLiteral("org.example.Editor")
                                                          << QStringLiteral("Editor de Textos");
        QTest::newRow("subfolder gives a dashed ID, escapes read")
            << QStringLiteral("kde-org.kde.dolphin") << QStringLiteral("kde-org.kde.dolphin")
            << QStringLiteral("Gerenciador de arquivos");
        QTest::newRow("file without a desktop entry") << QStringLiteral("broken") << QString() << QString();
        QTest::newRow("missing") << QStringLiteral("com.bitwarden.desktop") << QString() << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
    }

    void lookup()
    {
        QFETCH(QString, id);
        QFETCH(QString, foundId);
        QFETCH(QString, name);
        DesktopApplications applications;
        const std::optional<DesktopEntry> entry = applications.entryForId(id);
        QCOMPARE(entry.has_value(), !foundId.isEmpty());
        if (entry) {
            QCOMPARE(entry->id, foundId);
            QCOMPARE(entry->name, name);
        }
    }

    void windowClass_data()
    {
        QTest::addColumn<QString>("instanceName");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("foundId");
        QTest::newRow("StartupWMClass, any case") << QStringLiteral("x") << QStringLiteral("KeePassXC")
                                                  << QStringLiteral("org.keepassxc.KeePassXC");
        QTest::newRow("instance name is an ID") << QStringLiteral("org.example.Editor") << QStringLiteral("Qt-app")
                                                << QStringLiteral("org.example.Editor");
        QTest::newRow("nothing matches") << QStringLiteral("xterm") << QStringLiteral("XTerm") << QString();
    }

    void windowClass()
    {
        QFETCH(QString, instanceName);
        QFETCH(QString, className);
        QFETCH(QString, foundId);
        DesktopApplications applications;
        const std::optional<DesktopEntry> entry = applications.entryForWindowClass(instanceName, className);
        QCOMPARE(entry ? entry->id : QString(), foundId);
    }

    void newlyInstalledApplicationIsFound()
    {
        DesktopApplications applications;
        QVERIFY(!applications.entryForId(QStringLiteral("bitwarden")));
        QTest::qWait(20);
        writeFile(home() + QStringLiteral("/bitwarden.desktop"), "[Desktop Entry]\nName=Bitwarden\n");
        QVERIFY(applications.entryForId(QStringLiteral("Bitwarden")));
        QFile::remove(home() + QStringLiteral("/bitwarden.desktop"));
    }

    void chosenFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("bundleIdentifier"); // "-": none declared
        QTest::addColumn<QString>("displayName");
        QTest::newRow("in an applications folder")
            << m_root.filePath(QStringLiteral("home/applications/org.example.Editor.desktop")) << true
            << QStringLiteral("org.example.Editor") << QStringLiteral("Editor de Textos");
        QTest::newRow("elsewhere") << m_root.filePath(QStringLiteral("Downloads/meu-app.desktop")) << true
                                   << QStringLiteral("-") << QStringLiteral("-");
        QTest::newRow("not a desktop file") << m_root.filePath(QStringLiteral("system/applications/broken.desktop"))
                                            << false << QStringLiteral("-") << QStringLiteral("-");
    }

    void chosenFile()
    {
        QFETCH(QString, path);
        QFETCH(bool, readable);
        QFETCH(QString, bundleIdentifier);
        QFETCH(QString, displayName);
        if (path.contains(QLatin1String("Downloads")))
            writeFile(path, "[Desktop Entry]\nType=Application\n");
        const ChosenApplication chosen = XdgApplicationPicker::describe(path);
        QCOMPARE(chosen.readable, readable);
        QCOMPARE(chosen.bundleIdentifier.value_or(QStringLiteral("-")), bundleIdentifier);
        QCOMPARE(chosen.displayName.value_or(QStringLiteral("-")), displayName);
    }
};

QTEST_MAIN(DesktopApplicationsTest)
#include "tst_desktopapplications.moc"
