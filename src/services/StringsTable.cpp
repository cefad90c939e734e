#include "services/StringsTable.h"

#include <QFile>
#include <QStringDecoder>

namespace {

class StringsParser
{
public:
    explicit StringsParser(const QString &text) : m_text(text) {}

    bool atEnd() { skipSpaceAndComments(); return m_pos >= m_text.size(); }
    QString error() const { return m_error; }

    // Reads one `"key" = "value";` statement.
    bool readEntry(QString *key, QString *value)
    {
        if (!readQuoted(key))
            return false;
        if (!expect(u'='))
            return false;
        if (!readQuoted(value))
            return false;
        return expect(u';');
    }

private:
    void fail(const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("line %1: %2").arg(lineAt(m_pos)).arg(what);
    }

    int lineAt(qsizetype pos) const { return int(m_text.left(pos).count(u'\n')) + 1; }

    void skipSpaceAndComments()
    {
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c.isSpace() || c == QChar(0xFEFF)) {
                ++m_pos;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("//")) {
                const qsizetype end = m_text.indexOf(u'\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else if (m_text.mid(m_pos, 2) == QLatin1String("/*")) {
                const qsizetype end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
                if (end < 0) {
                    fail(QStringLiteral("unterminated comment"));
                    m_pos = m_text.size();
                    return;
                }
                m_pos = end + 2;
            } else {
                return;
            }
        }
    }

    bool expect(QChar wanted)
    {
        skipSpaceAndComments();
        if (m_pos < m_text.size() && m_text.at(m_pos) == wanted) {
            ++m_pos;
            return true;
        }
        fail(QStringLiteral("expected '%1'").arg(wanted));
        return false;
    }

    bool readQuoted(QString *out)
    {
        skipSpaceAndComments();
        if (m_pos >= m_text.size() || m_text.at(m_pos) != u'"') {
            fail(QStringLiteral("expected a quoted string"));
            return false;
        }
        const qsizetype start = m_pos++;
        out->clear();
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c == u'"')
                return true;
            if (c == u'\n') {
                m_pos = start;
                fail(QStringLiteral("line break inside a string (write \\n)"));
                return false;
            }
            if (c != u'\\') {
                out->append(c);
                continue;
            }
            if (m_pos >= m_text.size())
                break;
            const QChar escaped = m_text.at(m_pos++);
            switch (escaped.unicode()) {
            case '"': out->append(u'"'); break;
            case '\\': out->append(u'\\'); break;
            case '\'': out->append(u'\''); break;
            case 'n': out->append(u'\n'); break;
            case 't': out->append(u'\t'); break;
            case 'r': out->append(u'\r'); break;
            case 'u':
            case 'U': {
                bool ok = false;
                const uint code = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok || m_text.mid(m_pos, 4).size() != 4) {
                    fail(QStringLiteral("bad \\u escape"));
                    return false;
                }
                out->append(QChar(char16_t(code)));
                m_pos += 4;
                break;
            }
            default:
                fail(QStringLiteral("unknown escape \\%1").arg(escaped));
                return false;
            }
        }
        m_pos = start;
        fail(QStringLiteral("unterminated string"));
        return false;
    }

    QString m_text;
    qsizetype m_pos = 0;
    QString m_error;
};

} // namespace

StringsTable StringsTable::parse(const QByteArray &utf8, const QString &origin)
{
    StringsTable table;
    const QString prefix = origin.isEmpty() ? QString() : origin + QStringLiteral(": ");
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(utf8);
    if (decoder.hasError()) {
        table.m_errors << prefix + QStringLiteral("not valid UTF-8");
        return table;
    }
    StringsParser parser(text);
    while (!parser.atEnd()) {
        QString key;
        QString value;
        if (!parser.readEntry(&key, &value))
            break;
        if (table.m_entries.contains(key))
            table.m_duplicates << key;
        else
            table.m_order << key;
        table.m_entries.insert(key, value);
    }
    if (!parser.error().isEmpty()) {
        table.m_errors << prefix + parser.error();
        table.m_entries.clear();
        table.m_order.clear();
    }
    return table;
}

StringsTable StringsTable::load(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        StringsTable table;
        table.m_errors << filePath + QStringLiteral(": ") + file.errorString();
        return table;
    }
    return parse(file.readAll(), filePath);
}
