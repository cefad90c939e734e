#include "app/KavlaApp.h"

#include "platform/DefaultsStore.h"

KavlaApp::KavlaApp(QObject *parent)
    : QObject(parent)
{
}

KavlaApp::~KavlaApp() = default;
