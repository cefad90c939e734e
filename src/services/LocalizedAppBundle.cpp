#include "services/LocalizedAppBundle.h"

// Until the language tables land every text is shown in Portuguese, the key itself.
QString L(const char *portugueseLiteral)
{
    return QString::fromUtf8(portugueseLiteral);
}
