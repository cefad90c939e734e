#include "services/ClipboardFlavours.h"

#include "services/ImageMimeData.h"

#include <QMimeData>

namespace ClipboardFlavours {

QList<QUrl> localFileUrls(const PasteboardSnapshot &snapshot)
{
    QList<QUrl> urls = snapshot.urls();
    if (!snapshot.data(QStringLiteral("text/uri-list"))) {
        for (const QString &type : {GnomeCopiedFiles, MateCopiedFiles}) {
            if (const std::optional<QByteArray> list = snapshot.data(type)) {
                // The first line says "copy" or "cut"; it is no URL.
                urls = PasteboardSnapshot::parseUriList(list->mid(list->indexOf('\n') + 1));
                break;
            }
        }
    }
    // file://otherhost/path names a file on another machine, not a local path; localhost is here.
    QList<QUrl> files;
    for (QUrl url : std::as_const(urls)) {
        if (url.isLocalFile() && url.host().compare(u"localhost", Qt::CaseInsensitive) == 0)
            url.setHost(QString());
        if (url.isLocalFile() && url.host().isEmpty())
            files << url;
    }
    return files;
}

QMimeData *contentsOf(const ClipboardItem &item)
{
    if (item.isImage()) {
        if (const std::optional<QByteArray> bytes = item.imageData()) {
            if (QMimeData *image = ImageMimeData::create(*bytes))
                return image;
        }
        return new QMimeData;
    }
    auto *contents = new QMimeData;
    if (item.isFile()) {
        if (const std::optional<QStringList> paths = item.filePaths())
            setFiles(*contents, *paths);
        return contents;
    }
    // A long text is held once, not in a second encoding.
    if (const std::optional<QByteArray> text = item.textContentUtf8()) {
        if (item.isTable())
            setTable(*contents, QString::fromUtf8(*text));
        else
            contents->setData(QStringLiteral("text/plain"), *text);
    }
    return contents;
}

void setFiles(QMimeData &contents, const QStringList &paths)
{
    QList<QUrl> urls;
    urls.reserve(paths.size());
    QByteArray list("copy");
    for (const QString &path : paths) {
        urls << QUrl::fromLocalFile(path);
        list += '\n' + urls.last().toEncoded();
    }
    contents.setUrls(urls);
    contents.setData(GnomeCopiedFiles, list);
    contents.setData(MateCopiedFiles, list);
    contents.setText(paths.join(u'\n'));
}

QList<QStringList> tableCells(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false;
    bool cellStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && !cellStarted) {
            quoted = true;
            cellStarted = true;
        } else if (c == u'\t') {
            row << std::exchange(cell, QString());
            cellStarted = false;
        } else if (c == u'\n') {
            if (cell.endsWith(u'\r'))
                cell.chop(1);
            row << std::exchange(cell, QString());
            rows << std::exchange(row, QStringList());
            cellStarted = false;
        } else {
            cell += c;
            cellStarted = true;
        }
    }
    if (cellStarted || !row.isEmpty())
        rows << (row << cell);
    return rows;
}

QByteArray rtfTable(const QList<QStringList> &rows)
{
    // Written as LibreOffice writes its own tables, in ten points as a spreadsheet's cells are
    // rather than RTF's twelve, and in Calc's default sans: a table without a font table is
    // pasted in the reader's default serif.
    QByteArray rtf("{\\rtf\\ansi\n{\\fonttbl{\\f0\\fswiss Liberation Sans;}}\n{\n");
    for (const QStringList &row : rows) {
        rtf += "\\trowd";
        for (qsizetype column = 1; column <= row.size(); ++column)
            rtf += "\\cellx" + QByteArray::number(column * 1440);
        rtf += "\\pard\\plain\\intbl\\f0\\fs20";
        for (const QString &cell : row) {
            rtf += ' ';
            for (const QChar c : cell) {
                if (c == u'\\' || c == u'{' || c == u'}')
                    rtf += '\\' + QByteArray(1, char(c.unicode()));
                else if (c == u'\n')
                    rtf += "\\line ";
                else if (c == u'\t')
                    rtf += "\\tab ";
                else if (c.unicode() < 0x80 && c.unicode() >= 0x20)
                    rtf += char(c.unicode());
                else if (c.unicode() >= 0x80)
                    rtf += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
            }
            rtf += "\\cell";
        }
        rtf += "\\row\n";
    }
    return rtf + "}\n}";
}

void setTable(QMimeData &contents, const QString &text)
{
    contents.setText(text);
    contents.setData(QStringLiteral("text/tab-separated-values"), text.toUtf8());
    // LibreOffice Calc pastes an RTF table as cells at once; plain text and HTML from another
    // application it first asks about in a dialog.
    contents.setData(QStringLiteral("text/rtf"), rtfTable(tableCells(text)));
}

} // namespace ClipboardFlavours
