#include "services/ClipboardFlavours.h"

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

void setTable(QMimeData &contents, const QString &text)
{
    contents.setText(text);
    contents.setData(QStringLiteral("text/tab-separated-values"), text.toUtf8());
    QString html = QStringLiteral("<meta charset=\"utf-8\"><table>");
    for (const QStringList &row : tableCells(text)) {
        html += QLatin1String("<tr>");
        for (const QString &cell : row)
            html += QLatin1String("<td>") + cell.toHtmlEscaped().replace(u'\n', QLatin1String("<br>")) + QLatin1String("</td>");
        html += QLatin1String("</tr>");
    }
    contents.setHtml(html + QLatin1String("</table>"));
}

} // namespace ClipboardFlavours
