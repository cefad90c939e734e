#pragma once

#include <QString>

namespace Log {

// One line on standard output, flushed at once: the system's own log lines, which tests and
// people read while the process runs.
void line(const QString &text);

// One line on standard error, prefixed with "kavla: ": state and problems a user should know of.
void note(const QString &text);

} // namespace Log
