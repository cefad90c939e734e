#pragma once

#include "views/guide/HelpTopic.h"

#include <QList>

class QWidget;

// The user guide's pages. Every text is fixed here and looked up in the interface language.
namespace HelpPages {

// The page of `topic`; the shortcut page lists `shortcuts` (already narrowed by the search).
QWidget *build(HelpTopic topic, const QList<ShortcutItem> &shortcuts, QWidget *parent);

} // namespace HelpPages
