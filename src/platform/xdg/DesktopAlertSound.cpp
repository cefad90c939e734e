#include "platform/xdg/DesktopAlertSound.h"

#include <QApplication>

#ifdef KAVLA_HAVE_CANBERRA
#include <canberra.h>
#endif

DesktopAlertSound::DesktopAlertSound()
{
#ifdef KAVLA_HAVE_CANBERRA
    if (ca_context_create(&m_context) != CA_SUCCESS)
        m_context = nullptr;
#endif
}

DesktopAlertSound::~DesktopAlertSound()
{
#ifdef KAVLA_HAVE_CANBERRA
    if (m_context)
        ca_context_destroy(m_context);
#endif
}

void DesktopAlertSound::play()
{
#ifdef KAVLA_HAVE_CANBERRA
    if (m_context
        && ca_context_play(m_context, 0, CA_PROP_EVENT_ID, "bell", CA_PROP_EVENT_DESCRIPTION,
                           "Kavla copy", nullptr)
               == CA_SUCCESS)
        return;
#endif
    QApplication::beep();
}
