#include "fakes/MemoryDefaultsStore.h"
#include "services/AppearanceManager.h"
#include "services/Preferences.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>
#include <QtTest>

namespace {
using Scheme = std::optional<AppearanceManager::ColorScheme>;

QColor windowColor(const QPalette &palette)
{
    return palette.color(QPalette::Window);
}

QColor schemeWindowColor(AppearanceManager::ColorScheme scheme)
{
    return windowColor(AppearanceManager::paletteFor(scheme));
}
} // namespace

class TestAppearanceManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_desktopStyle = QApplication::style()->name();
        m_desktopPalette = QApplication::palette();
        m_desktopWindowColor = windowColor(m_desktopPalette);
    }

    void cleanup()
    {
        QApplication::setStyle(m_desktopStyle);
        QApplication::setPalette(m_desktopPalette);
    }

    void mapsStoredValuesExactly_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("scheme"); // -1 none, 0 light, 1 dark

        QTest::newRow("light") << QVariant(u"light"_qs) << u"light"_qs << 0;
        QTest::newRow("missing") << QVariant() << u"system"_qs << -1;
        QTest::newRow("Dark: letter case differs") << QVariant(u"Dark"_qs) << u"Dark"_qs << -1;
    }

    void mapsStoredValuesExactly()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, current);
        QFETCH(int, scheme);

        MemoryDefaultsStore store;
        if (stored.isValid())
            store.set(u"selectedAppearance"_qs, stored);
        Preferences preferences(&store);
        AppearanceManager manager(&preferences);
        store.set(u"selectedAppearance"_qs, u"light"_qs); // read at creation only

        const Scheme expected = scheme < 0 ? Scheme() : Scheme(AppearanceManager::ColorScheme(scheme));
        QCOMPARE(manager.currentAppearance(), current);
        QCOMPARE(manager.preferredColorScheme(), expected);
        QCOMPARE(manager.targetWindowAppearance(), expected);
        if (!expected) {
            QCOMPARE(QApplication::style()->name(), m_desktopStyle);
            QCOMPARE(windowColor(QApplication::palette()), m_desktopWindowColor);
        } else {
            QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_qs);
            QCOMPARE(windowColor(QApplication::palette()), schemeWindowColor(*expected));
            const QPalette palette = QApplication::palette();
            const bool dark = *expected == AppearanceManager::ColorScheme::Dark;
            QCOMPARE(windowColor(palette).lightness() < 128, dark);
            QCOMPARE(palette.color(QPalette::Text).lightness() > palette.color(QPalette::Base).lightness(), dark);
        }
    }

    void appliesToEveryOpenWindowAtOnce()
    {
        MemoryDefaultsStore store;
        store.set(u"selectedAppearance"_qs, u"light"_qs);
        Preferences preferences(&store);
        AppearanceManager manager(&preferences);
        QWidget first;
        QLabel second(u"texto"_qs);
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));

        manager.applyAppearance(u"dark"_qs);
        const QColor darkWindow = schemeWindowColor(AppearanceManager::ColorScheme::Dark);
        QCOMPARE(windowColor(first.palette()), darkWindow);
        QCOMPARE(windowColor(second.palette()), darkWindow);
        QCOMPARE(windowColor(QApplication::palette()), darkWindow);
        QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_qs);
        // Drawn in the new colours now, not at some later paint.
        QCOMPARE(second.grab().toImage().pixelColor(1, 1), darkWindow);

        // Applying neither stores the code nor changes the current one.
        QCOMPARE(manager.currentAppearance(), u"light"_qs);
        QCOMPARE(store.object(u"selectedAppearance"_qs), QVariant(u"light"_qs));

        manager.applyAppearance(u"system"_qs);
        QCOMPARE(QApplication::style()->name(), m_desktopStyle);
        QCOMPARE(windowColor(QApplication::palette()), m_desktopWindowColor);
        QCOMPARE(windowColor(first.palette()), m_desktopWindowColor);
        QCOMPARE(windowColor(second.palette()), m_desktopWindowColor);
        QVERIFY(!first.testAttribute(Qt::WA_SetPalette));
    }

private:
    QString m_desktopStyle;
    QPalette m_desktopPalette;
    QColor m_desktopWindowColor;
};

QTEST_MAIN(TestAppearanceManager)
#include "tst_appearancemanager.moc"
