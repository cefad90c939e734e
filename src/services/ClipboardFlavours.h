#pragma once

#include "models/ClipboardItem.h"
#include "platform/PasteboardSnapshot.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

// The flavours in which files and tables travel between applications: how a copied file list is
// read, and what an entry put back offers so that file managers and spreadsheets paste it as
// what it is.
namespace ClipboardFlavours {

// The local files a copy names, in order: the file: URLs of its URL list (or, offered alone, of
// the file managers' own list), with localhost taken as this machine and other hosts left out.
QList<QUrl> localFileUrls(const PasteboardSnapshot &snapshot);

// The file managers' own flavour of a file list: "copy" or "cut", then one URL a line. GNOME
// Files, Nemo, Thunar and PCManFM paste files from it, Caja from its twin under MATE's name.
inline const QString GnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
inline const QString MateCopiedFiles = QStringLiteral("x-special/mate-copied-files");

// What an entry put back on the clipboard offers: its text as the UTF-8 it is stored as, a table
// for spreadsheets, files for file managers, an image as its stored bytes (nothing is decoded).
// Empty for an entry without content.
QMimeData *contentsOf(const ClipboardItem &item);

// Puts files on `contents`: the URL list, the file managers' lists (as a copy) and the paths as text.
void setFiles(QMimeData &contents, const QStringList &paths);
// Puts a table on `contents`: its tab-separated text as plain text and as TSV, and as an RTF
// table, which word processors and LibreOffice Calc paste as cells.
void setTable(QMimeData &contents, const QString &text);
QByteArray rtfTable(const QList<QStringList> &rows);
// The cells of tab-separated text as a spreadsheet writes it: rows by line, cells by tab, a
// cell in double quotes when it holds a tab, a line break or a quote ("" for a quote).
QList<QStringList> tableCells(const QString &text);

} // namespace ClipboardFlavours
