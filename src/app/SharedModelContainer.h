#pragma once

class ModelContainer;

// The one history store of the process, opened at $XDG_DATA_HOME/kavla/history.sqlite on first
// use and kept until exit. When it cannot be opened the process stops with
// "Could not create ModelContainer: " and the reason, leaving the file as it was.
ModelContainer *sharedModelContainer();

// Closes the store; called once the services that use it have stopped.
void releaseSharedModelContainer();
