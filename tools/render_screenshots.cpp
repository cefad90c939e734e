// Renders Kavla's windows as a person sees them, as PNG files to look at: the popup in its main
// states in every interface language, and every Settings section, guide page and history-window
// detail in Portuguese and English; each in light and dark. The windows are filled through the
// test fakes, so neither the real clipboard nor the real history is touched.
//   render_screenshots <folder> [popup] [settings] [guide] [history]   (default: all four)
// scripts/screenshots.sh runs it offscreen, at 100 % and at 200 %.
#include "fakes/MonitorHarness.h"
#include "fakes/TestData.h"
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
#include <QListView>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>

#include <cstdio>

using Scheme = AppearanceManager::ColorScheme;

namespace {

const QStringList PopupLanguages{u"pt-BR"_qs, u"en"_qs, u"es"_qs, u"it"_qs, u"ja"_qs};
const QStringList WindowLanguages{u"pt-BR"_qs, u"en"_qs};
const QStringList PopupStates{u"empty"_qs, u"entries"_qs, u"filtered"_qs, u"no-match"_qs, u"confirmation"_qs,
                              u"confirmation-tab"_qs};
const QStringList HistoryDetails{u"text"_qs, u"image"_qs, u"table"_qs, u"files"_qs};
constexpr std::pair<Scheme, const char *> Schemes[]{{Scheme::Light, "light"}, {Scheme::Dark, "dark"}};

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

class Renderer
{
public:
    explicit Renderer(const QString &folder)
        : m_folder(folder)
    {
    }
    int failures() const { return m_failures; }

