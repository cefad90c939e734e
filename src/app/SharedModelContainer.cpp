#include "app/SharedModelContainer.h"

#include "store/ModelContainer.h"

#include <memory>

namespace {
std::unique_ptr<ModelContainer> s_container;
}

bool openSharedModelContainer(QString *error)
{
    if (!s_container)
        s_container = ModelContainer::open(ModelContainer::defaultPath(), error);
    return bool(s_container);
}

ModelContainer *sharedModelContainer()
{
    return s_container.get();
}

void releaseSharedModelContainer()
{
    s_container.reset();
}
