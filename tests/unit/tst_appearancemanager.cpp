#include "platform/DefaultsStore.h"
#include "services/AppearanceManager.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QStyle>
#include <QtTest>

#include <memory>

namespace {

class PlainDefaultsStore : public DefaultsStore
{
public:
    QVariant object(const QString &key) const override { return m_values.value(key); }
    void set(const QString &key, const QVariant &value) override { m_values.insert(key, value); }
    void remove(const QString &key) override { m_values.remove(key); }

private:
    QHash<QString, QVariant> m_values;
};

using Scheme = std::optional<AppearanceManager::ColorScheme>;

QColor windowColor(const QPalette &palette)
{
    return palette.color(QPalette::Window);
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
        QTest::newRow("dark") << QVariant(u"dark"_qs) << u"dark"_qs << 1;
        QTest::newRow("system") << QVariant(u"system"_qs) << u"system"_qs << -1;
        QTest::newRow("missing") << QVariant() << u"system"_qs << -1;
        QTest::newRow("Dark: letter case differs") << QVariant(u"Dark"_qs) << u"Dark"_qs << -1;
        QTest::newRow("LIGHT: letter case differs") << QVariant(u"LIGHT"_qs) << u"LIGHT"_qs << -1;
        QTest::newRow("padded dark") << QVariant(u" dark"_qs) << u" dark"_qs << -1;
        QTest::newRow("empty string") << QVariant(QString()) << QString() << -1;
        QTest::newRow("boolean") << QVariant(true) << u"system"_qs << -1;
        QTest::newRow("number") << QVariant(qint64(1)) << u"system"_qs << -1;
        QTest::newRow("list holding dark") << QVariant(QStringList{u"dark"_qs}) << u"system"_qs << -1;
        QTest::newRow("bytes spelling dark") << QVariant(QByteArray("dark")) << u"system"_qs << -1;
    }

    void mapsStoredValuesExactly()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, current);
        QFETCH(int, scheme);

        PlainDefaultsStore store;
        if (stored.isValid())
            store.set(u"selectedAppearance"_qs, stored);
        AppearanceManager manager(&store);

        const Scheme expected = scheme < 0 ? Scheme() : Scheme(AppearanceManager::ColorScheme(scheme));
        QCOMPARE(manager.currentAppearance(), current);
        QCOMPARE(manager.preferredColorScheme(), expected);
        QCOMPARE(manager.targetWindowAppearance(), expected);
        if (!expected) {
            QCOMPARE(QApplication::style()->name(), m_desktopStyle);
            QCOMPARE(windowColor(QApplication::palette()), m_desktopWindowColor);
        } else {
            QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_qs);
            QCOMPARE(windowColor(QApplication::palette()), windowColor(AppearanceManager::paletteFor(*expected)));
        }
    }

    void darkAndLightPalettesDiffer()
    {
        const QPalette dark = AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Dark);
        const QPalette light = AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Light);
        QVERIFY(windowColor(dark).lightness() < 100);
        QVERIFY(windowColor(light).lightness() > 150);
        QVERIFY(dark.color(QPalette::Text).lightness() > dark.color(QPalette::Base).lightness());
        QVERIFY(light.color(QPalette::Text).lightness() < light.color(QPalette::Base).lightness());
    }

    void appliesToEveryOpenWindowAtOnce()
    {
        PlainDefaultsStore store;
        AppearanceManager manager(&store);
        QWidget first;
        QLabel second(u"texto"_qs);
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));

        manager.applyAppearance(u"dark"_qs);
        const QColor darkWindow = windowColor(AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Dark));
        QCOMPARE(windowColor(first.palette()), darkWindow);
        QCOMPARE(windowColor(second.palette()), darkWindow);
        QCOMPARE(windowColor(QApplication::palette()), darkWindow);
        QCOMPARE(QApplication::style()->name().toLower(), u"fusion"_qs);
        // Drawn in the new colours now, not at some later paint.
        QCOMPARE(second.grab().toImage().pixelColor(1, 1), darkWindow);

        manager.applyAppearance(u"light"_qs);
        QCOMPARE(windowColor(second.palette()),
                 windowColor(AppearanceManager::paletteFor(AppearanceManager::ColorScheme::Light)));

        manager.applyAppearance(u"system"_qs);
        QCOMPARE(QApplication::style()->name(), m_desktopStyle);
        QCOMPARE(windowColor(QApplication::palette()), m_desktopWindowColor);
        QCOMPARE(windowColor(first.palette()), m_desktopWindowColor);
        QCOMPARE(windowColor(second.palette()), m_desktopWindowColor);
        QVERIFY(!first.testAttribute(Qt::WA_SetPalette));
    }

    void applyingDoesNotChangeTheCurrentCode()
    {
        PlainDefaultsStore store;
        store.set(u"selectedAppearance"_qs, u"light"_qs);
        AppearanceManager manager(&store);
        manager.applyAppearance(u"dark"_qs);
        QCOMPARE(manager.currentAppearance(), u"light"_qs);
        QCOMPARE(manager.targetWindowAppearance(), Scheme(AppearanceManager::ColorScheme::Light));
    }

    void storedValueIsReadOnlyAtCreation()
    {
        PlainDefaultsStore store;
        store.set(u"selectedAppearance"_qs, u"dark"_qs);
        AppearanceManager manager(&store);
        store.set(u"selectedAppearance"_qs, u"light"_qs);
        QCOMPARE(manager.currentAppearance(), u"dark"_qs);
        QCOMPARE(manager.preferredColorScheme(), Scheme(AppearanceManager::ColorScheme::Dark));
    }

    void aWindowOpenedLaterGetsTheAppearanceAtCreation_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("explicitPalette");

        QTest::newRow("dark") << u"dark"_qs << true;
        QTest::newRow("light") << u"light"_qs << true;
        QTest::newRow("system") << u"system"_qs << false;
        QTest::newRow("Dark") << u"Dark"_qs << false;
    }

    void aWindowOpenedLaterGetsTheAppearanceAtCreation()
    {
        QFETCH(QString, stored);
        QFETCH(bool, explicitPalette);

        PlainDefaultsStore store;
        store.set(u"selectedAppearance"_qs, stored);
        AppearanceManager manager(&store);

        auto window = std::make_unique<QWidget>();
        manager.applyTargetAppearance(window.get());
        QCOMPARE(window->testAttribute(Qt::WA_SetPalette), explicitPalette);
        const Scheme scheme = AppearanceManager::schemeFor(stored);
        const QColor expected = scheme ? windowColor(AppearanceManager::paletteFor(*scheme)) : m_desktopWindowColor;
        QCOMPARE(windowColor(window->palette()), expected);
    }

    void worksWithoutAStore()
    {
        AppearanceManager manager(nullptr);
        QCOMPARE(manager.currentAppearance(), u"system"_qs);
        QCOMPARE(manager.preferredColorScheme(), Scheme());
    }

private:
    QString m_desktopStyle;
    QPalette m_desktopPalette;
    QColor m_desktopWindowColor;
};

QTEST_MAIN(TestAppearanceManager)
#include "tst_appearancemanager.moc"
