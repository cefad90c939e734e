// Installed applications read from desktop files: IDs, lookups ignoring case, the folder order,
// window classes, localized names, and what the application chooser reads from a chosen file.
#include "fakes/TestData.h"
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/XdgApplicationPicker.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class DesktopApplicationsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString path(const QString &relative) const { return m_root.filePath(relative); }
    void write(const QString &relative, const QByteArray &contents)
    {
        QVERIFY(TestData::writeFile(path(relative), contents));
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", path(u"home"_s).toUtf8());
        qputenv("XDG_DATA_DIRS", path(u"system"_s).toUtf8());
        QLocale::setDefault(QLocale(u"pt_BR"_s));
        write(u"home/applications/org.example.Editor.desktop"_s,
              "[Desktop Entry]\nType=Application\nName=Editor\nName[pt]=Editor pt\nName[pt_BR]=Editor de Textos\n");
        write(u"system/applications/org.example.Editor.desktop"_s, "[Desktop Entry]\nName=Editor do sistema\n");
        write(u"system/applications/org.keepassxc.KeePassXC.desktop"_s,
              "# comment\n[Desktop Entry]\nName=KeePassXC\nStartupWMClass=keepassxc\n[Desktop Action New]\nName=Novo cofre\n");
        write(u"system/applications/kde/org.kde.dolphin.desktop"_s, "[Desktop Entry]\nName=Gerenciador\\sde arquivos\n");
        write(u"system/applications/broken.desktop"_s, "Name=No group\n");
        write(u"Downloads/meu-app.desktop"_s, "[Desktop Entry]\nType=Application\n");
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("id");        // the window's instance name when a class is given
        QTest::addColumn<QString>("className"); // empty: looked up by ID
        QTest::addColumn<QString>("foundId");   // empty: not installed
        QTest::addColumn<QString>("name");

        const QString keepass = u"org.keepassxc.KeePassXC"_s;
        const QString editor = u"org.example.Editor"_s;
        QTest::newRow("letter case ignored") << u"org.keepassxc.keepassxc"_s << QString() << keepass << "KeePassXC";
        QTest::newRow("own folder first, localized name") << u"org.example.editor"_s << QString() << editor
                                                          << "Editor de Textos";
        QTest::newRow("subfolder gives a dashed ID, escapes read")
            << u"kde-org.kde.dolphin"_s << QString() << u"kde-org.kde.dolphin"_s << "Gerenciador de arquivos";
        QTest::newRow("file without a desktop entry") << u"broken"_s << QString() << QString() << QString();
        QTest::newRow("missing") << u"com.bitwarden.desktop"_s << QString() << QString() << QString();
        QTest::newRow("window: StartupWMClass, any case") << u"x"_s << u"KeePassXC"_s << keepass << "KeePassXC";
        QTest::newRow("window: instance name is an ID") << editor << u"Qt-app"_s << editor << "Editor de Textos";
        QTest::newRow("window: nothing matches") << u"xterm"_s << u"XTerm"_s << QString() << QString();
    }

    void lookup()
    {
        QFETCH(QString, id);
        QFETCH(QString, className);
        QFETCH(QString, foundId);
        QFETCH(QString, name);
        DesktopApplications applications;
        const std::optional<DesktopEntry> entry =
            className.isEmpty() ? applications.entryForId(id) : applications.entryForWindowClass(id, className);
        QCOMPARE(entry ? entry->id : QString(), foundId);
        QCOMPARE(entry ? entry->name : QString(), name);
    }

    void newlyInstalledApplicationIsFound()
    {
        DesktopApplications applications;
        QVERIFY(!applications.entryForId(u"bitwarden"_s));
        QTest::qWait(20);
        write(u"home/applications/bitwarden.desktop"_s, "[Desktop Entry]\nName=Bitwarden\n");
        QVERIFY(applications.entryForId(u"Bitwarden"_s));
        QFile::remove(path(u"home/applications/bitwarden.desktop"_s));
    }

    void chosenFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("bundleIdentifier"); // "-": none declared
        QTest::addColumn<QString>("displayName");
        QTest::newRow("in an applications folder") << u"home/applications/org.example.Editor.desktop"_s << true
                                                   << "org.example.Editor" << "Editor de Textos";
        QTest::newRow("elsewhere") << u"Downloads/meu-app.desktop"_s << true << "-" << "-";
        QTest::newRow("not a desktop file") << u"system/applications/broken.desktop"_s << false << "-" << "-";
    }

    void chosenFile()
    {
        QFETCH(QString, file);
        QFETCH(bool, readable);
        QFETCH(QString, bundleIdentifier);
        QFETCH(QString, displayName);
        const ChosenApplication chosen = XdgApplicationPicker::describe(path(file));
        QCOMPARE(chosen.readable, readable);
        QCOMPARE(chosen.bundleIdentifier.value_or(u"-"_s), bundleIdentifier);
        QCOMPARE(chosen.displayName.value_or(u"-"_s), displayName);
    }
};

QTEST_MAIN(DesktopApplicationsTest)
#include "tst_desktopapplications.moc"
