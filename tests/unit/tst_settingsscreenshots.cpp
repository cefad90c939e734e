// Every Settings section rendered in light and dark, in Portuguese and English: each picture must
// show the scheme's background with a readable section title. With KAVLA_SCREENSHOT_DIR set, the
// window and the whole page are kept there for a person to look at (scripts/screenshots.sh).
#include "fakes/MonitorHarness.h"
#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "views/SettingsContent.h"
#include "views/SettingsView.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStyleFactory>
#include <QtTest>

using Scheme = AppearanceManager::ColorScheme;

class SettingsScreenshotsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_output = qEnvironmentVariable("KAVLA_SCREENSHOT_DIR");
        if (!m_output.isEmpty())
            QVERIFY(QDir().mkpath(m_output));
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        m_bundle = std::make_unique<LocalizedAppBundle>(QStringLiteral(KAVLA_SOURCE_DIR "/resources"),
                                                        QStringList{u"pt-BR"_qs});
        LocalizedAppBundle::setShared(m_bundle.get());
    }

    void sections_data()
    {
        QTest::addColumn<Scheme>("scheme");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("section");
        for (const auto &[scheme, label] : {std::pair{Scheme::Light, "light"}, std::pair{Scheme::Dark, "dark"}}) {
            for (const char *language : {"pt-BR", "en"}) {
                for (const QString &section : Preferences::settingsSections())
                    QTest::addRow("settings-%s-%s-%s", qPrintable(section.toLower()), language, label)
                        << scheme << QString::fromLatin1(language) << section;
            }
        }
    }

    void sections()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        QFETCH(QString, section);
        const QPalette palette = AppearanceManager::paletteFor(scheme);
        QApplication::setPalette(palette);

        MonitorHarness harness;
        harness.workspace.running = {
            {u"org.mozilla.firefox"_qs, u"Firefox"_qs, true},
            {u"org.gnome.TextEditor"_qs, u"Editor de Texto"_qs, true},
            {u"org.keepassxc.KeePassXC"_qs, u"KeePassXC"_qs, true},
        };
        harness.preferences.setSettingsSelectedSection(section);
        LanguageManager languages(&harness.defaults);
        languages.setLanguage(language);
        SettingsView view({&harness.preferences, &languages, nullptr, nullptr, harness.ignoredApps.get(), nullptr,
                           harness.monitor.get(), harness.context()});
        view.setPalette(palette);
        view.resize(800, 560);
        view.show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();

        const QImage image = view.grab().toImage();
        QWidget *page = view.content()->page();
        const QImage whole = page->grab(QRect(QPoint(), page->sizeHint().expandedTo(page->size()))).toImage();
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        if (!m_output.isEmpty()) {
            QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png"))));
            QVERIFY(whole.save(QDir(m_output).filePath(name + QStringLiteral("-page.png"))));
        }

        // The detail column's background follows the scheme...
        // Positions in device pixels, so the checks hold at any scale factor.
        const qreal ratio = image.devicePixelRatio();
        const QColor background = image.pixelColor(image.width() - int(40 * ratio), int(6 * ratio));
        QVERIFY2(scheme == Scheme::Dark ? background.lightness() < 100 : background.lightness() > 200, qPrintable(name));
        // ...and the section title is drawn in a contrasting colour.
        auto *title = page->findChild<QLabel *>(QStringLiteral("sectionTitle"));
        QVERIFY(title);
        QCOMPARE(title->text(), L(section));
        const QRect area(title->mapTo(&view, QPoint()) * ratio, title->size() * ratio);
        int contrasting = 0;
        for (int x = area.left(); x < area.right(); ++x) {
            for (int y = area.top(); y < area.bottom(); ++y)
                contrasting += std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 120;
        }
        QVERIFY2(contrasting > 20, qPrintable(name));
    }

private:
    QString m_output;
    std::unique_ptr<LocalizedAppBundle> m_bundle;
};

QTEST_MAIN(SettingsScreenshotsTest)
#include "tst_settingsscreenshots.moc"
