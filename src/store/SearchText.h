#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// Matching that ignores letter case, done on folded copies so that a text is folded once, when
// it is stored, rather than at every keystroke of a search.
namespace SearchText {

// The locale's lower case (Turkish dotted and dotless i), then the Unicode simple case folding of
// each character. A needle occurs in a text ignoring case exactly when its fold occurs in the
// text's fold.
QString fold(QStringView text, const QLocale &locale);

// True when the text holds nothing but spaces and tabs: such a search matches everything. A
// line break is searched for like any letter.
bool isBlank(QStringView text);

// The locale the history is searched under.
QLocale locale();

} // namespace SearchText
