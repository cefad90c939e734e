// The windows rendered in light and dark, in Portuguese and English: every Settings section, every
// page of the user guide and the history window with a text, an image, a table and files chosen.
// Each picture must show the scheme's background with a readable title. With KAVLA_SCREENSHOT_DIR
// set, the pictures are kept there for a person to look at (scripts/screenshots.sh).
#include "fakes/MonitorHarness.h"
#include "services/AppearanceManager.h"
#include "services/LanguageManager.h"
#include "services/LocalizedAppBundle.h"
#include "shell/WindowManager.h"
#include "store/HistoryQueryModel.h"
#include "views/guide/HelpContent.h"
#include "views/guide/HelpView.h"
#include "views/history/HistoryWindow.h"
#include "views/history/HistoryWindowBrowser.h"
#include "views/settings/SettingsContent.h"
#include "views/settings/SettingsView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStyleFactory>
#include <QtTest>

using Scheme = AppearanceManager::ColorScheme;

namespace {

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// One row per scheme and language, named "<prefix>-<name>-<language>-<scheme>".
void addRows(const char *prefix, const QStringList &names)
{
    QTest::addColumn<Scheme>("scheme");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    for (const auto &[scheme, label] : {std::pair{Scheme::Light, "light"}, std::pair{Scheme::Dark, "dark"}}) {
        for (const char *language : {"pt-BR", "en"}) {
            for (const QString &name : names)
                QTest::addRow("%s-%s-%s-%s", prefix, qPrintable(name.toLower()), language, label)
                    << scheme << QString::fromLatin1(language) << name;
        }
    }
}

QByteArray photo()
{
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 320, 200);
    gradient.setColorAt(0, QColor(0x2a, 0x6f, 0xdb));
    gradient.setColorAt(1, QColor(0xf5, 0xa6, 0x23));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class WindowScreenshotsTest : public QObject
{
    Q_OBJECT

    // Keeps the picture and checks that the background follows the scheme and that `title` is
    // drawn in a contrasting colour.
    void check(QWidget &window, Scheme scheme, QLabel *title, QWidget *whole = nullptr)
    {
        const QImage image = window.grab().toImage();
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        if (!m_output.isEmpty()) {
            QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png"))));
            if (whole) {
                const QImage page = whole->grab(QRect(QPoint(), whole->sizeHint().expandedTo(whole->size()))).toImage();
                QVERIFY(page.save(QDir(m_output).filePath(name + QStringLiteral("-page.png"))));
            }
        }
        // Positions in device pixels, so the checks hold at any scale factor.
        const qreal ratio = image.devicePixelRatio();
        const QColor background = image.pixelColor(image.width() - int(40 * ratio), int(6 * ratio));
        QVERIFY2(scheme == Scheme::Dark ? background.lightness() < 100 : background.lightness() > 200, qPrintable(name));
        QVERIFY2(title && title->isVisible(), qPrintable(name));
        const QRect area(title->mapTo(&window, QPoint()) * ratio, title->size() * ratio);
        int contrasting = 0;
        for (int x = area.left(); x < area.right(); ++x) {
            for (int y = area.top(); y < area.bottom(); ++y)
                contrasting += std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 120;
        }
        QVERIFY2(contrasting > 20, qPrintable(name));
    }

    void show(QWidget &window, Scheme scheme, QSize size)
    {
        window.setPalette(AppearanceManager::paletteFor(scheme));
        window.resize(size);
        window.show();
        settle();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_output = qEnvironmentVariable("KAVLA_SCREENSHOT_DIR");
        if (!m_output.isEmpty())
            QVERIFY(QDir().mkpath(m_output));
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        m_bundle = std::make_unique<LocalizedAppBundle>(QStringLiteral(KAVLA_SOURCE_DIR "/resources"),
                                                        QStringList{u"pt-BR"_qs});
        Localization::install(m_bundle.get());
    }
    void init()
    {
        QFETCH(Scheme, scheme);
        QApplication::setPalette(AppearanceManager::paletteFor(scheme));
    }

    void settingsSections_data() { addRows("settings", Preferences::settingsSections()); }
    void settingsSections()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        QFETCH(QString, name);
        MonitorHarness harness;
        harness.workspace.running = {
            {u"org.mozilla.firefox"_qs, u"Firefox"_qs, true},
            {u"org.gnome.TextEditor"_qs, u"Editor de Texto"_qs, true},
            {u"org.keepassxc.KeePassXC"_qs, u"KeePassXC"_qs, true},
        };
        harness.preferences.setSettingsSelectedSection(name);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        SettingsView view({&harness.preferences, &languages, nullptr, nullptr, harness.ignoredApps.get(), nullptr,
                           harness.history.get()});
        show(view, scheme, WindowManager::SettingsSize);
        QWidget *page = view.content()->page();
        auto *title = page->findChild<QLabel *>(QStringLiteral("sectionTitle"));
        QVERIFY(title);
        QCOMPARE(title->text(), L(name));
        check(view, scheme, title, page);
    }

