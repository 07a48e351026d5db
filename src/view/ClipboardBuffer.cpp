#include "view/ClipboardBuffer.h"

namespace ardane {

namespace {
int g_lastWindowId = 0;
}

imaging::ImagingControl& ClipboardBuffer::control()
{
    (void)controlId(); // the control comes into being on first use, and gets its id then
    return m_control;
}

int ClipboardBuffer::controlId() const
{
    if (m_controlId == 0)
        m_controlId = nextWindowId();
    return m_controlId;
}

int ClipboardBuffer::nextWindowId()
{
    return ++g_lastWindowId;
}

} // namespace ardane
