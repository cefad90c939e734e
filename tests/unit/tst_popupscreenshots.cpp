// The popup rendered in its main states in light and dark: each picture must show the scheme's
// background with readable text on it. With KAVLA_SCREENSHOT_DIR set, the pictures are kept there
// for a person to look at (scripts/screenshots.sh).
#include "services/AppearanceManager.h"
#include "store/ModelContainer.h"
#include "store/ModelContext.h"
#include "views/ClearConfirmation.h"
#include "views/HistoryPopoverView.h"
#include "views/PopoverWindow.h"
#include "views/ThumbnailCache.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray pictureBytes()
{
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    sky.setColorAt(1, QColor(0xf4, 0xb4, 0x6a));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor(0x2e, 0x6b, 0x3a));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(250, 700), 500, 260);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

ClipboardItemPtr entry(const QString &type, const std::optional<QString> &text, const std::optional<QStringList> &paths,
                       int minutesAgo, const std::optional<QByteArray> &image = std::nullopt)
{
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), when, when, type, text, image, paths, QString(),
                                           QString(), text ? ClipboardItem::characterCount(*text) : 0,
                                           text ? ClipboardItem::countWords(*text) : 0, image ? 800 : 0,
                                           image ? 600 : 0, false);
}

} // namespace

class PopupScreenshotsTest : public QObject
{
    Q_OBJECT

private:
    void fill(ModelContext *context)
    {
        const QList<ClipboardItemPtr> items = {
            entry(ClipboardItem::TextType, QStringLiteral("Reunião às 15h com a equipe de design"), std::nullopt, 1),
            entry(ClipboardItem::ImageType, std::nullopt, std::nullopt, 3, pictureBytes()),
            entry(ClipboardItem::TableType, QStringLiteral("Produto\tQuantidade\tPreço\nCaneta\t10\t2,50"),
                  std::nullopt, 5),
            entry(ClipboardItem::FileType, std::nullopt,
                  QStringList{QStringLiteral("/home/ana/Documentos/Relatório anual 2026.pdf")}, 8),
            entry(ClipboardItem::TextType, QStringLiteral("https://example.org/docs/getting-started?ref=kavla"),
                  std::nullopt, 12),
            entry(ClipboardItem::FileType, std::nullopt,
                  QStringList{QStringLiteral("/home/ana/Fotos/praia.jpg"), QStringLiteral("/home/ana/Fotos/serra.jpg")},
                  20),
            entry(ClipboardItem::TextType,
                  QStringLiteral("Um texto bem longo que não cabe numa linha só e precisa terminar com reticências no fim"),
                  std::nullopt, 35),
            entry(ClipboardItem::TextType, QStringLiteral("git commit -m \"Fix the build\""), std::nullopt, 60),
            entry(ClipboardItem::TextType, QStringLiteral("ana@example.org"), std::nullopt, 90),
            entry(ClipboardItem::TextType, QStringLiteral("+55 11 91234-5678"), std::nullopt, 120),
            entry(ClipboardItem::TextType, QStringLiteral("SELECT * FROM pedidos WHERE total > 100;"), std::nullopt, 180),
            entry(ClipboardItem::TextType, QStringLiteral("Obrigado pela ajuda!"), std::nullopt, 240),
        };
        for (const ClipboardItemPtr &item : items)
            context->insert(item);
        QVERIFY(context->save());
    }

    // Renders the popup as it appears on screen, frame included.
    QImage render(PopoverWindow &window)
    {
        window.show();
        QCoreApplication::processEvents();
        return window.grab().toImage();
    }

    void check(const QImage &image, AppearanceManager::ColorScheme scheme, const QString &name)
    {
        if (!m_output.isEmpty())
            QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png"))));
        QCOMPARE(image.size(), QSize(HistoryPopoverView::Width + 2, HistoryPopoverView::Height + 2));
        // The background near the footer's middle carries the scheme's window colour...
        const QColor background = image.pixelColor(image.width() / 2, image.height() - 4);
        const bool dark = scheme == AppearanceManager::ColorScheme::Dark;
        QVERIFY2(dark ? background.lightness() < 100 : background.lightness() > 200, qPrintable(name));
        // ...and the header title is drawn in a contrasting colour.
        int contrasting = 0;
        for (int x = 30; x < 90; ++x) {
            for (int y = 10; y < 34; ++y) {
                if (std::abs(image.pixelColor(x, y).lightness() - background.lightness()) > 120)
                    ++contrasting;
            }
        }
        QVERIFY2(contrasting > 20, qPrintable(name));
    }

    // The confirmation dims everything around its card.
    void checkDimmed(const QImage &image, AppearanceManager::ColorScheme scheme, const QString &name)
    {
        if (!m_output.isEmpty())
            QVERIFY(image.save(QDir(m_output).filePath(name + QStringLiteral(".png"))));
        const QColor window = AppearanceManager::paletteFor(scheme).color(QPalette::Window);
        const QColor corner = image.pixelColor(image.width() / 2, image.height() - 4);
        QVERIFY2(corner.lightness() < window.lightness() - 10, qPrintable(name));
    }

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
        QTest::addColumn<AppearanceManager::ColorScheme>("scheme");
        QTest::addColumn<QString>("state");
        for (const auto &[scheme, label] : {std::pair{AppearanceManager::ColorScheme::Light, "light"},
                                            std::pair{AppearanceManager::ColorScheme::Dark, "dark"}}) {
            for (const char *state : {"empty", "entries", "filtered", "no-match", "confirmation"}) {
                const QString name = QStringLiteral("%1-%2").arg(QLatin1String(state), QLatin1String(label));
                QTest::newRow(qPrintable(name)) << scheme << QString::fromLatin1(state);
            }
        }
    }

    void states()
    {
        QFETCH(AppearanceManager::ColorScheme, scheme);
        QFETCH(QString, state);
        QApplication::setPalette(AppearanceManager::paletteFor(scheme));

        QTemporaryDir dir;
        QString error;
        auto store = ModelContainer::open(dir.filePath(QStringLiteral("history.sqlite")), &error);
        QVERIFY2(store, qPrintable(error));
        if (state != QLatin1String("empty"))
            fill(store->mainContext());

        ThumbnailCache thumbnails;
        PopoverWindow window;
        window.setPalette(AppearanceManager::paletteFor(scheme));
        auto *view = new HistoryPopoverView(store->mainContext(), nullptr, &thumbnails, {});
        window.setContent(view);
        thumbnails.waitForPending();
        if (state == QLatin1String("filtered"))
            view->setSearchText(QStringLiteral("ana"));
        else if (state == QLatin1String("no-match"))
            view->setSearchText(QStringLiteral("nada parecido"));
        else if (state == QLatin1String("confirmation"))
            view->showClearConfirmation();

        const QString name = QStringLiteral("popup-%1-%2")
                                 .arg(state, scheme == AppearanceManager::ColorScheme::Dark ? QStringLiteral("dark")
                                                                                             : QStringLiteral("light"));
        if (state == QLatin1String("confirmation"))
            checkDimmed(render(window), scheme, name);
        else
            check(render(window), scheme, name);
        window.hide();
    }

private:
    QString m_output;
};

QTEST_MAIN(PopupScreenshotsTest)
#include "tst_popupscreenshots.moc"
