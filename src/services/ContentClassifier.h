#pragma once

#include "platform/PasteboardSnapshot.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// What a copy means, decided from what its owner offers. Applications offer one copy in many
// flavours at once: a spreadsheet range comes as text, HTML, its own table type and a picture of
// the cells, and what a user copied there is the table, not the picture.
class ContentClassifier
{
public:
    // Substrings of an offered type that say the copy is a table, compared ignoring case
    // ("TSV" also finds LibreOffice's application/x-libreoffice-tsvc).
    static const QStringList TableTypeMarkers;

    // The snapshot with its plain text decoded to UTF-8 by the charset its owner declared. Bytes
    // that are no text (an image, NULs, mostly control bytes) are taken out of it, and offered
    // as an image flavour when they are one: some bridges offer every copy as text only.
    static PasteboardSnapshot interpreted(const PasteboardSnapshot &snapshot);

    static bool isTableType(const QString &type);
    // Whether all that HTML shows lies inside tables.
    static bool isTableMarkup(QStringView html);
    // Whether the copy's text comes with a table: an offered table type, HTML that is a table, or
    // two or more lines that all hold a tab.
    static bool isTableContent(const PasteboardSnapshot &snapshot);
    // Whether a table's text is a single cell: one line (blank ones aside) without a tab.
    static bool isSingleCell(QByteArrayView text);
    // Whether bytes offered as text are something else: an image's signature, a NUL before the
    // end, or more than one byte in twenty a control character that text does not use.
    static bool isNotText(QByteArrayView bytes);
};
