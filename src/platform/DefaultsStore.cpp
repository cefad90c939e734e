#include "platform/DefaultsStore.h"

namespace {
DefaultsStore *s_shared = nullptr;
}

DefaultsStore *DefaultsStore::shared()
{
    return s_shared;
}

void DefaultsStore::setShared(DefaultsStore *store)
{
    s_shared = store;
}
