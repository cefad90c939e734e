#pragma once

#include <QString>

// The names of the running Kavla's interface on the user's session bus, which the `kavla` command
// and scripts call (resources/com.tarnwick.Kavla.History1.xml describes it).
namespace HistoryBus {

inline const QString ServiceName = QStringLiteral("com.tarnwick.Kavla");
inline const QString ObjectPath = QStringLiteral("/com/tarnwick/Kavla");
inline const QString InterfaceName = QStringLiteral("com.tarnwick.Kavla.History1");

// The errors a call answers with, each with a message a person can read.
inline const QString NotFoundError = QStringLiteral("com.tarnwick.Kavla.Error.NotFound");
inline const QString InvalidArgumentError = QStringLiteral("com.tarnwick.Kavla.Error.InvalidArgument");
inline const QString NotSupportedError = QStringLiteral("com.tarnwick.Kavla.Error.NotSupported");
inline const QString FailedError = QStringLiteral("com.tarnwick.Kavla.Error.Failed");

} // namespace HistoryBus
