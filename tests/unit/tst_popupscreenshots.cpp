// The popup rendered in its main states in light and dark and in every interface language: each
// picture must show the scheme's
// background with readable text on it. With KAVLA_SCREENSHOT_DIR set, the pictures are kept there
// for a person to look at (scripts/screenshots.sh).
#include "fakes/MemoryDefaultsStore.h"
#include "services/AppearanceManager.h"
#include "services/HistoryService.h"
#include "services/LocalizedAppBundle.h"
#include "services/Preferences.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/popup/HistoryPopoverView.h"
#include "views/popup/PopoverWindow.h"
#include "views/popup/ThumbnailCache.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

using Scheme = AppearanceManager::ColorScheme;

namespace {

QByteArray pictureBytes()
{
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    sky.setColorAt(1, QColor(0xf4, 0xb4, 0x6a));
    painter.fillRect(image.rect(), sky);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ClipboardItemPtr entry(const QString &type, const std::optional<QString> &text, int minutesAgo,
                       const std::optional<QStringList> &paths = std::nullopt,
                       const std::optional<QByteArray> &image = std::nullopt)
{
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, type, text, image, paths, QString(),
                                           QString(), text ? ClipboardItem::characterCount(*text) : 0,
                                           text ? ClipboardItem::countWords(*text) : 0, image ? 800 : 0,
                                           image ? 600 : 0, false);
}

void fill(ModelContext *context)
{
    const QString text = ClipboardItem::TextType;
    for (const ClipboardItemPtr &item : {
             entry(text, u"Reunião às 15h com a equipe de design"_qs, 1),
             entry(ClipboardItem::ImageType, std::nullopt, 3, std::nullopt, pictureBytes()),
             entry(ClipboardItem::TableType, u"Produto\tQuantidade\tPreço\nCaneta\t10\t2,50"_qs, 5),
             entry(ClipboardItem::FileType, std::nullopt, 8, QStringList{u"/home/ana/Documentos/Relatório anual 2026.pdf"_qs}),
             entry(text, u"https://example.org/docs/getting-started?ref=kavla"_qs, 12),
             entry(ClipboardItem::FileType, std::nullopt, 20,
                   QStringList{u"/home/ana/Fotos/praia.jpg"_qs, u"/home/ana/Fotos/serra.jpg"_qs}),
             entry(text, u"Um texto bem longo que não cabe numa linha só e precisa terminar com reticências no fim"_qs, 35),
             entry(text, u"git commit -m \"Fix the build\""_qs, 60),
             entry(text, u"ana@example.org"_qs, 90),
             entry(text, u"+55 11 91234-5678"_qs, 120),
             entry(text, u"SELECT * FROM pedidos WHERE total > 100;"_qs, 180),
             entry(text, u"Obrigado pela ajuda!"_qs, 240),
         })
        context->insert(item);
    QVERIFY(context->save());
}

} // namespace

class PopupScreenshotsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_output = qEnvironmentVariable("KAVLA_SCREENSHOT_DIR");
        if (!m_output.isEmpty())
            QVERIFY(QDir().mkpath(m_output));
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }

    void states_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<Scheme>("scheme");
        QTest::addColumn<QString>("state");
        for (const char *language : {"pt-BR", "en", "es", "it", "ja"}) {
            for (const auto &[scheme, label] : {std::pair{Scheme::Light, "light"}, std::pair{Scheme::Dark, "dark"}}) {
                for (const char *state : {"empty", "entries", "filtered", "no-match", "confirmation", "confirmation-tab"})
                    QTest::addRow("popup-%s-%s-%s", language, state, label)
                        << QString::fromLatin1(language) << scheme << QString::fromLatin1(state);
            }
        }
    }

    void states()
    {
        QFETCH(QString, language);
        QFETCH(Scheme, scheme);
        QFETCH(QString, state);
        const QString savedLanguage = LocalizedAppBundle::selectedLanguage();
        LocalizedAppBundle::setSelectedLanguage(language);
        const auto restore = qScopeGuard([savedLanguage] { LocalizedAppBundle::setSelectedLanguage(savedLanguage); });
        const QPalette palette = AppearanceManager::paletteFor(scheme);
        QApplication::setPalette(palette);

        QTemporaryDir dir;
        QString error;
        auto store = ModelContainer::open(dir.filePath(QStringLiteral("history.sqlite")), &error);
        QVERIFY2(store, qPrintable(error));
        if (state != u"empty")
            fill(store->mainContext());

        MemoryDefaultsStore defaults;
        Preferences preferences(&defaults);
        HistoryService history(store.get(), &preferences);
        ThumbnailCache thumbnails;
        thumbnails.setHistory(&history);
        PopoverWindow window;
        window.setPalette(palette);
        auto *view = new HistoryPopoverView(&history, nullptr, &thumbnails);
        window.setContent(view);
        thumbnails.waitForPending();
        if (state == u"filtered")
            view->setSearchText(QStringLiteral("ana"));
        else if (state == u"no-match")
            view->setSearchText(QStringLiteral("nada parecido"));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // Asked while on screen, as a user does, so the focus lands where it does for them.
        if (state.startsWith(u"confirmation")) {
            view->showClearConfirmation();
            if (state == u"confirmation-tab")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCoreApplication::processEvents();
        const QImage image = window.grab().toImage(); // frame included
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        if (!m_output.isEmpty())
            QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png"))));
        QCOMPARE(image.size(), QSize(HistoryPopoverView::Width + 2, HistoryPopoverView::Height + 2));

        // The background near the footer's middle carries the scheme's window colour, or is dimmed
        // by the confirmation around its card...
        const QColor background = image.pixelColor(image.width() / 2, image.height() - 4);
        if (state.startsWith(u"confirmation")) {
            QVERIFY2(background.lightness() < palette.color(QPalette::Window).lightness() - 10, qPrintable(name));
            return;
        }
        QVERIFY2(scheme == Scheme::Dark ? background.lightness() < 100 : background.lightness() > 200, qPrintable(name));
        // ...and the header title is drawn in a contrasting colour.
        int contrasting = 0;
        for (int x = 30; x < 90; ++x) {
            for (int y = 10; y < 34; ++y)
                contrasting += std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 120;
        }
        QVERIFY2(contrasting > 20, qPrintable(name));
    }

private:
    QString m_output;
};

QTEST_MAIN(PopupScreenshotsTest)
#include "tst_popupscreenshots.moc"
