#pragma once

#include <QLoggingCategory>

// Diagnostics by area, silent unless switched on, for instance for everything:
//     QT_LOGGING_RULES="kavla.*=true" kavla
// They go to standard error beside Qt's own messages; the fixed lines of Log stay as they are.
Q_DECLARE_LOGGING_CATEGORY(lcCapture)  // "kavla.capture": what each copy became, or why it was skipped
Q_DECLARE_LOGGING_CATEGORY(lcStore)    // "kavla.store": saves, retries, the capacity applied
Q_DECLARE_LOGGING_CATEGORY(lcPlatform) // "kavla.platform": the backend, clipboard reads, hot keys
Q_DECLARE_LOGGING_CATEGORY(lcWindows)  // "kavla.windows": the popup and the windows opened, raised, closed
