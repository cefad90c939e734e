#include "services/KeyMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {
int s_installed = 0;
}

KeyMonitor::KeyMonitor(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{
    QCoreApplication::instance()->installEventFilter(this);
    ++s_installed;
}

KeyMonitor::~KeyMonitor()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
    --s_installed;
}

int KeyMonitor::installedCount()
{
    return s_installed;
}

bool KeyMonitor::eventFilter(QObject *, QEvent *event)
{
    // A press reaches the filter once for the window and again for each widget it is passed to;
    // a consumed press stops at the first, and a passed one gets the same answer every time.
    if (event->type() == QEvent::KeyPress && m_handler)
        return m_handler(static_cast<QKeyEvent *>(event));
    return false;
}
