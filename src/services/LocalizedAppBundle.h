#pragma once

#include <QString>

// The one lookup every interface text goes through, keyed by its Portuguese literal:
//     label->setText(L("Limpar Histórico"));
QString L(const char *portugueseLiteral);
