// Every text the code looks up has a translation in every table, and the tables are well formed.
#include "services/StringsTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

const QStringList Languages{QStringLiteral("pt-BR"), QStringLiteral("en"), QStringLiteral("es"),
                            QStringLiteral("it"), QStringLiteral("ja")};

// Reads a C++ string literal from its opening quote, appending its text (with the escapes the
// sources use) to out. Returns the position after the closing quote, or -1.
qsizetype readLiteral(const QString &source, qsizetype pos, QString *out)
{
    static const QHash<QChar, QChar> escapes{{u'n', u'\n'}, {u't', u'\t'}, {u'r', u'\r'}};
    for (++pos; pos < source.size();) {
        const QChar c = source.at(pos++);
        if (c == u'"')
            return pos;
        if (c == u'\n' || (c == u'\\' && pos >= source.size()))
            return -1;
        const QChar e = c == u'\\' ? source.at(pos++) : QChar();
        out->append(c != u'\\' ? c : escapes.value(e, e));
    }
    return -1;
}

// The literals passed to L(...) in one source text with their lines, comments and other strings
// skipped. Adjacent literals ("a" "b") are joined, as the compiler does.
QList<QPair<QString, int>> literalsPassedToL(const QString &source)
{
    QList<QPair<QString, int>> found;
    const auto skipSpace = [&source](qsizetype at) {
        while (at < source.size() && source.at(at).isSpace())
            ++at;
        return at;
    };
    for (qsizetype pos = 0; pos < source.size();) {
        const QChar c = source.at(pos);
        const QStringView two = QStringView(source).mid(pos, 2);
        if (two == u"//") {
            const qsizetype end = source.indexOf(u'\n', pos);
            pos = end < 0 ? source.size() : end;
        } else if (two == u"/*") {
            const qsizetype end = source.indexOf(u"*/"_qs, pos + 2);
            pos = end < 0 ? source.size() : end + 2;
        } else if (c == u'"') {
            QString ignored;
            const qsizetype end = readLiteral(source, pos, &ignored);
            pos = end < 0 ? pos + 1 : end;
        } else if (c == u'\'') {
            const qsizetype end = source.indexOf(u'\'', pos + (source.mid(pos + 1, 1) == u"\\"_qs ? 3 : 2));
            pos = end < 0 ? pos + 1 : end + 1;
        } else if (c == u'L' && (pos == 0 || !(source.at(pos - 1).isLetterOrNumber() || source.at(pos - 1) == u'_'))
                   && skipSpace(pos + 1) < source.size() && source.at(skipSpace(pos + 1)) == u'(') {
            qsizetype at = skipSpace(skipSpace(pos + 1) + 1);
            QString literal;
            bool any = false;
            for (qsizetype end; at < source.size() && source.at(at) == u'"' && (end = readLiteral(source, at, &literal)) >= 0;
                 at = skipSpace(end))
                any = true;
            if (any)
                found.append({literal, int(source.left(pos).count(u'\n')) + 1});
            pos = qMax(at, pos + 1);
        } else {
            ++pos;
        }
    }
    return found;
}

StringsTable loadTable(const QString &root, const QString &code)
{
    return StringsTable::load(root + u'/' + code + QStringLiteral(".lproj/Localizable.strings"));
}

// Every text the sources under `sourceRoot` look up, with where it is first used ("file:line").
QMap<QString, QString> usedTexts(const QString &sourceRoot)
{
    QMap<QString, QString> firstUse;
    QDirIterator it(sourceRoot, {u"*.cpp"_qs, u"*.h"_qs}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString relative = QDir(sourceRoot).relativeFilePath(file.fileName());
        for (const auto &[key, line] : literalsPassedToL(QString::fromUtf8(file.readAll())))
            if (!firstUse.contains(key))
                firstUse.insert(key, relative + u':' + QString::number(line));
    }
    return firstUse;
}

// "<table>: \"<key>\" (first used at <file:line>)" for each text a table lacks.
QStringList missingTranslations(const QString &sourceRoot, const QString &resourceRoot)
{
    const QMap<QString, QString> firstUse = usedTexts(sourceRoot);
    QStringList missing;
    for (const QString &code : Languages) {
        const StringsTable table = loadTable(resourceRoot, code);
        for (auto use = firstUse.cbegin(); use != firstUse.cend(); ++use)
            if (!table.contains(use.key()))
                missing << u"%1: \"%2\" (first used at %3)"_qs.arg(code, use.key(), use.value());
    }
    return missing;
}

const QString SourceRoot = QStringLiteral(KAVLA_SOURCE_DIR "/src");
const QString ResourceRoot = QStringLiteral(KAVLA_SOURCE_DIR "/resources");

} // namespace

class TestStringTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsTheLiteralsPassedToL_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("calls, a count, a line break") << u"f(L(\"Ajustes\")) + L (\n \"%lld itens\", n)"_qs
                                                      << QStringList{u"Ajustes"_qs, u"%lld itens"_qs};
        QTest::newRow("comments ignored") << u"// L(\"Velho\")\n/* L(\"Velho\") */ L(\"Novo\")"_qs
                                          << QStringList{u"Novo"_qs};
        QTest::newRow("escaped quotes") << u"L(\"Diga \\\"oi\\\"\")"_qs << QStringList{u"Diga \"oi\""_qs};
        QTest::newRow("adjacent literals joined") << u"L(\"Limpar \" \"Tudo\")"_qs << QStringList{u"Limpar Tudo"_qs};
        QTest::newRow("inside another string ignored") << u"QStringLiteral(\"L(\\\"x\\\")\")"_qs << QStringList{};
        QTest::newRow("longer identifiers ignored") << u"URL(\"a\"); xL(\"b\"); L_(\"c\")"_qs << QStringList{};
        QTest::newRow("runtime key ignored") << u"L(item.displayTitle())"_qs << QStringList{};
        QTest::newRow("char literal with quote") << u"QChar('\"'); L(\"Sobre\")"_qs << QStringList{u"Sobre"_qs};
    }

    void findsTheLiteralsPassedToL()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, expected);

        QStringList keys;
        for (const auto &[key, line] : literalsPassedToL(source))
            keys << key;
        QCOMPARE(keys, expected);
    }

    // The check itself: a missing entry fails the suite, naming the table and the key.
    void everyUsedTextIsInEveryTable()
    {
        const QStringList missing = missingTranslations(SourceRoot, ResourceRoot);
        if (!missing.isEmpty())
            QFAIL(qPrintable(u"Texts without a translation:\n  "_qs + missing.join(u"\n  "_qs)));
    }

    void tablesAreWellFormed_data()
    {
        QTest::addColumn<QString>("code");
        for (const QString &code : Languages)
            QTest::newRow(qPrintable(code)) << code;
    }

    // Each table is well formed, and what the code shows reads as on this desktop: Linux key names,
    // and a real ellipsis where the Portuguese key ends in three periods (a menu entry that opens a
    // window).
    void tablesAreWellFormed()
    {
        QFETCH(QString, code);
        const StringsTable table = loadTable(ResourceRoot, code);
        static const QRegularExpression macKeys(QStringLiteral("[⌘⌥]|\\b(Cmd|Command|Comando|Option)\\b"));
        for (const QString &key : usedTexts(SourceRoot).keys()) {
            const QString value = table.value(key, key);
            QVERIFY2(!value.contains(macKeys), qPrintable(code + u": "_qs + value));
            QVERIFY2(!value.contains(u"..."_qs), qPrintable(code + u": "_qs + value));
            if (key.endsWith(u"..."_qs))
                QVERIFY2(value.contains(QChar(0x2026)), qPrintable(code + u": "_qs + value));
        }
        QVERIFY2(table.isValid(), qPrintable(table.errors().join(u'\n')));
        QVERIFY2(table.duplicateKeys().isEmpty(), qPrintable(table.duplicateKeys().join(u", "_qs)));
        QVERIFY(!table.entries().isEmpty());

        const StringsTable reference = loadTable(ResourceRoot, u"pt-BR"_qs);
        const QSet<QString> keys(table.keysInOrder().cbegin(), table.keysInOrder().cend());
        const QSet<QString> referenceKeys(reference.keysInOrder().cbegin(), reference.keysInOrder().cend());
        QVERIFY2(keys == referenceKeys,
                 qPrintable(u"only here: "_qs + QStringList((keys - referenceKeys).values()).join(u", "_qs)
                            + u"; missing: "_qs + QStringList((referenceKeys - keys).values()).join(u", "_qs)));

        static const QRegularExpression placeholder(QStringLiteral("%(lld|@|d|s|\\d+\\$\\w+)"));
        for (auto it = table.entries().cbegin(); it != table.entries().cend(); ++it) {
            QVERIFY2(!it.value().trimmed().isEmpty(), qPrintable(code + u": empty text for "_qs + it.key()));
            QVERIFY2(it.value() != u"__TARNWICK_MISSING_KEY__"_qs, qPrintable(it.key()));
            const auto placeholders = [](const QString &text) {
                QStringList found;
                for (const auto &match : placeholder.globalMatch(text))
                    found << match.captured();
                return found;
            };
            QVERIFY2(placeholders(it.key()) == placeholders(it.value()),
                     qPrintable(code + u": placeholders differ for "_qs + it.key() + u" -> "_qs + it.value()));
        }
    }
};

QTEST_MAIN(TestStringTables)
#include "tst_stringtables.moc"
