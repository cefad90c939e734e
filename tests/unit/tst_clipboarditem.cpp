// Derived values of a history entry: titles of each kind, the preview, the relative time and the
// character and word counts taken at capture.
#include "fakes/TestData.h"
#include "models/ClipboardItem.h"
#include "services/LocalizedAppBundle.h"

#include <QScopeGuard>
#include <QTest>

namespace {

ClipboardItemPtr makeItem(const QString &type, const std::optional<QString> &text = std::nullopt,
                          const std::optional<QStringList> &paths = std::nullopt,
                          double width = 0, double height = 0)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return std::make_shared<ClipboardItem>(QUuid::createUuid(), now, now, type, text, std::nullopt,
                                           paths, QString(), QString(), 0, 0, width, height, false);
}

} // namespace

class ClipboardItemTest : public QObject
{
    Q_OBJECT

    TestData::PortugueseTables m_tables;

private Q_SLOTS:

    void displayTitle_data()
    {
        QTest::addColumn<ClipboardItemPtr>("item");
        QTest::addColumn<QString>("title");

        const auto text = [](const std::optional<QString> &value) { return makeItem(ClipboardItem::TextType, value); };
        const auto table = [](const std::optional<QString> &value) { return makeItem(ClipboardItem::TableType, value); };
        const auto files = [](const QStringList &paths) { return makeItem(ClipboardItem::FileType, {}, paths); };
        const auto image = [](double width, double height) { return makeItem(ClipboardItem::ImageType, {}, {}, width, height); };
        QTest::newRow("image with size") << image(1024.7, 768) << u"Imagem (1024 × 768)"_qs;
        QTest::newRow("image with NaN width") << image(std::nan(""), 10) << u"Imagem"_qs;
        QTest::newRow("table first line") << table(u"Nome\tIdade\nAna\t30"_qs) << u"Nome | Idade"_qs;
        QTest::newRow("table starting with a blank line") << table(u"\nNome\tIdade"_qs) << u"Tabela"_qs;
        QTest::newRow("table with CRLF") << table(u"a\tb\r\nc\td"_qs) << u"a | b"_qs;
        QTest::newRow("table trims only the outer spaces") << table(u"\tx\t"_qs) << u"| x |"_qs;
        QTest::newRow("table without text") << table(std::nullopt) << u"Tabela"_qs;
        QTest::newRow("one file") << files({u"/home/ana/notas.txt"_qs}) << u"notas.txt"_qs;
        QTest::newRow("one folder with a trailing slash") << files({u"/home/ana/Fotos/"_qs}) << u"Fotos"_qs;
        QTest::newRow("two files") << files({u"/a"_qs, u"/b"_qs}) << u"2 arquivos"_qs;
        QTest::newRow("no files") << files({}) << u"Arquivo"_qs;
        QTest::newRow("text with CRLF") << text(u"a\r\nb"_qs) << u"a  b"_qs;
        QTest::newRow("whitespace only") << text(u" \n\t \r\n "_qs) << QString();
        QTest::newRow("absent text") << text(std::nullopt) << QString();
        QTest::newRow("unknown kind shows its text") << makeItem(u"Text"_qs, u"x"_qs) << u"x"_qs;
        const QString a120 = u"a"_qs.repeated(120);
        QTest::newRow("120 characters whole") << text(a120) << a120;
        QTest::newRow("121 characters cut") << text(a120 + u'a') << a120 + QChar(0x2026);
        // A flag is two code points and four UTF-16 units, but one character.
        const QString flag = u"\U0001F1E7\U0001F1F7"_qs;
        QTest::newRow("121 flags cut") << text(flag.repeated(121)) << flag.repeated(120) + QChar(0x2026);
        const QString accented = u"e\u0301"_qs;
        QTest::newRow("combining marks count once") << text(accented.repeated(121)) << accented.repeated(120) + QChar(0x2026);
        QTest::newRow("long text after leading blank lines")
            << text(u"\n\n  "_qs + u"b"_qs.repeated(5000)) << u"b"_qs.repeated(120) + QChar(0x2026);
    }

    void displayTitle()
    {
        QFETCH(ClipboardItemPtr, item);
        QFETCH(QString, title);
        QCOMPARE(item->displayTitle(), title);
    }