    void popup(Scheme scheme, const QString &state)
    {
        MonitorHarness harness;
        if (state != u"empty") {
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
        window.setPalette(AppearanceManager::paletteFor(scheme));
        auto *view = new HistoryPopoverView(harness.history.get(), nullptr, &thumbnails);
        window.setContent(view);
        thumbnails.waitForPending();
        if (state == u"filtered")
            view->setSearchText(u"ana"_qs);
        else if (state == u"no-match")
            view->setSearchText(u"nada parecido"_qs);
        window.show();
        if (!QTest::qWaitForWindowActive(&window))
            return fail(u"the popup never became active"_qs);
        // Asked while on screen, as a user does, so the focus lands where it does for them.
        if (state.startsWith(u"confirmation")) {
            view->showClearConfirmation();
            if (state == u"confirmation-tab")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCoreApplication::processEvents();
        save(window, u"popup-"_qs + state);
    }

    void settings(Scheme scheme, const QString &language, const QString &section)
    {
        MonitorHarness harness;
        harness.workspace.running = {
            {u"org.mozilla.firefox"_qs, u"Firefox"_qs, true},
            {u"org.gnome.TextEditor"_qs, u"Editor de Texto"_qs, true},
            {u"org.keepassxc.KeePassXC"_qs, u"KeePassXC"_qs, true},
        };
        harness.preferences.setSettingsSelectedSection(section);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        SettingsView view({&harness.preferences, &languages, nullptr, nullptr, harness.ignoredApps.get(), nullptr,
                           harness.history.get()});
        show(view, scheme, WindowManager::SettingsSize);
        save(view, u"settings-"_qs + section.toLower(), view.content()->page());
    }

    void guide(Scheme scheme, const QString &language, HelpTopic topic)
    {
        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        LanguageManager languages(&preferences);
        languages.setLanguage(language);
        HelpView view(&languages, nullptr);
        if (topic != HelpTopic::Shortcuts)
            view.navigateTo(topic);
        show(view, scheme, WindowManager::HelpSize);
        save(view, u"guide-"_qs + HelpTopics::rawValue(topic).toLower(), view.content()->page());
    }

    void history(Scheme scheme, const QString &language, const QString &detail)
    {
        MonitorHarness harness;
        const QByteArray tsv = "Produto\tQtd\tPreço\nCaneta\t3\t2,50\nCaderno\t1\t12,00";
        harness.copy({{u"text/uri-list"_qs, "file:///home/ana/Relatório.pdf\r\nfile:///home/ana/fotos\r\n"}});
        harness.copy({{u"text/tab-separated-values"_qs, tsv}, {u"text/plain"_qs, tsv}});
        harness.copy({{u"image/png"_qs, photo()}});
        harness.copyText(u"Reunião às 15h na sala 2.\n\nLevar o relatório trimestral e os números de vendas."_qs);
        LanguageManager languages(&harness.preferences);
        languages.setLanguage(language);
        HistoryWindow view({harness.history.get(), &harness.workspace, &languages, nullptr});
        view.browser()->sidebar()->setCurrentIndex(view.model()->index(int(HistoryDetails.indexOf(detail))));
        show(view, scheme, WindowManager::HistorySize);
        if (detail == u"image" // decoded off the interface thread
            && !QTest::qWaitFor([&] { return !view.browser()->detail()->imageView()->image().isNull(); }))
            return fail(u"the image never arrived"_qs);
        save(view, u"history-"_qs + detail);
    }

    // The name every picture of the current scheme and language ends with.
    void setSuffix(const QString &language, const char *scheme)
    {
        m_suffix = u"-%1-%2"_qs.arg(language, QString::fromLatin1(scheme));
    }

private:
    static void show(QWidget &window, Scheme scheme, QSize size)
    {
        window.setPalette(AppearanceManager::paletteFor(scheme));
        window.resize(size);
        window.show();
        TestData::settle();
    }

    // Keeps the window (and, with `whole`, the whole scrolled page) under `name`.
    void save(QWidget &window, const QString &name, QWidget *whole = nullptr)
    {
        const QString base = QDir(m_folder).filePath(name + m_suffix);
        if (!window.grab().save(base + u".png"_qs))
            fail(u"cannot write "_qs + base + u".png"_qs);
        if (whole && !whole->grab(QRect(QPoint(), whole->sizeHint().expandedTo(whole->size()))).save(base + u"-page.png"_qs))
            fail(u"cannot write "_qs + base + u"-page.png"_qs);
    }

    void fail(const QString &why)
    {
        std::fprintf(stderr, "render_screenshots: %s: %s\n", qPrintable(m_suffix.mid(1)), qPrintable(why));
        ++m_failures;
    }

    QString m_folder;
    QString m_suffix;
    int m_failures = 0;
};

// The offscreen platform says for every window that it cannot raise or grab; nothing else is dropped.
void skipOffscreenNotes(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (!message.startsWith(u"This plugin does not support"))
        std::fprintf(stderr, "%s%s\n", type == QtDebugMsg ? "" : "render_screenshots: ", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(skipOffscreenNotes);
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty() || arguments.first().startsWith(u'-')) {
        std::fprintf(stderr, "usage: render_screenshots <folder> [popup] [settings] [guide] [history]\n");
        return 2;
    }
    const QString folder = arguments.takeFirst();
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "render_screenshots: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const QStringList windows = arguments.isEmpty() ? QStringList{u"popup"_qs, u"settings"_qs, u"guide"_qs, u"history"_qs}
                                                    : arguments;
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_qs));
    TestData::PortugueseTables tables;
    Renderer renderer(folder);
    for (const auto &[scheme, schemeName] : Schemes) {
        QApplication::setPalette(AppearanceManager::paletteFor(scheme));
        for (const QString &language : PopupLanguages) {
            renderer.setSuffix(language, schemeName);
            if (windows.contains(u"popup"_qs)) {
                LocalizedAppBundle::setSelectedLanguage(language);
                for (const QString &state : PopupStates)
                    renderer.popup(scheme, state);
                LocalizedAppBundle::setSelectedLanguage(u"system"_qs);
            }
            if (!WindowLanguages.contains(language))
                continue;
            if (windows.contains(u"settings"_qs)) {
                for (const QString &section : Preferences::settingsSections())
                    renderer.settings(scheme, language, section);
            }
            if (windows.contains(u"guide"_qs)) {
                for (HelpTopic topic : HelpTopics::all())
                    renderer.guide(scheme, language, topic);
            }
            if (windows.contains(u"history"_qs)) {
                for (const QString &detail : HistoryDetails)
                    renderer.history(scheme, language, detail);
            }
        }
    }
    return renderer.failures() == 0 ? 0 : 1;
}
