#include "support/LogCategories.h"

// Debug messages are off until QT_LOGGING_RULES (or a rules file) switches them on.
Q_LOGGING_CATEGORY(lcCapture, "kavla.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(lcStore, "kavla.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "kavla.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindows, "kavla.windows", QtInfoMsg)
