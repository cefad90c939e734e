#include "app/SharedModelContainer.h"

#include "store/ModelContainer.h"
#include "support/Log.h"

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<ModelContainer> s_container;
}

bool openSharedModelContainer(QString *error)
{
    if (s_container)
        return true;
    s_container = ModelContainer::open(ModelContainer::defaultPath(), error);
    if (!s_container)
        return false;
    // exit() without returning from main (Qt's answer to a lost X connection) destroys statics
    // in reverse order of their making: registered after Qt SQL made its connection registry,
    // this closes the store, with what is still pending, before that registry is gone.
    std::atexit([] {
        QString reason;
        if (s_container && !s_container->flush(&reason))
            Log::note(QStringLiteral("history changes not written at exit: %1").arg(reason));
        releaseSharedModelContainer();
    });
    return true;
}

ModelContainer *sharedModelContainer()
{
    return s_container.get();
}

void releaseSharedModelContainer()
{
    s_container.reset();
}
