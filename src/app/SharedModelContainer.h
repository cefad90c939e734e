#pragma once

#include <QString>

class ModelContainer;

// The one history store of the process, at $XDG_DATA_HOME/kavla/history.sqlite, kept until exit.
//
// Opened by main() before any service exists; false with the reason when it cannot be opened,
// and the file is left as it was.
bool openSharedModelContainer(QString *error);

// The store opened by openSharedModelContainer(); null before.
ModelContainer *sharedModelContainer();

// Closes the store; called once the services that use it have stopped.
void releaseSharedModelContainer();
