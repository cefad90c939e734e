// Kavla's windows rendered as a person sees them: the popup in its main states in every interface
// language, and every Settings section, every page of the user guide and the history window with a
// text, an image, a table and files chosen, in Portuguese and English; each in light and dark. Each
// picture must show the scheme's background with a readable title. With KAVLA_SCREENSHOT_DIR set,
// the pictures are kept there for a person to look at (scripts/screenshots.sh).
#include "fakes/TestData.h"
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
#include "views/history/HistoryWindowDetail.h"
#include "views/history/ImageFitView.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/PopoverWindow.h"
#include "views/popup/ThumbnailCache.h"
#include "views/settings/SettingsContent.h"
#include "views/settings/SettingsView.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QStyleFactory>
#include <QtTest>

using Scheme = AppearanceManager::ColorScheme;

namespace {

using TestData::settle;

// One row per scheme and language, named "<prefix>-<name>-<language>-<scheme>".
void addRows(const char *prefix, const QStringList &names, const QStringList &languages = {u"pt-BR"_qs, u"en"_qs})
{
    QTest::addColumn<Scheme>("scheme");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    for (const auto &[scheme, label] : {std::pair{Scheme::Light, "light"}, std::pair{Scheme::Dark, "dark"}}) {
        for (const QString &language : languages) {
            for (const QString &name : names)
                QTest::addRow("%s-%s-%s-%s", prefix, qPrintable(name.toLower()), qPrintable(language), label)
                    << scheme << language << name;
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

// How many pixels of `area` (in points) differ clearly from `background` in lightness.
int contrastingPixels(const QImage &image, const QRect &area, const QColor &background)
{
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels(area.topLeft() * ratio, area.size() * ratio);
    int contrasting = 0;
    for (int x = pixels.left(); x < pixels.right(); ++x) {
        for (int y = pixels.top(); y < pixels.bottom(); ++y)
            contrasting += std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 120;
    }
    return contrasting;
}

bool schemeBackground(Scheme scheme, const QColor &background)
{
    return scheme == Scheme::Dark ? background.lightness() < 100 : background.lightness() > 200;
}

} // namespace

class ScreenshotsTest : public QObject
{
    Q_OBJECT

    // Keeps the picture (and, with `whole`, the whole scrolled page) under the row's name.
    QImage keep(QWidget &window, QWidget *whole = nullptr)
    {
        const QImage image = window.grab().toImage();
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        if (!m_output.isEmpty()) {
            [&] { QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png")))); }();
            if (whole) {
                const QImage page = whole->grab(QRect(QPoint(), whole->sizeHint().expandedTo(whole->size()))).toImage();
                [&] { QVERIFY(page.save(QDir(m_output).filePath(name + QStringLiteral("-page.png")))); }();
            }
        }
        return image;
    }

    // Checks that the background follows the scheme and that `title` is drawn in a contrasting colour.
    void check(QWidget &window, Scheme scheme, QLabel *title, QWidget *whole = nullptr)
    {
        const QImage image = keep(window, whole);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const qreal ratio = image.devicePixelRatio();
        const QColor background = image.pixelColor(image.width() - int(40 * ratio), int(6 * ratio));
        QVERIFY2(schemeBackground(scheme, background), qPrintable(name));
        QVERIFY2(title && title->isVisible(), qPrintable(name));
        QVERIFY2(contrastingPixels(image, QRect(title->mapTo(&window, QPoint()), title->size()), background) > 20,
                 qPrintable(name));
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
    }
    void init()
    {
        QFETCH(Scheme, scheme);
        QApplication::setPalette(AppearanceManager::paletteFor(scheme));
    }
    void cleanup() { LocalizedAppBundle::setSelectedLanguage(u"system"_qs); }

    void popup_data()
    {
        addRows("popup", {u"empty"_qs, u"entries"_qs, u"filtered"_qs, u"no-match"_qs, u"confirmation"_qs, u"confirmation-tab"_qs},
                {u"pt-BR"_qs, u"en"_qs, u"es"_qs, u"it"_qs, u"ja"_qs});
    }
    void popup()
    {
        QFETCH(Scheme, scheme);
        QFETCH(QString, language);
        QFETCH(QString, name);
        LocalizedAppBundle::setSelectedLanguage(language);
        MonitorHarness harness;
        if (name != u"empty") {
            harness.copyText(u"Obrigado pela ajuda!"_qs);
            harness.copyText(u"SELECT * FROM pedidos WHERE total > 100;"_qs);
            harness.copyText(u"ana@example.org"_qs);
            harness.copyText(u"Um texto bem longo que não cabe numa linha só e precisa terminar com reticências no fim"_qs);
            harness.copy({{u"text/uri-list"_qs, "file:///home/ana/Fotos/praia.jpg\r\nfile:///home/ana/Fotos/serra.jpg\r\n"}});
            harness.copyText(u"https://example.org/docs/getting-started?ref=kavla"_qs);
            harness.copy({{u"text/uri-list"_qs, "file:///home/ana/Documentos/Relat%C3%B3rio%20anual%202026.pdf\r\n"}});
            const QByteArray tsv = "Produto\tQuantidade\tPreço\nCaneta\t10\t2,50";
            harness.copy({{u"text/tab-separated-values"_qs, tsv}, {u"text/plain"_qs, tsv}});
            harness.copy({{u"image/png"_qs, photo()}});
            harness.copyText(u"Reunião às 15h com a equipe de design"_qs);
        }
        ThumbnailCache thumbnails;
        thumbnails.setHistory(harness.history.get());
        PopoverWindow window;
        const QPalette palette = AppearanceManager::paletteFor(scheme);
        window.setPalette(palette);
        auto *view = new HistoryPopoverView(harness.history.get(), nullptr, &thumbnails);
        window.setContent(view);
        thumbnails.waitForPending();
        if (name == u"filtered")
            view->setSearchText(QStringLiteral("ana"));
        else if (name == u"no-match")
            view->setSearchText(QStringLiteral("nada parecido"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Asked while on screen, as a user does, so the focus lands where it does for them.
        if (name.startsWith(u"confirmation")) {
            view->showClearConfirmation();
            if (name == u"confirmation-tab")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCoreApplication::processEvents();
        const QImage image = keep(window); // frame included
        const qreal ratio = image.devicePixelRatio();
        QCOMPARE(image.deviceIndependentSize().toSize(), QSize(HistoryPopoverView::Width + 2, HistoryPopoverView::Height + 2));
        // The background near the footer's middle carries the scheme's window colour, or is dimmed
        // by the confirmation around its card; the header title is drawn in a contrasting colour.
        const QColor background = image.pixelColor(image.width() / 2, image.height() - int(4 * ratio));
        if (name.startsWith(u"confirmation"))
            QVERIFY(background.lightness() < palette.color(QPalette::Window).lightness() - 10);
        else
            QVERIFY(schemeBackground(scheme, background) && contrastingPixels(image, QRect(30, 10, 60, 24), background) > 20);
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
        if (name == u"image") // decoded off the interface thread
            QTRY_VERIFY(!view.browser()->detail()->imageView()->image().isNull());
        auto *title = view.findChild<QLabel *>(QStringLiteral("sourceAppName"));
        check(view, scheme, title);
    }

private:
    QString m_output;
    TestData::PortugueseTables m_tables;
};

QTEST_MAIN(ScreenshotsTest)
#include "tst_screenshots.moc"