    void guidePages_data()
    {
        QStringList topics;
        for (HelpTopic topic : HelpTopics::all())
            topics << HelpTopics::rawValue(topic);
        addRows("guide", topics);
    }
    void guidePages()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        QFETCH(QString, name);
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        LanguageManager languages(&preferences);
        languages.setLanguage(language);
        HelpView view(&languages, nullptr);
        const HelpTopic topic = *HelpTopics::fromRawValue(name);
        if (topic != HelpTopic::Shortcuts)
            view.navigateTo(topic);
        show(view, scheme, WindowManager::HelpSize);
        QWidget *page = view.content()->page();
        // The page's first text is its title (on the shortcut page, below the keyboard symbol).
        QLabel *title = nullptr;
        for (QLabel *label : page->findChildren<QLabel *>()) {
            if (!label->text().isEmpty()) {
                title = label;
                break;
            }
        }
        check(view, scheme, title, page);
    }

    void historyWindow_data() { addRows("history", {u"text"_qs, u"image"_qs, u"table"_qs, u"files"_qs}); }
    void historyWindow()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        QFETCH(QString, name);
        MonitorHarness harness;
        const QByteArray tsv = "Produto\tQtd\tPreço\nCaneta\t3\t2,50\nCaderno\t1\t12,00";
        harness.copy({{u"text/uri-list"_qs, "file:///home/ana/Relatório.pdf\r\nfile:///home/ana/fotos\r\n"}});
        harness.copy({{u"text/tab-separated-values"_qs, tsv}, {u"text/plain"_qs, tsv}});
        harness.copy({{u"image/png"_qs, photo()}});
        harness.copyText(u"Reunião às 15h na sala 2.\n\nLevar o relatório trimestral e os números de vendas."_qs);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        HistoryWindow view({harness.history.get(), &harness.workspace, &languages, nullptr});
        const int row = QStringList{u"text"_qs, u"image"_qs, u"table"_qs, u"files"_qs}.indexOf(name);
        QListView *sidebar = view.browser()->sidebar();
        sidebar->setCurrentIndex(view.model()->index(row));
        show(view, scheme, WindowManager::HistorySize);
        QVERIFY(view.selectedItem());
        auto *title = view.findChild<QLabel *>(QStringLiteral("sourceAppName"));
        check(view, scheme, title);
    }

    // The history window as it opens, in each language: its buttons whole, nothing clipped.
    void historyWindowAtOpeningSize_data()
    {
        QTest::addColumn<Scheme>("scheme");
        QTest::addColumn<QString>("language");
        for (const char *language : {"pt-BR", "en", "es", "it", "ja"})
            QTest::addRow("history-opening-%s-light", language) << Scheme::Light << QString::fromLatin1(language);
    }
    void historyWindowAtOpeningSize()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        MonitorHarness harness;
        harness.copyText(u"Reunião às 15h na sala 2. Levar o relatório trimestral e os números de vendas do último "
                         "trimestre, com a comparação entre as filiais."_qs);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        HistoryWindow view({harness.history.get(), &harness.workspace, &languages, nullptr});
        view.browser()->sidebar()->setCurrentIndex(view.model()->index(0));
        view.ensurePolished();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        show(view, scheme, WindowManager::openingSize(&view, WindowManager::HistorySize, screen));
        for (QPushButton *button : view.findChildren<QPushButton *>())
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        check(view, scheme, view.findChild<QLabel *>(QStringLiteral("sourceAppName")));
        languages.setLanguage(u"system"_qs);
    }

    // On a desktop whose language has no table (German), Settings reads as the Portuguese table
    // says it, in Linux words.
    void settingsOnAGermanDesktop_data()
    {
        QTest::addColumn<Scheme>("scheme");
        QTest::newRow("settings-general-de-light") << Scheme::Light;
    }
    void settingsOnAGermanDesktop()
    {
        QFETCH(Scheme, scheme);
        LocalizedAppBundle german(QStringLiteral(KAVLA_SOURCE_DIR "/resources"), QStringList{u"de-DE"_qs});
        Localization::install(&german);
        MonitorHarness harness;
        harness.preferences.setSettingsSelectedSection(u"Geral"_qs);
        LanguageManager languages(&harness.preferences);
        SettingsView view({&harness.preferences, &languages, nullptr, nullptr, harness.ignoredApps.get(), nullptr,
                           harness.history.get()});
        show(view, scheme, WindowManager::SettingsSize);
        const QStringList shown = [&] {
            QStringList texts;
            for (QAbstractButton *control : view.findChildren<QAbstractButton *>())
                texts << control->text();
            return texts;
        }();
        QVERIFY(shown.contains(u"Iniciar o Kavla ao entrar na sessão"_qs));
        QVERIFY(!shown.join(u' ').contains(u"macOS"_qs));
        check(view, scheme, view.content()->page()->findChild<QLabel *>(QStringLiteral("sectionTitle")),
              view.content()->page());
        Localization::install(m_bundle.get());
    }

private:
    QString m_output;
    std::unique_ptr<LocalizedAppBundle> m_bundle;
};

QTEST_MAIN(WindowScreenshotsTest)
#include "tst_windowscreenshots.moc"
