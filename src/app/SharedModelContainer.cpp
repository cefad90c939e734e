#include "app/SharedModelContainer.h"

#include "store/ModelContainer.h"
#include "support/Log.h"

#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<ModelContainer> s_container;
}

ModelContainer *sharedModelContainer()
{
    if (!s_container) {
        QString error;
        s_container = ModelContainer::open(ModelContainer::defaultPath(), &error);
        if (!s_container) {
            Log::line(QStringLiteral("Could not create ModelContainer: ") + error);
            std::exit(EXIT_FAILURE);
        }
    }
    return s_container.get();
}

void releaseSharedModelContainer()
{
    s_container.reset();
}