    void previewText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("preview");
        QTest::newRow("180 whole") << u"x"_qs.repeated(180) << u"x"_qs.repeated(180);
        QTest::newRow("181 cut") << u"x"_qs.repeated(181) << u"x"_qs.repeated(180) + QChar(0x2026);
        QTest::newRow("line breaks become spaces") << QStringLiteral("  um\ndois\r\ntrês  ")
                                                   << QStringLiteral("um dois  três");
        QTest::newRow("whitespace only") << QStringLiteral("\n \n") << QString();
        QTest::newRow("long lines") << u"ab\r\n"_qs.repeated(100000) << u"ab  "_qs.repeated(45) + QChar(0x2026);
    }

    void previewText()
    {
        QFETCH(QString, text);
        QFETCH(QString, preview);
        QCOMPARE(makeItem(ClipboardItem::TableType, text)->previewText(), preview);
    }

    void formattedTime_data()
    {
        QTest::addColumn<QString>("language"); // empty: the Portuguese texts themselves
        QTest::addColumn<qint64>("ageMs");
        QTest::addColumn<QString>("expected");
        const qint64 day = 86400000;
        QTest::newRow("59.9 s") << QString() << qint64(59900) << QStringLiteral("Agora");
        QTest::newRow("60 s") << QString() << qint64(60000) << QStringLiteral("há 1 min");
        QTest::newRow("3599 s") << QString() << qint64(3599000) << QStringLiteral("há 59 min");
        QTest::newRow("3600 s") << QString() << qint64(3600000) << QStringLiteral("há 1 h");
        QTest::newRow("86399 s") << QString() << qint64(86399000) << QStringLiteral("há 23 h");
        QTest::newRow("86400 s") << QString() << day << QStringLiteral("há 1 dia");
        QTest::newRow("400 days") << QString() << 400 * day << QStringLiteral("há 400 dias");
        QTest::newRow("in the future") << QString() << qint64(-3600000) << QStringLiteral("Agora");
        // Each language orders and inflects the whole phrase.
        QTest::newRow("en 1 day") << u"en"_qs << day << QStringLiteral("1 day ago");
        QTest::newRow("en 2 days") << u"en"_qs << 2 * day << QStringLiteral("2 days ago");
    }

    void formattedTime()
    {
        QFETCH(QString, language);
        QFETCH(qint64, ageMs);
        QFETCH(QString, expected);
        const QString saved = LocalizedAppBundle::selectedLanguage();
        LocalizedAppBundle::setSelectedLanguage(language.isEmpty() ? u"pt-BR"_qs : language);
        const auto restore = qScopeGuard([saved] { LocalizedAppBundle::setSelectedLanguage(saved); });
        const ClipboardItemPtr item = makeItem(ClipboardItem::TextType, QStringLiteral("x"));
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(1'800'000'000'000, Qt::UTC);
        item->setCopiedAt(now.addMSecs(-ageMs));
        QCOMPARE(item->formattedTime(now), expected);
    }

    void counts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("characters");
        QTest::addColumn<qint64>("words");
        QTest::newRow("letters, spaces and line feeds") << QStringLiteral("a  b\n\nc") << qint64(7) << qint64(3);
        QTest::newRow("CRLF is one character") << QStringLiteral("a\r\nb") << qint64(3) << qint64(2);
        QTest::newRow("empty") << QString() << qint64(0) << qint64(0);
        QTest::newRow("separators only") << QStringLiteral(" \t\n") << qint64(3) << qint64(0);
        QTest::newRow("no-break and ideographic spaces separate words")
            << QStringLiteral("um\u00A0dois\u3000três\u2028quatro") << qint64(19) << qint64(4);
        QTest::newRow("emoji with modifiers") << QStringLiteral("\U0001F44D\U0001F3FD ok") << qint64(4) << qint64(2);
        QTest::newRow("family emoji") << QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467") << qint64(1) << qint64(1);
        // Counted from UTF-8 a slice at a time: clusters that straddle the slices count once.
        QTest::newRow("long, across slices")
            << QStringLiteral("a\r\n\U0001F468\u200D\U0001F469\u200D\U0001F467 b ").repeated(20000) << qint64(120000)
            << qint64(60000);
    }

    void counts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, characters);
        QFETCH(qint64, words);
        QCOMPARE(ClipboardItem::characterCount(text), characters);
        QCOMPARE(ClipboardItem::countWords(text), words);
        const ClipboardItem::TextCounts fromUtf8 = ClipboardItem::countUtf8(text.toUtf8());
        QCOMPARE(fromUtf8.characters, characters);
        QCOMPARE(fromUtf8.words, words);
        QCOMPARE(fromUtf8.units, text.size());
        QCOMPARE(ClipboardItem::utf16Length(text.toUtf8()), text.size());
    }
};

QTEST_GUILESS_MAIN(ClipboardItemTest)
#include "tst_clipboarditem.moc"
